#include "twktools/maildir/message.h"

#include "twktools/formats/FileWrite.h"
#include "twktools/formats/SaveAs.h"
#include "twktools/maildir/decrypt.h"

#include "twktools/maildir/attachment.h"
#include "twktools/maildir/bodytext.h"
#include "twktools/maildir/containers.h"
#include "twktools/maildir/copy.h"
#include "twktools/maildir/datevalue.h"
#include "twktools/maildir/mimeclass.h"
#include "twktools/maildir/recipient.h"
#include "twktools/maildir/save.h"
#include "twktools/session/StoreBackend.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace twkmaildir {

namespace {

// The header block's reading unit; a longer block is read on until its end.
constexpr qsizetype kHeadChunk = 128 * 1024;
// A bigger file gets no light reading (which needs all of it in memory):
// GMime parses it from the file, holding only the structure.
constexpr qint64 kLightMaxSize = 8 * 1024 * 1024;

// The offset just past the blank line that ends the header block, from
// `from` on; -1 when the bytes hold none.
qsizetype BlankLineEnd(const guint8* data, qsizetype length, qsizetype from) {
  for (qsizetype i = std::max<qsizetype>(from, 0); i < length; ++i) {
    if (data[i] != '\n') continue;
    if (i + 1 < length && data[i + 1] == '\n') return i + 2;
    if (i + 2 < length && data[i + 1] == '\r' && data[i + 2] == '\n') return i + 3;
  }
  return length > 0 && data[0] == '\n' ? 1 : -1;
}

GByteArray* ArrayOf(GMimeStream* stream) { return g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream)); }

TGPtr<GMimeStream> MemStream(const QByteArray& bytes) {
  return TGPtr<GMimeStream>(g_mime_stream_mem_new_with_buffer(bytes.constData(), size_t(bytes.size())));
}

int CodePageOf(const char* charset) {
  if (!charset) return 65001;
  const QByteArray c = QByteArray(charset).toLower();
  static const QList<QPair<QByteArray, int>> table = {
      {"utf-8", 65001},      {"us-ascii", 20127},     {"iso-8859-1", 28591}, {"iso-8859-2", 28592},
      {"iso-8859-15", 28605}, {"windows-1250", 1250}, {"windows-1251", 1251}, {"windows-1252", 1252},
      {"koi8-r", 20866},     {"iso-2022-jp", 50220},  {"shift_jis", 932},    {"euc-jp", 51932},
      {"gb2312", 936},       {"gbk", 936},            {"big5", 950},         {"euc-kr", 949},
      {"utf-16", 1200}};
  for (const auto& [name, page] : table)
    if (c == name) return page;
  return 65001;
}

}  // namespace

TwkPtr<IRDOMail> TMessage::OpenStored(MailFolder* folder, const QString& filePath) {
  EnsureMimeInit();
  auto* m = new TMessage;
  m->FFolder = TwkPtr<MailFolder>(folder);
  m->FPath = filePath;
  return TwkPtr<IRDOMail>::Adopt(m);
}

TwkPtr<IRDOMail> TMessage::OpenLoose(const QByteArray& mime, const QString& originPath, int depth) {
  EnsureMimeInit();
  auto* m = new TMessage;
  m->FOrigin = originPath;
  m->FDepth = depth;
  m->ReplaceSource(mime);
  return TwkPtr<IRDOMail>::Adopt(m);
}

void TMessage::ReplaceSource(const QByteArray& bytes) {
  FSource = MemStream(bytes);
  FWhole = true;
  GByteArray* a = ArrayOf(FSource.get());
  const qsizetype end = BlankLineEnd(a->data, qsizetype(a->len), 0);
  FHeaderEnd = end < 0 ? gint64(a->len) : gint64(end);
}

void TMessage::LoadHead() {
  if (!FSource) OnFile([&] { ReadHead(); });
}

