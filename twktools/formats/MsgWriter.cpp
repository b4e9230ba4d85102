#include "twktools/formats/MsgWriter.h"

#include "twktools/formats/AnsiText.h"
#include "twktools/formats/Bytes.h"
#include "twktools/formats/CompoundFile.h"
#include "twktools/formats/DateValue.h"
#include "twktools/formats/MailView.h"
#include "twktools/formats/MsgProps.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <QRegularExpression>

namespace twkformats {

namespace {

constexpr int kMaxDepth = 32;  // embedded messages below this are left out
constexpr std::int64_t kSpillSize = 8 * 1024 * 1024;  // bigger attachments are copied in by pieces

// {00020D0B-0000-0000-C000-000000000046}, the class of a message storage.
const QByteArray& MessageClsid() {
  static const QByteArray id("\x0B\x0D\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  return id;
}

// Upper-case hexadecimal digits in the names; the rest of a name stays as it is.
QString Hex8(std::uint32_t v) { return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper(); }

struct TStrings {
  bool Unicode = true;
  TAnsiCodePage CodePage;
};

// One object's properties: fixed values in its property stream, the others
// as __substg1.0_ streams written at once.
class TPropertyBag {
public:
  TPropertyBag(TCompoundFileWriter& cf, int storage, const TStrings& strings)
      : FCf(cf), FStorage(storage), FStrings(strings) {}

  void Long(std::uint16_t id, std::uint32_t v) { Fixed(Tag(id, PT_LONG), v); }
  void Bool(std::uint16_t id, bool v) { Fixed(Tag(id, PT_BOOLEAN), v ? 1 : 0); }
  void Time(std::uint16_t id, TDateTimeValue v) {
    const std::uint64_t ft = FileTimeFromValue(v);
    if (ft) Fixed(Tag(id, PT_SYSTIME), ft);
  }
  void String(std::uint16_t id, const QString& v, bool evenEmpty = false) {
    if (v.isEmpty() && !evenEmpty) return;
    if (FStrings.Unicode) {
      QByteArray b(reinterpret_cast<const char*>(v.utf16()), v.size() * 2);
      Stream(Tag(id, PT_UNICODE), b, std::uint32_t(b.size() + 2));
    } else {
      const QByteArray b = ToAnsi(v, FStrings.CodePage);
      Stream(Tag(id, PT_STRING8), b, std::uint32_t(b.size() + 1));
    }
  }
  void Binary(std::uint16_t id, const QByteArray& v) { Stream(Tag(id, PT_BINARY), v, std::uint32_t(v.size())); }
  void BinaryFrom(std::uint16_t id, QIODevice* in, qint64 size) {
    Entry(Tag(id, PT_BINARY), std::uint32_t(std::min<qint64>(size, 0xFFFFFFFF)));
    FCf.AddStreamFrom(FStorage, SubStorageName(Tag(id, PT_BINARY)), in, size);
  }
  // An embedded message's storage; its entry says 0xFFFFFFFF for the size.
  int Object(std::uint16_t id) {
    Entry(Tag(id, PT_OBJECT), 0xFFFFFFFFu);
    return FCf.AddStorage(FStorage, SubStorageName(Tag(id, PT_OBJECT)), MessageClsid());
  }
  // header: the level's own header (32, 24 or 8 bytes).
  void Finish(const QByteArray& header) {
    FCf.AddStream(FStorage, QStringLiteral("__properties_version1.0"), header + FEntries);
  }

private:
  static std::uint32_t Tag(std::uint16_t id, std::uint16_t type) { return std::uint32_t(id) << 16 | type; }
  static QString SubStorageName(std::uint32_t tag) {
    return QStringLiteral("__substg1.0_") + Hex8(tag);
  }
  void Fixed(std::uint32_t tag, std::uint64_t value) {
    PutU32(FEntries, tag);
    PutU32(FEntries, kPropFlags);
    PutU64(FEntries, value);
  }
  void Entry(std::uint32_t tag, std::uint32_t size) {
    PutU32(FEntries, tag);
    PutU32(FEntries, kPropFlags);
    PutU32(FEntries, size);
    PutU32(FEntries, 0);
  }
  void Stream(std::uint32_t tag, const QByteArray& data, std::uint32_t size) {
    Entry(tag, size);
    FCf.AddStream(FStorage, SubStorageName(tag), data);
  }

  static constexpr std::uint32_t kPropFlags = 0x00000006;  // readable, writable
  TCompoundFileWriter& FCf;
  int FStorage;
  const TStrings& FStrings;
  QByteArray FEntries;
};

QByteArray Reserved(int n) { return QByteArray(n, '\0'); }

QByteArray MessageHeader(int recipients, int attachments, bool topLevel) {
  QByteArray h = Reserved(8);
  PutU32(h, std::uint32_t(recipients));   // next recipient ID
  PutU32(h, std::uint32_t(attachments));  // next attachment ID
  PutU32(h, std::uint32_t(recipients));
  PutU32(h, std::uint32_t(attachments));
  if (topLevel) h += Reserved(8);
  return h;
}

// "RE: Lunch" → "RE: " and "Lunch": a prefix is one to three letters and a colon.
void SplitSubject(const QString& subject, QString& prefix, QString& normalized) {
  static const QRegularExpression re(QStringLiteral("^(\\p{L}{1,3}):\\s*"));
  const QRegularExpressionMatch m = re.match(subject);
  prefix = m.hasMatch() ? m.captured(0) : QString();
  normalized = subject.mid(prefix.size());
}

// An 8.3 form of a long file name, for readers that want one.
QString ShortFileName(const QString& longName) {
  const QFileInfo fi(longName);
  auto clean = [](const QString& s, int max) {
    QString r;
    for (QChar c : s)
      if (r.size() < max && c.unicode() > 32 && c.unicode() < 127 && !QStringLiteral(".\"*+,/:;<=>?[\\]|").contains(c))
        r += c.toUpper();
    return r;
  };
  const QString base = clean(fi.completeBaseName(), 8), ext = clean(fi.suffix(), 3);
  QString r = base.isEmpty() ? QStringLiteral("ATTACH") : base;
  if (base != fi.completeBaseName().toUpper() || ext != fi.suffix().toUpper()) r = r.left(6) + QStringLiteral("~1");
  return ext.isEmpty() ? r : r + QLatin1Char('.') + ext;
}

class TMsgWriter {
public:
  TMsgWriter(TCompoundFileWriter& cf, const TStrings& strings, const QString& spillDir)
      : FCf(cf), FStrings(strings), FSpillDir(spillDir) {}

  void Message(IRDOMail* mail, int storage, bool topLevel, int depth) {
    TPropertyBag p(FCf, storage, FStrings);
    Envelope(mail, p);
    Bodies(mail, p);

    const QList<TAddress> recips = RecipientsOf(mail);
    for (int i = 0; i < recips.size(); ++i) Recipient(recips[i], i, storage);

    int written = 0;
    bool visible = false;
    if (mail->MessageClass().startsWith(QStringLiteral("IPM.Note.SMIME.MultipartSigned"), Qt::CaseInsensitive)) {
      // Outlook keeps a clear-signed message as one attachment holding the
      // whole signed MIME entity, so the signature can still be checked.
      SignedEntity(mail, storage);
      written = 1;
      visible = true;
    } else {
      TwkPtr<IRDOAttachments> atts = mail->Attachments();
      const int n = atts ? atts->Count() : 0;
      for (int i = 1; i <= n; ++i) {
        TwkPtr<IRDOAttachment> a = atts->Item(i);
        if (!a) continue;
        visible = visible || !a->Hidden();
        Attachment(a.get(), written++, storage, depth);
      }
    }
    const QVariant flags = mail->Fields(PR_MESSAGE_FLAGS);
    std::uint32_t f = flags.isValid() ? flags.toUInt()
                                      : (mail->UnRead() ? 0u : MSGFLAG_READ) | (mail->Sent() ? 0u : MSGFLAG_UNSENT);
    if (visible) f |= MSGFLAG_HASATTACH;
    p.Long(PROP_MESSAGE_FLAGS, f);
    p.Bool(PROP_HASATTACH, visible);
    if (topLevel) {
      const int nameid = FCf.AddStorage(storage, QStringLiteral("__nameid_version1.0"));
      // No named properties are written; the storage and its three streams
      // are there all the same, as readers expect them.
      for (const char* s : {"__substg1.0_00020102", "__substg1.0_00030102", "__substg1.0_00040102"})
        FCf.AddStream(nameid, QString::fromLatin1(s), QByteArray());
    }
    p.Finish(MessageHeader(int(recips.size()), written, topLevel));
  }

private:
  void Envelope(IRDOMail* mail, TPropertyBag& p) {
    p.String(PROP_MESSAGE_CLASS, mail->MessageClass().isEmpty() ? QStringLiteral("IPM.Note") : mail->MessageClass());
    const QString subject = mail->Subject();
    QString prefix, normalized;
    SplitSubject(subject, prefix, normalized);
    p.String(PROP_SUBJECT, subject, true);
    p.String(PROP_SUBJECT_PREFIX, prefix, true);
    p.String(PROP_NORMALIZED_SUBJECT, normalized, true);
    p.String(PROP_CONVERSATION_TOPIC, normalized, true);

    const TAddress sender = SenderOf(mail), rep = SentRepresentingOf(mail);
    Person(p, sender, PROP_SENDER_NAME, PROP_SENDER_EMAIL_ADDRESS, PROP_SENDER_ADDRTYPE, PROP_SENDER_SMTP_ADDRESS);
    Person(p, rep, PROP_SENT_REPRESENTING_NAME, PROP_SENT_REPRESENTING_EMAIL_ADDRESS,
           PROP_SENT_REPRESENTING_ADDRTYPE, PROP_SENT_REPRESENTING_SMTP_ADDRESS);

    QStringList to, cc, bcc;
    for (const TAddress& a : RecipientsOf(mail)) {
      const QString name = a.Name.isEmpty() ? a.Address : a.Name;
      (a.Type == olCC ? cc : a.Type == olBCC ? bcc : to) << name;
    }
    p.String(PROP_DISPLAY_TO, to.join(QStringLiteral("; ")), true);
    p.String(PROP_DISPLAY_CC, cc.join(QStringLiteral("; ")), true);
    p.String(PROP_DISPLAY_BCC, bcc.join(QStringLiteral("; ")), true);

    p.Time(PROP_CLIENT_SUBMIT_TIME, mail->SentOn());
    p.Time(PROP_MESSAGE_DELIVERY_TIME, mail->ReceivedTime());
    p.Time(PROP_CREATION_TIME, mail->CreationTime());
    p.Time(PROP_LAST_MODIFICATION_TIME, mail->LastModificationTime());

    p.String(PROP_INTERNET_MESSAGE_ID, mail->Fields(PR_INTERNET_MESSAGE_ID).toString());
    p.String(PROP_IN_REPLY_TO_ID, mail->Fields(PR_IN_REPLY_TO_ID).toString());
    p.String(PROP_INTERNET_REFERENCES, mail->Fields(PR_INTERNET_REFERENCES).toString());
    p.String(PROP_TRANSPORT_MESSAGE_HEADERS, mail->Fields(PR_TRANSPORT_MESSAGE_HEADERS).toString());
    const QVariant importance = mail->Fields(PR_IMPORTANCE);
    p.Long(PROP_IMPORTANCE, importance.isValid() ? importance.toUInt() : 1u);

    const std::uint32_t mask = STORE_SUPPORT_BASE | (FStrings.Unicode ? STORE_UNICODE_OK : 0u);
    p.Long(PROP_STORE_SUPPORT_MASK, mask);
    const std::uint32_t cpid = FStrings.Unicode ? 65001u : std::uint32_t(FStrings.CodePage.Number);
    p.Long(PROP_INTERNET_CPID, cpid);
    p.Long(PROP_MESSAGE_CODEPAGE, cpid);
  }

  void Person(TPropertyBag& p, const TAddress& a, std::uint16_t name, std::uint16_t email, std::uint16_t type,
              std::uint16_t smtp) {
    p.String(name, a.Name.isEmpty() ? a.Address : a.Name);
    p.String(email, a.Address);
    if (!a.Address.isEmpty()) p.String(type, QStringLiteral("SMTP"));
    p.String(smtp, a.Address);
  }

  void Bodies(IRDOMail* mail, TPropertyBag& p) {
    p.String(PROP_BODY, PlainTextOf(mail));
    const QString html = mail->HTMLBody();
    if (html.isEmpty()) return;
    // The HTML is kept in the code page that PR_INTERNET_CPID names; in an
    // ANSI file characters outside it become character references.
    p.Binary(PROP_HTML, FStrings.Unicode ? html.toUtf8() : ToAnsi(html, FStrings.CodePage, true));
  }

  void Recipient(const TAddress& a, int index, int parent) {
    const int s = FCf.AddStorage(parent, QStringLiteral("__recip_version1.0_#") + Hex8(std::uint32_t(index)));
    TPropertyBag p(FCf, s, FStrings);
    const QString name = a.Name.isEmpty() ? a.Address : a.Name;
    p.Long(PROP_ROWID, std::uint32_t(index));
    p.Long(PROP_RECIPIENT_TYPE, std::uint32_t(a.Type));
    p.Long(PROP_OBJECT_TYPE, MAPI_MAILUSER);
    p.Long(PROP_DISPLAY_TYPE, 0);  // DT_MAILUSER
    p.String(PROP_DISPLAY_NAME, name, true);
    p.String(PROP_TRANSMITABLE_DISPLAY_NAME, name);
    p.String(PROP_RECIPIENT_DISPLAY_NAME, name);
    p.String(PROP_EMAIL_ADDRESS, a.Address);
    if (!a.Address.isEmpty()) p.String(PROP_ADDRTYPE, QStringLiteral("SMTP"));
    p.String(PROP_SMTP_ADDRESS, a.Address);
    p.Finish(Reserved(8));
  }

  void SignedEntity(IRDOMail* mail, int parent) {
    const int s = FCf.AddStorage(parent, QStringLiteral("__attach_version1.0_#") + Hex8(0));
    TPropertyBag p(FCf, s, FStrings);
    const QString name = QStringLiteral("smime.p7m");
    p.Long(PROP_ATTACH_NUM, 0);
    p.Long(PROP_OBJECT_TYPE, MAPI_ATTACH);
    p.Long(PROP_RENDERING_POSITION, 0xFFFFFFFFu);
    p.Long(PROP_ATTACH_METHOD, ATTACH_BY_VALUE);
    p.String(PROP_DISPLAY_NAME, name);
    p.String(PROP_ATTACH_FILENAME, name);
    p.String(PROP_ATTACH_LONG_FILENAME, name);
    p.String(PROP_ATTACH_EXTENSION, QStringLiteral(".p7m"));
    p.String(PROP_ATTACH_MIME_TAG, QStringLiteral("multipart/signed"));
    const QByteArray data = mail->MimeContent();
    p.Long(PROP_ATTACH_SIZE, std::uint32_t(data.size()));
    p.Binary(PROP_ATTACH_DATA, data);
    p.Finish(Reserved(8));
  }

  void Attachment(IRDOAttachment* a, int index, int parent, int depth) {
    const int s = FCf.AddStorage(parent, QStringLiteral("__attach_version1.0_#") + Hex8(std::uint32_t(index)));
    TPropertyBag p(FCf, s, FStrings);
    p.Long(PROP_ATTACH_NUM, std::uint32_t(index));
    p.Long(PROP_OBJECT_TYPE, MAPI_ATTACH);
    p.Long(PROP_RENDERING_POSITION, 0xFFFFFFFFu);
    p.Bool(PROP_ATTACHMENT_HIDDEN, a->Hidden());
    const QString name = AttachmentName(a);
    p.String(PROP_DISPLAY_NAME, a->DisplayName().isEmpty() ? name : a->DisplayName());
    p.String(PROP_ATTACH_CONTENT_ID, a->ContentID());
    TwkPtr<IRDOMail> embedded =
        a->Type() == olEmbeddeditem && depth < kMaxDepth ? a->EmbeddedMsg() : TwkPtr<IRDOMail>();
    if (embedded) {
      p.Long(PROP_ATTACH_METHOD, ATTACH_EMBEDDED_MSG);
      p.Long(PROP_ATTACH_SIZE, std::uint32_t(std::min<std::int64_t>(a->Size(), 0x7FFFFFFF)));
      Message(embedded.get(), p.Object(PROP_ATTACH_DATA), false, depth + 1);
    } else {
      p.Long(PROP_ATTACH_METHOD, ATTACH_BY_VALUE);
      p.String(PROP_ATTACH_FILENAME, ShortFileName(name));
      p.String(PROP_ATTACH_LONG_FILENAME, name);
      const QString suffix = QFileInfo(name).suffix();
      if (!suffix.isEmpty()) p.String(PROP_ATTACH_EXTENSION, QLatin1Char('.') + suffix);
      p.String(PROP_ATTACH_MIME_TAG, a->MimeType());
      if (a->Size() > kSpillSize) return Spilled(a, p);
      QByteArray data = a->Data();
      p.Long(PROP_ATTACH_SIZE, std::uint32_t(data.size()));
      p.Binary(PROP_ATTACH_DATA, data);  // written to the file here; then let go
    }
    p.Finish(Reserved(8));
  }

  // A big attachment passes through a hidden file, never whole in memory.
  void Spilled(IRDOAttachment* a, TPropertyBag& p) {
    static std::atomic<unsigned> counter{0};
    const QString spill =
        FSpillDir + QStringLiteral("/.twk-att-%1-%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    QFile in(spill);
    try {
      a->SaveAsFile(spill);
      if (!in.open(QIODevice::ReadOnly))
        throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot read \"%1\": %2").arg(spill, in.errorString()));
    } catch (...) {
      QFile::remove(spill);
      throw;
    }
    QFile::remove(spill);  // the open file stays readable
    p.Long(PROP_ATTACH_SIZE, std::uint32_t(std::min<qint64>(in.size(), 0x7FFFFFFF)));
    p.BinaryFrom(PROP_ATTACH_DATA, &in, in.size());
    p.Finish(Reserved(8));
  }

  TCompoundFileWriter& FCf;
  const TStrings& FStrings;
  QString FSpillDir;
};

}  // namespace

void WriteMsgFile(IRDOMail* mail, QIODevice* out, bool unicode, const QString& spillDir) {
  TStrings strings;
  strings.Unicode = unicode;
  if (!unicode) strings.CodePage = AnsiCodePage();
  TCompoundFileWriter cf(out);
  cf.SetRootClsid(MessageClsid());
  TMsgWriter(cf, strings, spillDir).Message(mail, TCompoundFileWriter::RootId, true, 0);
  cf.Finish();
}

}  // namespace twkformats
