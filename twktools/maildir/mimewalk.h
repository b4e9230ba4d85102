// The walk that sorts a MIME tree into body text and attachments, over any
// tree: GMime's parsed objects, or the light reader's part headers. Both
// trees go through this one walk, so both answer alike.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

namespace twkmaildir {

template <class Node>
struct TAttachmentPartOf {
  Node Part{};
  Node Parent{};  // the multipart holding it; null for the message's root
  bool Hidden = false;
  // A file that another leaf carries (a TNEF stream, a uuencoded block in
  // a text): that leaf, and the file's time of change (Unix time, 0: none).
  Node Container{};
  std::int64_t Modified = 0;
};

template <class Node>
struct TMimeLayoutOf {
  std::vector<Node> Body;  // text leaves of the body, in order
  std::vector<TAttachmentPartOf<Node>> Attachments;
  // The body text a container carries (TNEF), for a message without other body.
  QString ContainerBody;
  // Body leaves whose text holds uuencoded files: the text without them.
  std::vector<std::pair<Node, QByteArray>> TextRests;
};

// Deeper structures than this are not looked into (endless nesting).
constexpr int kMaxMimeDepth = 64;

// The content types of report texts, which read as body text.
bool IsReportText(const QByteArray& mimeType);

// Tree supplies, for its Node (a pointer): IsMultipart, IsSigned, IsEncrypted,
// IsRelated, Count, Child, IsBodyText, IsHtml, RelatedRoot, LowerHtml (the
// decoded HTML text in lower case) and IsReferenced (by that HTML).
template <class Tree>
class TLayoutWalker {
public:
  using Node = typename Tree::Node;
  TMimeLayoutOf<Node> Layout;

  void Walk(Node object, Node parent, int depth) {
    if (!object || depth > kMaxMimeDepth) return;
    if (!Tree::IsMultipart(object)) return Leaf(object, parent);
    const int count = Tree::Count(object);
    if (Tree::IsSigned(object)) {
      Walk(Tree::Child(object, 0), object, depth + 1);
      for (int i = 1; i < count; ++i) Attach(Tree::Child(object, i), object, true);
      return;
    }
    if (Tree::IsEncrypted(object)) {
      for (int i = 0; i < count; ++i) Attach(Tree::Child(object, i), object, i == 0);
      return;
    }
    if (Tree::IsRelated(object)) return Related(object, depth);
    for (int i = 0; i < count; ++i) Walk(Tree::Child(object, i), object, depth + 1);
  }

private:
  void Leaf(Node part, Node parent) {
    if (Tree::IsBodyText(part))
      Layout.Body.push_back(part);
    else
      Attach(part, parent, false);
  }

  void Attach(Node part, Node parent, bool hidden) { Layout.Attachments.push_back({part, parent, hidden}); }

  void Related(Node related, int depth) {
    Node root = Tree::RelatedRoot(related);
    const size_t firstBody = Layout.Body.size();
    Walk(root, related, depth + 1);
    // The HTML is decoded only when a part may be referenced by it.
    bool htmlRead = false;
    QByteArray html;
    const int count = Tree::Count(related);
    for (int i = 0; i < count; ++i) {
      Node part = Tree::Child(related, i);
      if (part == root) continue;
      if (Tree::IsMultipart(part)) {
        Walk(part, related, depth + 1);
        continue;
      }
      if (!htmlRead) {
        for (size_t b = firstBody; b < Layout.Body.size(); ++b)
          if (Tree::IsHtml(Layout.Body[b])) html += Tree::LowerHtml(Layout.Body[b]);
        htmlRead = true;
      }
      Attach(part, related, Tree::IsReferenced(part, html));
    }
  }
};

template <class Tree>
TMimeLayoutOf<typename Tree::Node> WalkLayout(typename Tree::Node root) {
  TLayoutWalker<Tree> walker;
  walker.Walk(root, {}, 0);
  return std::move(walker.Layout);
}

}  // namespace twkmaildir