bool TMessage::FollowRename(int attempt) {
  struct stat st {};
  if (FPath.isEmpty() || !FFolder || ::stat(QFile::encodeName(FPath).constData(), &st) == 0) return false;
  const QString now = attempt < 8 ? FFolder->MessageFile(SplitMaildirFileName(FileName()).Unique) : QString();
  if (now.isEmpty() || now == FPath)
    throw EComError(MAPI_E_OBJECT_DELETED,
                    QStringLiteral("The e-mail is no longer in the folder: another program moved or deleted \"%1\"")
                        .arg(FPath));
  FPath = now;
  FStatDone = false;
  return true;
}

void TMessage::ReadHead() {
  const QByteArray native = QFile::encodeName(FPath);
  const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) RaiseFileError(QStringLiteral("read the message file"), FPath, errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    RaiseFileError(QStringLiteral("read the message file"), FPath, error);
  }
  FMTime = st.st_mtim.tv_sec;
  FMTimeMSec = int(st.st_mtim.tv_nsec / 1000000);
  FStatDone = true;
  const qsizetype size = qsizetype(st.st_size);
  FFileSize = qint64(size);
  GByteArray* array = g_byte_array_sized_new(guint(std::min(size, kHeadChunk)));
  qsizetype end = -1;
  bool eof = false;
  while (end < 0 && !eof) {
    const qsizetype before = qsizetype(array->len);
    const qsizetype want = before < size ? std::min(kHeadChunk, size - before) : kHeadChunk;
    g_byte_array_set_size(array, guint(before + want));
    const ssize_t n = ::read(fd, array->data + before, size_t(want));
    if (n < 0 && errno == EINTR) {
      g_byte_array_set_size(array, guint(before));
      continue;
    }
    if (n < 0) {
      const int error = errno;
      g_byte_array_free(array, TRUE);
      ::close(fd);
      RaiseFileError(QStringLiteral("read the message file"), FPath, error);
    }
    g_byte_array_set_size(array, guint(before + n));
    eof = n == 0 || before + n >= size;
    end = BlankLineEnd(array->data, qsizetype(array->len), before - 2);
  }
  ::close(fd);
  FWhole = eof && qsizetype(array->len) >= size;
  FHeaderEnd = end < 0 ? gint64(array->len) : gint64(end);
  FSource = TGPtr<GMimeStream>(g_mime_stream_mem_new_with_byte_array(array));
}

GMimeMessage* TMessage::Headers() {
  if (FFull) return FFull.get();
  if (FHeadOnly) return FHeadOnly.get();
  LoadHead();
  // A file read whole is parsed whole at once: one parse instead of two.
  if (FWhole) return Full();
  TGPtr<GMimeStream> head(g_mime_stream_substream(FSource.get(), 0, FHeaderEnd));
  gint64 headersEnd = -1;
  FHeadOnly = ParseMessage(head.get(), &headersEnd);
  HeadersEndFound(headersEnd);
  return FHeadOnly.get();
}

GMimeMessage* TMessage::Full() {
  if (FFull) return FFull.get();
  LoadHead();
  gint64 headersEnd = -1;
  if (FWhole) {
    g_mime_stream_reset(FSource.get());
    FFull = ParseMessage(FSource.get(), &headersEnd);
  } else {
    TGPtr<GMimeStream> file = OnFile([&] {
      GError* error = nullptr;
      TGPtr<GMimeStream> opened(g_mime_stream_fs_open(QFile::encodeName(FPath).constData(), O_RDONLY, 0, &error));
      if (!opened) {
        const int code = error ? error->code : EIO;
        if (error) g_error_free(error);
        RaiseFileError(QStringLiteral("read the message file"), FPath, code);
      }
      return opened;
    });
    FFull = ParseMessage(file.get(), &headersEnd);
  }
  HeadersEndFound(headersEnd);
  FHeadOnly.reset();
  if (FLight) {
    // Attachments handed out by the light reader name their parts by this order.
    for (const TAttachmentPart& a : Layout().Attachments) FInitialParts.push_back(TGPtr<GMimeObject>::Ref(a.Part));
    FLight.reset();
  }
  return FFull.get();
}

