// Placeholder masks against any mail: CheckMask and Execute either refuse a
// mask with EInvalidMask or give a clean relative path, one that never
// leaves the destination it is joined to.
//
// Input: NUL-separated fields: mask, subject, sender name, sender address,
// recipient name, recipient address, folder path, relative path, folder
// name, attachment name, own names (";"-separated), and 8 bytes of mail date.
#include "core/MailFields.h"
#include "core/ResolvePlaceholders.h"
#include "fuzz/FuzzSupport.h"

#include <cstring>

namespace {

void RequireClean(const QString& path, const QString& mask) {
  const QString detail = mask + QStringLiteral(" -> ") + path;
  if (path.isEmpty()) return;  // an empty mask: the destination itself
  twkfuzz::Require(!path.startsWith(QLatin1Char('\\')) && !path.endsWith(QLatin1Char('\\')),
                   "a resolved mask has no leading or trailing backslash", detail);
  for (const QString& segment : path.split(QLatin1Char('\\'))) {
    twkfuzz::Require(!segment.isEmpty(), "a resolved mask has no empty segment", detail);
    twkfuzz::Require(segment != u"." && segment != u"..", "a resolved mask never climbs out", detail);
    twkfuzz::Require(!segment.contains(QLatin1Char('/')) && !segment.contains(QChar(0)),
                     "a resolved mask holds no path separator of the file system", detail);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const QList<QByteArray> raw = twkfuzz::Bytes(data, size).split('\0');
  auto field = [&raw](int i) { return i < raw.size() ? QString::fromUtf8(raw[i]) : QString(); };
  const QString mask = field(0);
  TMailFields mail;
  mail.SetSubject(field(1));
  mail.SetSenderName(field(2));
  mail.SetSenderAddress(field(3));
  mail.AddRecipient(field(4), field(5));
  double date = 45000.25;
  if (raw.size() > 11 && raw[11].size() == sizeof date) std::memcpy(&date, raw[11].constData(), sizeof date);
  mail.SetMailDate(date);

  TResolvePlaceholders resolver;
  const bool plainOk = resolver.CheckMask(mask, false);
  const bool attOk = resolver.CheckMask(mask, true);
  twkfuzz::Require(!plainOk || attOk, "a mask valid without attachment placeholders is valid with them", mask);

  resolver.Prepare(QStringLiteral("user"), QStringLiteral("Outlook User"), 45000.5,
                   field(10).split(QLatin1Char(';'), Qt::SkipEmptyParts), field(6), field(7), field(8), mail);
  try {
    RequireClean(resolver.Execute(mask, QStringLiteral("bad")), mask);
  } catch (const EInvalidMask&) {
  }
  try {
    RequireClean(resolver.Execute(mask, QStringLiteral("bad"), field(9)), mask);
  } catch (const EInvalidMask&) {
  }
  return 0;
}
