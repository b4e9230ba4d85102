#include "twktools/maildir/mimeclass.h"

#include "twktools/maildir/mimesupport.h"

#include <QList>

namespace twkmaildir {

namespace {

const QString kNote = QStringLiteral("IPM.Note");

// Unfolded upper-case lines of a calendar or a status report.
QList<QByteArray> UnfoldedLines(GMimeObject* part) {
  QByteArray text = DecodedBytes(part);
  text.replace("\r\n", "\n");
  text.replace("\n ", "").replace("\n\t", "");
  return text.toUpper().split('\n');
}

QString MeetingClass(GMimeObject* calendar) {
  QByteArray method = QByteArray(g_mime_object_get_content_type_parameter(calendar, "method")).toUpper();
  const QList<QByteArray> lines = UnfoldedLines(calendar);
  if (method.isEmpty())
    for (const QByteArray& line : lines)
      if (line.startsWith("METHOD:")) {
        method = line.mid(7).trimmed();
        break;
      }
  if (method == "REQUEST") return QStringLiteral("IPM.Schedule.Meeting.Request");
  if (method == "CANCEL") return QStringLiteral("IPM.Schedule.Meeting.Canceled");
  if (method != "REPLY") return {};
  for (const QByteArray& line : lines) {
    if (!line.startsWith("ATTENDEE")) continue;
    if (line.contains("PARTSTAT=ACCEPTED")) return QStringLiteral("IPM.Schedule.Meeting.Resp.Pos");
    if (line.contains("PARTSTAT=DECLINED")) return QStringLiteral("IPM.Schedule.Meeting.Resp.Neg");
    if (line.contains("PARTSTAT=TENTATIVE")) return QStringLiteral("IPM.Schedule.Meeting.Resp.Tent");
  }
  return {};
}

GMimeObject* ChildOfType(GMimeObject* multipart, const char* type, const char* subtype) {
  const int count = g_mime_multipart_get_count(GMIME_MULTIPART(multipart));
  for (int i = 0; i < count; ++i) {
    GMimeObject* part = g_mime_multipart_get_part(GMIME_MULTIPART(multipart), i);
    if (IsType(part, type, subtype)) return part;
  }
  return nullptr;
}

QString ReportClass(GMimeObject* report) {
  const QByteArray reportType =
      QByteArray(g_mime_object_get_content_type_parameter(report, "report-type")).toLower();
  if (reportType == "disposition-notification") return QStringLiteral("REPORT.IPM.Note.IPNRN");
  if (reportType != "delivery-status") return kNote;
  GMimeObject* status = ChildOfType(report, "message", "delivery-status");
  if (!status) status = ChildOfType(report, "message", "global-delivery-status");
  bool delivered = false;
  if (status)
    for (const QByteArray& line : UnfoldedLines(status)) {
      if (!line.startsWith("ACTION:")) continue;
      const QByteArray action = line.mid(7).trimmed();
      if (action == "FAILED") return QStringLiteral("REPORT.IPM.Note.NDR");
      if (action == "DELIVERED" || action == "RELAYED" || action == "EXPANDED") delivered = true;
    }
  // A status report that names no successful delivery is read as a failure.
  return delivered ? QStringLiteral("REPORT.IPM.Note.DR") : QStringLiteral("REPORT.IPM.Note.NDR");
}

}  // namespace

QString MessageClassFromRootType(GMimeObject* root) {
  return MessageClassFromRootType(root ? g_mime_object_get_content_type(root) : nullptr);
}

QString MessageClassFromRootType(GMimeContentType* root) {
  if (IsType(root, "multipart", "signed")) return QStringLiteral("IPM.Note.SMIME.MultipartSigned");
  if (IsType(root, "multipart", "encrypted") || IsType(root, "application", "pkcs7-mime") ||
      IsType(root, "application", "x-pkcs7-mime"))
    return QStringLiteral("IPM.Note.SMIME");
  if (IsType(root, "multipart", "*") || IsType(root, "text", "calendar")) return {};
  return kNote;
}

QString MessageClassOf(GMimeObject* root, const TMimeLayout& layout) {
  const QString quick = MessageClassFromRootType(root);
  if (!quick.isEmpty()) return quick;
  if (IsType(root, "multipart", "report")) return ReportClass(root);
  for (GMimeObject* part : layout.Body)
    if (IsType(part, "text", "calendar")) {
      const QString meeting = MeetingClass(part);
      if (!meeting.isEmpty()) return meeting;
    }
  return kNote;
}

}  // namespace twkmaildir