// Transport headers end where GMime found the header block to end, however
// much of the file was read (a file without headers has none).
void TMessage::HeadersEndFound(gint64 headersEnd) {
  if (!FChanged && headersEnd >= 0 && headersEnd <= FHeaderEnd) FHeaderEnd = headersEnd;
}

const TLightMessage* TMessage::Light() {
  if (FFull || FChanged) return nullptr;
  if (!FLightTried) {
    FLightTried = true;
    LoadHead();
    if (FWhole) {
      GByteArray* a = ArrayOf(FSource.get());
      FLight = ReadLight(reinterpret_cast<const char*>(a->data), qsizetype(a->len));
    } else if (FFileSize <= kLightMaxSize) {
      // The structure needs every byte; a bigger file is read once for it and let go.
      const QByteArray whole = OnFile([&] { return ReadMessageFile(FPath); });
      FLight = ReadLight(whole.constData(), whole.size());
      if (FLight && FLight->HeadersEnd > FHeaderEnd) FLight.reset();  // the file changed meanwhile
    }
  }
  return FLight ? &*FLight : nullptr;
}

GMimeObject* TMessage::InitialAttachmentPart(int index) {
  Full();
  if (index < 0 || size_t(index) >= FInitialParts.size())
    throw EComError(MAPI_E_NOT_FOUND, QStringLiteral("The attachment was already deleted"));
  return FInitialParts[size_t(index)].get();
}

const TMimeLayout& TMessage::Layout() {
  if (!FLayout) {
    FLayout = AnalyseLayout(g_mime_message_get_mime_part(Full()));
    FDerived.clear();
    UnpackContainers(*FLayout, FDerived);
  }
  return *FLayout;
}

void TMessage::Changed() {
  FChanged = true;
  FLayout.reset();
}

QString TMessage::FileName() const { return QFileInfo(FPath).fileName(); }

QString TMessage::EntryID() {
  if (!FFolder) return {};
  return FFolder->MessageEntryID(SplitMaildirFileName(FileName()).Unique);
}

QString TMessage::StoreID() { return FFolder ? FFolder->StoreID() : QString(); }

TwkPtr<IRDOFolder> TMessage::Parent() { return TwkPtr<IRDOFolder>(FFolder.get()); }

QString TMessage::MessageClass() {
  if (!FClass) {
    if (const TLightMessage* light = Light()) return *(FClass = light->Class);
    if (!FFull) {
      const QString quick = MessageClassFromRootType(g_mime_message_get_mime_part(Headers()));
      if (!quick.isEmpty()) return *(FClass = quick);
    }
    FClass = MessageClassOf(g_mime_message_get_mime_part(Full()), Layout());
  }
  return *FClass;
}

QString TMessage::Subject() {
  if (!FSubject) {
    const TLightMessage* light = Light();
    FSubject = light ? light->Subject : FromUtf8(g_mime_message_get_subject(Headers()));
  }
  return *FSubject;
}

void TMessage::SetSubject(const QString& subject) {
  g_mime_message_set_subject(Full(), subject.toUtf8().constData(), "utf-8");
  FSubject = subject;
  Changed();
}

bool TMessage::Sent() { return FPath.isEmpty() || !MaildirFlags(FileName()).contains(QLatin1Char('D')); }

bool TMessage::UnRead() { return !FPath.isEmpty() && !MaildirFlags(FileName()).contains(QLatin1Char('S')); }

std::vector<TAddress> TMessage::SenderList() {
  if (const TLightMessage* light = Light()) return light->Sender;
  return ExpandAddressList(g_mime_message_get_sender(Headers()));
}

