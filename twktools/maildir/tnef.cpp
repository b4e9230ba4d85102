#include "twktools/maildir/tnef.h"

#include <QDateTime>
#include <QSet>
#include <QTimeZone>

extern "C" {
#include <ytnef.h>
}

namespace twkmaildir {

namespace {

// The longest stream read: beyond it a message is not unpacked.
constexpr qsizetype kMaxTnefBytes = 256 * 1024 * 1024;

const variableLength* Property(MAPIProps* props, unsigned type, unsigned id) {
  const variableLength* v = MAPIFindProperty(props, PROP_TAG(type, id));
  return v == MAPI_UNDEFINED || !v || !v->data || v->size <= 0 ? nullptr : v;
}

// A string attribute or property: 8-bit text up to its first NUL.
QString Text8(const variableLength* v) {
  if (!v || !v->data || v->size <= 0) return {};
  const char* data = reinterpret_cast<const char*>(v->data);
  const qsizetype length = qstrnlen(data, size_t(v->size));
  const QByteArray bytes(data, length);
  // UTF-8 when it is valid, else the Windows code page TNEF writers use.
  const QString utf8 = QString::fromUtf8(bytes);
  return utf8.contains(QChar::ReplacementCharacter) ? QString::fromLatin1(bytes) : utf8;
}

QString Text16(const variableLength* v) {
  if (!v || !v->data || v->size < 2) return {};
  QString s = QString::fromUtf16(reinterpret_cast<const char16_t*>(v->data), v->size / 2);
  const qsizetype nul = s.indexOf(QChar(0));
  return nul >= 0 ? s.left(nul) : s;
}

std::int64_t UnixTime(const dtr& d) {
  const QDate date(d.wYear, d.wMonth, d.wDay);
  const QTime time(d.wHour, d.wMinute, d.wSecond);
  if (!date.isValid() || !time.isValid()) return 0;
  return QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
}

QString FileNameOf(Attachment* a) {
  if (const auto* v = Property(&a->MAPI, PT_UNICODE, PR_ATTACH_LONG_FILENAME)) return Text16(v);
  if (const auto* v = Property(&a->MAPI, PT_STRING8, PR_ATTACH_LONG_FILENAME)) return Text8(v);
  if (const QString t = Text8(&a->Title); !t.isEmpty()) return t;
  return Text8(&a->TransportFilename);
}

// The stream's structure holds from its signature to its last byte: every
// attribute's length fits and its checksum matches; attributes are of the
// message (level 1) or of an attachment (level 2) that an attachment's
// rendering attribute began; none comes twice for one object. The reader
// stops quietly at a cut and keeps (and leaks) what a stray or repeated
// attribute gives it, so such a stream is not handed to it.
bool SoundStream(const QByteArray& bytes) {
  constexpr quint32 kAttachRendData = 0x00069002u;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  const qsizetype size = bytes.size();
  auto dword = [&](qsizetype at) {
    return quint32(p[at]) | quint32(p[at + 1]) << 8 | quint32(p[at + 2]) << 16 | quint32(p[at + 3]) << 24;
  };
  if (size < 6 || dword(0) != 0x223E9F78u) return false;
  QSet<quint32> message, attachment;
  bool inAttachment = false;
  qsizetype at = 6;
  while (at < size) {
    if (size - at < 9) return false;
    const unsigned level = p[at];
    const quint32 id = dword(at + 1);
    const quint32 length = dword(at + 5);
    if (qsizetype(length) > size - at - 11) return false;
    quint32 sum = 0;
    for (qsizetype i = 0; i < qsizetype(length); ++i) sum += p[at + 9 + i];
    const qsizetype check = at + 9 + qsizetype(length);
    if ((sum & 0xFFFF) != (quint32(p[check]) | quint32(p[check + 1]) << 8)) return false;
    if (level == 2 && id == kAttachRendData) {
      inAttachment = true;
      attachment.clear();
    }
    if (level == 1) {
      if (message.contains(id)) return false;
      message.insert(id);
    } else if (level == 2 && inAttachment) {
      if (attachment.contains(id)) return false;
      attachment.insert(id);
    } else {
      return false;
    }
    at = check + 2;
  }
  return true;
}

}  // namespace

bool IsTnefPart(const QByteArray& mimeType, const QString& fileName) {
  return mimeType == "application/ms-tnef" || mimeType == "application/vnd.ms-tnef" ||
         fileName.compare(QLatin1String("winmail.dat"), Qt::CaseInsensitive) == 0;
}

std::optional<TTnefContent> ReadTnef(const QByteArray& bytes) {
  if (bytes.size() > kMaxTnefBytes || !SoundStream(bytes)) return std::nullopt;
  QByteArray copy = bytes;  // the reader takes a writable buffer
  TNEFStruct tnef;
  TNEFInitialize(&tnef);
  tnef.Debug = 0;
  struct TFree {
    TNEFStruct* T;
    ~TFree() { TNEFFree(T); }
  } free{&tnef};
  if (TNEFParseMemory(reinterpret_cast<BYTE*>(copy.data()), long(copy.size()), &tnef) < 0) return std::nullopt;
  TTnefContent content;
  if (const auto* v = Property(&tnef.MapiProperties, PT_UNICODE, PR_BODY))
    content.Body = Text16(v);
  else if (tnef.body.size > 0)
    content.Body = Text8(&tnef.body);
  else if (const auto* b = Property(&tnef.MapiProperties, PT_STRING8, PR_BODY))
    content.Body = Text8(b);
  for (Attachment* a = tnef.starting_attach.next; a; a = a->next) {
    // An item that is no file (an attached e-mail, an OLE object) cannot be
    // shown as one: the stream then stays whole, so nothing is lost.
    if (!a->FileData.data) return std::nullopt;
    TTnefFile file;
    file.Name = FileNameOf(a);
    file.Data = QByteArray(reinterpret_cast<const char*>(a->FileData.data), std::max(a->FileData.size, 0));
    file.Modified = UnixTime(a->ModifyDate);
    content.Files.push_back(std::move(file));
  }
  if (content.Files.empty() && content.Body.isEmpty()) return std::nullopt;
  return content;
}

}  // namespace twkmaildir
