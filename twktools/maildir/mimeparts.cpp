#include "twktools/maildir/mimeparts.h"

#include "twktools/maildir/mimesupport.h"

namespace twkmaildir {

bool IsReportText(const QByteArray& type) {
  return type == "message/delivery-status" || type == "message/disposition-notification" ||
         type == "message/global-delivery-status" || type == "message/global-disposition-notification" ||
         type == "text/rfc822-headers";
}

bool IsBodyTextLeaf(const QByteArray& type, bool attachmentDisposition, bool hasDeclaredName) {
  if (attachmentDisposition || hasDeclaredName) return false;
  return type.startsWith("text/") || IsReportText(type);
}

namespace {

// GMime's parsed objects as a tree for the layout walk.
struct TGMimeTree {
  using Node = GMimeObject*;
  static bool IsMultipart(Node n) { return GMIME_IS_MULTIPART(n); }
  static bool IsSigned(Node n) { return GMIME_IS_MULTIPART_SIGNED(n); }
  static bool IsEncrypted(Node n) { return GMIME_IS_MULTIPART_ENCRYPTED(n); }
  static bool IsRelated(Node n) { return IsType(n, "multipart", "related"); }
  static int Count(Node n) { return g_mime_multipart_get_count(GMIME_MULTIPART(n)); }
  static Node Child(Node n, int i) { return g_mime_multipart_get_part(GMIME_MULTIPART(n), i); }
  static bool IsHtml(Node n) { return IsType(n, "text", "html"); }
  static QByteArray LowerHtml(Node n) { return DecodedBytes(n).toLower(); }

  static bool IsBodyText(Node part) {
    return GMIME_IS_PART(part) &&
           IsBodyTextLeaf(MimeTypeOf(part), IsAttachmentDisposition(part), !DeclaredFileName(part).isEmpty());
  }

  static Node RelatedRoot(Node n) {
    GMimeMultipart* related = GMIME_MULTIPART(n);
    const char* start = g_mime_object_get_content_type_parameter(n, "start");
    if (start) {
      QByteArray id(start);
      if (id.startsWith('<') && id.endsWith('>')) id = id.mid(1, id.size() - 2);
      if (GMimeObject* byId = g_mime_multipart_get_subpart_from_content_id(related, id.constData())) return byId;
    }
    return g_mime_multipart_get_count(related) > 0 ? g_mime_multipart_get_part(related, 0) : nullptr;
  }

  static bool IsReferenced(Node part, const QByteArray& lowerHtml) {
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

TMimeLayout AnalyseLayout(GMimeObject* root) { return WalkLayout<TGMimeTree>(root); }

}  // namespace twkmaildir