std::vector<TAddress> TMessage::FromList() {
  if (const TLightMessage* light = Light()) return light->From;
  return ExpandAddressList(g_mime_message_get_from(Headers()));
}

TwkPtr<IRDOAddressEntry> TMessage::Sender() {
  const std::vector<TAddress> sender = SenderList();
  if (!sender.empty()) return NewAddressEntry(sender.front());
  return SentOnBehalfOf();
}

TwkPtr<IRDOAddressEntry> TMessage::SentOnBehalfOf() {
  const std::vector<TAddress> from = FromList();
  if (!from.empty()) return NewAddressEntry(from.front());
  return {};
}

TDateTimeValue TMessage::SentOn() {
  if (const TLightMessage* light = Light()) return light->Date;
  return DateValueFromGDateTime(g_mime_message_get_date(Headers()));
}

TDateTimeValue TMessage::ReceivedTime() {
  std::optional<std::int64_t> newest;
  if (const TLightMessage* light = Light()) {
    newest = light->NewestReceived;
  } else {
    GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(Headers()));
    const int count = g_mime_header_list_get_count(headers);
    for (int i = 0; i < count; ++i) {
      GMimeHeader* h = g_mime_header_list_get_header_at(headers, i);
      if (g_ascii_strcasecmp(g_mime_header_get_name(h), "Received") != 0) continue;
      if (const auto t = ReceivedDateOf(g_mime_header_get_raw_value(h)); t && (!newest || *t > *newest)) newest = t;
    }
  }
  return newest ? DateValueFromUnix(*newest) : DeliveryTime();
}

void TMessage::StatFile() {
  if (FStatDone) return;
  const QString path = FPath.isEmpty() ? FOrigin : FPath;
  struct stat st {};
  if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) return;
  FMTime = st.st_mtim.tv_sec;
  FMTimeMSec = int(st.st_mtim.tv_nsec / 1000000);
  FStatDone = true;
}

TDateTimeValue TMessage::DeliveryTime() {
  if (FPath.isEmpty()) return 0;
  const std::int64_t seconds = DeliverySecondsOf(SplitMaildirFileName(FileName()).Unique);
  if (seconds > 0) return DateValueFromUnix(seconds);
  return LastModificationTime();
}

TDateTimeValue TMessage::LastModificationTime() {
  StatFile();
  return FStatDone ? DateValueFromUnix(FMTime, FMTimeMSec) : 0;
}

TDateTimeValue TMessage::CreationTime() { return DeliveryTime(); }

std::optional<QString> TMessage::HeaderValue(const char* name) {
  const char* value = g_mime_object_get_header(GMIME_OBJECT(Headers()), name);
  if (!value) return std::nullopt;
  return QString::fromUtf8(value).trimmed();
}

