// What in an HTML document could run code or load a page, as an HTML5
// parser (gumbo, independent of the tokenizer the writers use) builds the
// document: the element tree a browser would build, SVG, MathML and
// template contents included.
#pragma once

#include <QString>
#include <QStringList>
#include <gumbo.h>
#include <string>

namespace twkhtmlcheck {

inline std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

inline std::string ElementName(const GumboElement& e) {
  if (e.tag != GUMBO_TAG_UNKNOWN) return gumbo_normalized_tagname(e.tag);
  GumboStringPiece piece = e.original_tag;
  gumbo_tag_from_original_text(&piece);
  return Lower(std::string(piece.data ? piece.data : "", piece.length));
}

// Controls and blanks removed, lower case: as a browser reads a URL scheme.
inline std::string Squeezed(const char* value) {
  std::string v;
  for (const char* p = value; *p; ++p)
    if (static_cast<unsigned char>(*p) > 32) v += *p;
  return Lower(v);
}

inline bool HoldsActiveCode(const std::string& squeezed) {
  for (const char* marker : {"javascript:", "vbscript:", "livescript:", "mocha:", "data:text/html", "expression(",
                             "-moz-binding", "behavior:"})
    if (squeezed.find(marker) != std::string::npos) return true;
  return false;
}

inline std::string TextOf(const GumboNode* node) {
  std::string t;
  if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_CDATA || node->type == GUMBO_NODE_WHITESPACE)
    return node->v.text.text;
  if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE)
    for (unsigned i = 0; i < node->v.element.children.length; ++i)
      t += TextOf(static_cast<const GumboNode*>(node->v.element.children.data[i]));
  return t;
}

// The first thing found, described; empty when there is none.
inline std::string ActiveIn(const GumboNode* node) {
  if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) return {};
  const GumboElement& e = node->v.element;
  const std::string name = ElementName(e);
  for (const char* bad : {"script", "iframe", "frame", "frameset", "object", "embed", "applet", "base", "link",
                          "portal", "set", "animate", "animatemotion", "animatetransform", "handler", "listener"})
    if (name == bad) return "element <" + name + ">";
  if (name == "style" && HoldsActiveCode(Squeezed(TextOf(node).c_str()))) return "style sheet with code";
  for (unsigned i = 0; i < e.attributes.length; ++i) {
    const auto* a = static_cast<const GumboAttribute*>(e.attributes.data[i]);
    const std::string an = Lower(a->name);
    const std::string v = Squeezed(a->value);
    const std::string where = "<" + name + " " + an + "=\"" + a->value + "\">";
    if (an.rfind("on", 0) == 0 || an == "srcdoc" || an == "formaction" || an == "action") return "attribute " + where;
    // The documents' own policy and charset are the only ones that may stay.
    if (name == "meta" && an == "http-equiv" && Lower(a->value) != "content-security-policy" &&
        Lower(a->value) != "content-type")
      return "meta http-equiv " + where;
    if (HoldsActiveCode(v)) return "script URL " + where;
    if (v.rfind("data:", 0) == 0 && v.rfind("data:image/", 0) != 0) return "data URL " + where;
    if (name == "use" && (an == "href" || an == "xlink:href") && v.rfind("#", 0) != 0) return "external use " + where;
  }
  for (unsigned i = 0; i < e.children.length; ++i) {
    const std::string found = ActiveIn(static_cast<const GumboNode*>(e.children.data[i]));
    if (!found.empty()) return found;
  }
  return {};
}

// The document as a browser builds it: what in it could run or load a page.
inline std::string ActiveContentIn(const QString& html) {
  const QByteArray utf8 = html.toUtf8();
  GumboOutput* out = gumbo_parse_with_options(&kGumboDefaultOptions, utf8.constData(), size_t(utf8.size()));
  const std::string found = ActiveIn(out->root);
  gumbo_destroy_output(&kGumboDefaultOptions, out);
  return found;
}

// The first element of the document's head, when it is the meta element of
// a Content-Security-Policy: its content; else empty.
inline std::string LeadingPolicy(const QString& html) {
  const QByteArray utf8 = html.toUtf8();
  GumboOutput* out = gumbo_parse_with_options(&kGumboDefaultOptions, utf8.constData(), size_t(utf8.size()));
  std::string policy;
  const GumboVector& top = out->root->v.element.children;
  const GumboNode* head = top.length ? static_cast<const GumboNode*>(top.data[0]) : nullptr;
  if (head && head->type == GUMBO_NODE_ELEMENT && head->v.element.tag == GUMBO_TAG_HEAD) {
    for (unsigned i = 0; i < head->v.element.children.length; ++i) {
      const auto* n = static_cast<const GumboNode*>(head->v.element.children.data[i]);
      if (n->type != GUMBO_NODE_ELEMENT) continue;
      const GumboAttribute* equiv = gumbo_get_attribute(&n->v.element.attributes, "http-equiv");
      const GumboAttribute* content = gumbo_get_attribute(&n->v.element.attributes, "content");
      if (n->v.element.tag == GUMBO_TAG_META && equiv && content &&
          Lower(equiv->value) == "content-security-policy")
        policy = content->value;
      break;
    }
  }
  gumbo_destroy_output(&kGumboDefaultOptions, out);
  return policy;
}

// True when the policy forbids script, objects and frames: default-src
// 'none', and none of the directives that would override it for those.
inline bool PolicyForbidsActiveContent(const std::string& policy) {
  bool defaultNone = false;
  for (const QString& d : QString::fromStdString(policy).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const QStringList words = d.simplified().split(QLatin1Char(' '));
    const QString directive = words.value(0).toLower();
    if (directive == u"default-src") defaultNone = words.size() == 2 && words[1] == u"'none'";
    for (const char* overriding : {"script-src", "script-src-elem", "script-src-attr", "object-src", "frame-src",
                                   "child-src", "worker-src"})
      if (directive == QLatin1String(overriding)) return false;
  }
  return defaultNone;
}

}  // namespace twkhtmlcheck
