#include "twktools/maildir/mimeparts.h"

#include "twktools/maildir/mimesupport.h"

namespace twkmaildir {

namespace {

bool IsReportText(const QByteArray& type) {
  return type == "message/delivery-status" || type == "message/disposition-notification" ||
         type == "message/global-delivery-status" || type == "message/global-disposition-notification" ||
         type == "text/rfc822-headers";
}

bool IsBodyText(GMimeObject* part) {
  if (!GMIME_IS_PART(part) || IsAttachmentDisposition(part) || !DeclaredFileName(part).isEmpty()) return false;
  const QByteArray type = MimeTypeOf(part);
  return type.startsWith("text/") || IsReportText(type);
}

GMimeObject* RelatedRoot(GMimeMultipart* related) {
  const char* start = g_mime_object_get_content_type_parameter(GMIME_OBJECT(related), "start");
  if (start) {
    QByteArray id(start);
    if (id.startsWith('<') && id.endsWith('>')) id = id.mid(1, id.size() - 2);
    if (GMimeObject* byId = g_mime_multipart_get_subpart_from_content_id(related, id.constData())) return byId;
  }
  return g_mime_multipart_get_count(related) > 0 ? g_mime_multipart_get_part(related, 0) : nullptr;
}

class TLayoutWalker {
public:
  TMimeLayout Layout;

  void Walk(GMimeObject* object, GMimeObject* parent, int depth) {
    if (!object || depth > kMaxMimeDepth) return;
    if (!GMIME_IS_MULTIPART(object)) return Leaf(object, parent);
    GMimeMultipart* multi = GMIME_MULTIPART(object);
    const int count = g_mime_multipart_get_count(multi);
    if (GMIME_IS_MULTIPART_SIGNED(object)) {
      Walk(g_mime_multipart_get_part(multi, 0), object, depth + 1);
      for (int i = 1; i < count; ++i) Attach(g_mime_multipart_get_part(multi, i), object, true);
      return;
    }
    if (GMIME_IS_MULTIPART_ENCRYPTED(object)) {
      for (int i = 0; i < count; ++i) Attach(g_mime_multipart_get_part(multi, i), object, i == 0);
      return;
    }
    if (IsType(object, "multipart", "related")) return Related(multi, depth);
    for (int i = 0; i < count; ++i) Walk(g_mime_multipart_get_part(multi, i), object, depth + 1);
  }

private:
  void Leaf(GMimeObject* part, GMimeObject* parent) {
    if (IsBodyText(part))
      Layout.Body.push_back(part);
    else
      Attach(part, parent, false);
  }

  void Attach(GMimeObject* part, GMimeObject* parent, bool hidden) {
    Layout.Attachments.push_back({part, parent, hidden});
  }

  void Related(GMimeMultipart* related, int depth) {
    GMimeObject* root = RelatedRoot(related);
    const size_t firstBody = Layout.Body.size();
    Walk(root, GMIME_OBJECT(related), depth + 1);
    QByteArray html;
    for (size_t i = firstBody; i < Layout.Body.size(); ++i)
      if (IsType(Layout.Body[i], "text", "html")) html += DecodedBytes(Layout.Body[i]).toLower();
    const int count = g_mime_multipart_get_count(related);
    for (int i = 0; i < count; ++i) {
      GMimeObject* part = g_mime_multipart_get_part(related, i);
      if (part == root) continue;
      if (GMIME_IS_MULTIPART(part)) {
        Walk(part, GMIME_OBJECT(related), depth + 1);
        continue;
      }
      Attach(part, GMIME_OBJECT(related), IsReferenced(part, html));
    }
  }

  static bool IsReferenced(GMimeObject* part, const QByteArray& lowerHtml) {
    if (lowerHtml.isEmpty()) return false;
    const char* id = g_mime_object_get_content_id(part);
    if (id && *id && lowerHtml.contains("cid:" + QByteArray(id).toLower())) return true;
    const char* location = g_mime_object_get_header(part, "Content-Location");
    if (location) {
      const QByteArray loc = QByteArray(location).trimmed().toLower();
      if (!loc.isEmpty() && lowerHtml.contains(loc)) return true;
    }
    return false;
  }
};

}  // namespace

TMimeLayout AnalyseLayout(GMimeObject* root) {
  TLayoutWalker walker;
  walker.Walk(root, nullptr, 0);
  return std::move(walker.Layout);
}

}  // namespace twkmaildir