QVariant TMessage::Fields(std::uint32_t propTag) {
  switch (propTag) {
    case PR_TRANSPORT_MESSAGE_HEADERS: {
      // Only a delivered message has transport headers; a draft has none.
      if (!Sent()) return {};
      if (FChanged) {
        char* text = g_mime_object_get_headers(GMIME_OBJECT(Full()), WriteOptions());
        QString result = From8Bit(text, qsizetype(std::strlen(text)));
        g_free(text);
        return result;
      }
      const TLightMessage* light = Light();
      if (!light) Headers();
      const gint64 end = light ? gint64(light->HeadersEnd) : FHeaderEnd;
      GByteArray* a = ArrayOf(FSource.get());
      return From8Bit(reinterpret_cast<const char*>(a->data), qsizetype(std::min<gint64>(end, a->len)));
    }
    case PR_INTERNET_MESSAGE_ID:
      if (auto v = HeaderValue("Message-ID")) return *v;
      return {};
    case PR_IN_REPLY_TO_ID:
      if (auto v = HeaderValue("In-Reply-To")) return *v;
      return {};
    case PR_INTERNET_REFERENCES:
      if (auto v = HeaderValue("References")) return v->simplified();
      return {};
    case PR_MESSAGE_FLAGS: {
      int flags = 0;
      if (!UnRead()) flags |= 1;
      if (!Sent()) flags |= 8;
      if (const TLightMessage* light = Light()) {
        for (const TLightAttachment& a : light->Attachments)
          if (!a.Hidden) flags |= 16;
      } else {
        for (const TAttachmentPart& a : Layout().Attachments)
          if (!a.Hidden) flags |= 16;
      }
      return flags;
    }
    case PR_IMPORTANCE: {
      const QString importance = HeaderValue("Importance").value_or(QString()).toLower();
      if (importance == QLatin1String("high")) return 2;
      if (importance == QLatin1String("low")) return 0;
      const QString priority = HeaderValue("X-Priority").value_or(QString());
      if (priority.startsWith(QLatin1Char('1')) || priority.startsWith(QLatin1Char('2'))) return 2;
      if (priority.startsWith(QLatin1Char('4')) || priority.startsWith(QLatin1Char('5'))) return 0;
      return 1;
    }
    case PR_MESSAGE_SIZE: {
      // A stored message unchanged is its file: the size without reading it.
      if (!FChanged && !FPath.isEmpty()) {
        const QFileInfo info(FPath);
        if (info.exists()) return qint64(info.size());
      }
      return qint64(MimeContent().size());
    }
    case PR_INTERNET_CPID: {
      for (GMimeObject* part : Layout().Body)
        if (GMIME_IS_TEXT_PART(part)) return CodePageOf(g_mime_text_part_get_charset(GMIME_TEXT_PART(part)));
      return 65001;
    }
    default:
      return {};
  }
}

TwkPtr<IRDORecipients> TMessage::Recipients() {
  if (const TLightMessage* light = Light()) return NewRecipients(light->Recipients);
  return NewRecipients(RecipientsOf(Headers()));
}

TwkPtr<IRDOAttachments> TMessage::Attachments() { return NewAttachments(TwkPtr<TMessage>(this)); }

QString TMessage::Body() { return ComposedPlainBody(g_mime_message_get_mime_part(Full()), Layout()); }

QString TMessage::HTMLBody() { return ComposedHtmlBody(g_mime_message_get_mime_part(Full()), Layout()); }

int TMessage::IndexOfAttachment(GMimeObject* part) {
  const auto& parts = Layout().Attachments;
  for (size_t i = 0; i < parts.size(); ++i)
    if (parts[i].Part == part) return int(i);
  return -1;
}

void TMessage::DeleteAttachment(GMimeObject* part) {
  const int index = IndexOfAttachment(part);
  if (index < 0) throw EComError(MAPI_E_NOT_FOUND, QStringLiteral("The attachment was already deleted"));
  if (Layout().Attachments[size_t(index)].Container)
    throw EComError(MAPI_E_NO_SUPPORT,
                    QStringLiteral("The attachment \"%1\" is carried inside another part of the e-mail and cannot "
                                   "be removed on its own")
                        .arg(DeclaredFileName(part)));
  GMimeObject* parent = Layout().Attachments[size_t(index)].Parent;
  if (parent && GMIME_IS_MULTIPART(parent)) {
    g_mime_multipart_remove(GMIME_MULTIPART(parent), part);
  } else {
    // The attachment was the whole message: an empty text takes its place.
    TGPtr<GMimePart> empty(g_mime_part_new_with_type("text", "plain"));
    g_mime_message_set_mime_part(Full(), GMIME_OBJECT(empty.get()));
  }
  Changed();
}

GMimeObject* TMessage::AddFileAttachment(const QString& sourcePath, const QString& displayName) {
  QFile source(sourcePath);
  if (!source.open(QIODevice::ReadOnly))
    throw EComError(MAPI_E_NOT_FOUND, QStringLiteral("Cannot read the attachment source file \"%1\": %2")
                                          .arg(sourcePath, source.errorString()));
  const QByteArray content = source.readAll();
  const QString name = displayName.isEmpty() ? QFileInfo(sourcePath).fileName() : displayName;
  const QByteArray mimeType =
      QMimeDatabase().mimeTypeForFile(sourcePath, QMimeDatabase::MatchExtension).name().toLatin1();
  const qsizetype slash = mimeType.indexOf('/');
  TGPtr<GMimePart> part(slash > 0 ? g_mime_part_new_with_type(mimeType.left(slash).constData(),
                                                               mimeType.mid(slash + 1).constData())
                                  : g_mime_part_new_with_type("application", "octet-stream"));
  g_mime_object_set_disposition(GMIME_OBJECT(part.get()), "attachment");
  g_mime_part_set_filename(part.get(), name.toUtf8().constData());
  TGPtr<GMimeStream> stream = MemStream(content);
  TGPtr<GMimeDataWrapper> wrapper(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part.get(), wrapper.get());
  g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);

  GMimeMessage* message = Full();
  GMimeObject* root = g_mime_message_get_mime_part(message);
  if (root && IsType(root, "multipart", "mixed")) {
    g_mime_multipart_add(GMIME_MULTIPART(root), GMIME_OBJECT(part.get()));
  } else {
    TGPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
    if (root) g_mime_multipart_add(mixed.get(), root);
    g_mime_multipart_add(mixed.get(), GMIME_OBJECT(part.get()));
    g_mime_message_set_mime_part(message, GMIME_OBJECT(mixed.get()));
  }
  Changed();
  return GMIME_OBJECT(part.get());
}

QByteArray TMessage::MimeContent() {
  if (FChanged) return SerializeMessage(Full());
  LoadHead();
  if (!FWhole) return OnFile([&] { return ReadMessageFile(FPath); });
  GByteArray* a = ArrayOf(FSource.get());
  return QByteArray(reinterpret_cast<const char*>(a->data), qsizetype(a->len));
}

void TMessage::Save() {
  if (!FChanged) return;
  const QByteArray bytes = SerializeMessage(Full());
  if (!FPath.isEmpty()) {
    const QString newPath = OnFile([&] { return ReplaceMessageFile(FPath, bytes); });
    const QString oldPath = FPath;
    FPath = newPath;
    FStatDone = false;
    if (FFolder) {
      FFolder->MessageRemoved(oldPath);
      FFolder->MessageAdded(FPath);
    }
  } else if (!FOrigin.isEmpty()) {
    const QString what = QStringLiteral("write the message file");
    twkformats::WriteFile(FOrigin, twkformats::TWriteRule::Durable, what,
                          [&](QFile& file) { twkformats::WriteAllTo(file, bytes.constData(), bytes.size(), what, FOrigin); });
    FStatDone = false;
  }
  ReplaceSource(bytes);
  FChanged = false;
}

void TMessage::SaveAs(const QString& path, int format) {
  if (format != olRFC822) return twkformats::SaveMessageAs(this, path, format);
  // Streamed: a big message is never held whole.
  twkformats::WriteFile(path, twkformats::TWriteRule::Plain, QStringLiteral("write"),
                        [&](QFile& file) { WriteMimeTo(file, path); });
}

void TMessage::WriteMimeTo(QFile& file, const QString& path) {
  const QString what = QStringLiteral("write");
  if (!FChanged) {
    LoadHead();
    if (!FWhole) return OnFile([&] { twkformats::CopyFileInto(file, FPath, what, path); });
    GByteArray* a = ArrayOf(FSource.get());
    return twkformats::WriteAllTo(file, reinterpret_cast<const char*>(a->data), qint64(a->len), what, path);
  }
  WriteGMimeTo(file, what, path, [&](GMimeStream* stream) {
    return g_mime_object_write_to_stream(GMIME_OBJECT(Full()), WriteOptions(), stream);
  });
}

namespace {

// The decrypted copy of a signed or encrypted message, as a tear-off of the
// mail object.
class TEncryptedView final : public TComObject<IRDOEncryptedMessage> {
public:
  explicit TEncryptedView(IRDOMail* mail) : FMail(mail) {}
  TwkPtr<IRDOMail> GetDecryptedMessage() override {
    return OpenLooseMessage(DecryptedMime(FMail->MimeContent()), QString());
  }

protected:
  bool AnswersInterface(const IID& iid) override { return iid == IID_IRDOEncryptedMessage; }

private:
  TwkPtr<IRDOMail> FMail;
};

}  // namespace

HRESULT TMessage::QueryInterface(const IID& iid, void** object) {
  if (object && iid == IID_IRDOEncryptedMessage) {
    *object = nullptr;
    if (!MessageClass().startsWith(QLatin1String("IPM.Note.SMIME"))) return E_NOINTERFACE;
    *object = static_cast<IRDOEncryptedMessage*>(new TEncryptedView(this));
    return S_OK;
  }
  return TComObject<IRDOMail>::QueryInterface(iid, object);
}

std::int64_t TMessage::ArrivalSeconds() {
  const std::int64_t seconds = FPath.isEmpty() ? -1 : DeliverySecondsOf(SplitMaildirFileName(FileName()).Unique);
  if (seconds > 0) return seconds;
  StatFile();
  return FStatDone ? FMTime : 0;
}

TwkPtr<IRDOMail> TMessage::CopyTo(IRDOFolder* folder) {
  // A folder of another kind of store takes the bytes.
  if (auto* other = dynamic_cast<twksession::TMessageDestination*>(folder))
    return other->StoreMessage(MimeContent(), UnRead(), ArrivalSeconds());
  MailFolder* dest = DestinationMailFolder(folder);
  const QString path = CopyMessageFile(MimeContent(), FileName(), dest);
  return OpenStored(dest, path);
}

TwkPtr<IRDOMail> TMessage::Move(IRDOFolder* folder) {
  if (dynamic_cast<twksession::TMessageDestination*>(folder) && !FPath.isEmpty()) {
    // The copy in the other store first; the file goes only after it is there.
    TwkPtr<IRDOMail> moved = CopyTo(folder);
    RemoveMessageFile(FPath);
    if (FFolder) FFolder->MessageRemoved(FPath);
    return moved;
  }
  MailFolder* dest = DestinationMailFolder(folder);
  if (FPath.isEmpty()) return CopyTo(folder);
  if (FFolder && QFileInfo(FFolder->MaildirPath()).canonicalFilePath() ==
                     QFileInfo(dest->MaildirPath()).canonicalFilePath())
    return TwkPtr<IRDOMail>(this);
  QString path;
  if (FChanged) {
    // Pending changes travel with the message: a new file, then the old one goes.
    const QByteArray bytes = MimeContent();
    path = CopyMessageFile(bytes, FileName(), dest);
    try {
      OnFile([&] { RemoveMessageFile(FPath); });
    } catch (...) {
      ::unlink(QFile::encodeName(path).constData());
      dest->MessageRemoved(path);
      throw;
    }
    if (FFolder) FFolder->MessageRemoved(FPath);
    ReplaceSource(bytes);
    FChanged = false;
  } else {
    path = OnFile([&] { return MoveMessageFile(FPath, FFolder.get(), dest); });
  }
  FFolder = TwkPtr<MailFolder>(dest);
  FPath = path;
  FStatDone = false;
  return OpenStored(dest, path);
}

TwkPtr<IRDOMail> OpenStoredMessage(MailFolder* folder, const QString& filePath) {
  return TMessage::OpenStored(folder, filePath);
}

TwkPtr<IRDOMail> OpenLooseMessage(const QByteArray& mime, const QString& originPath) {
  return TMessage::OpenLoose(mime, originPath, 0);
}

}  // namespace twkmaildir
