#include "twktools/maildir/attachment.h"

#include "twktools/formats/FileWrite.h"
#include "twktools/maildir/save.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace twkmaildir {

QString EmbeddedMailFileName(const QString& subject) {
  QString name;
  for (const QChar c : subject)
    if (c.unicode() >= 0x20 && c.unicode() != 0x7F && !QStringView(u"\\/:*?\"<>|").contains(c)) name += c;
  qsizetype b = 0, e = name.size();
  while (b < e && (name[b].isSpace() || name[b] == u'.')) ++b;
  while (e > b && (name[e - 1].isSpace() || name[e - 1] == u'.')) --e;
  return name.mid(b, e - b) + QStringLiteral(".eml");
}

namespace {

// One attachment: bound to its GMime part, or, handed out by the light
// reader, to its index there until GMime parses the message.
class TAttachment final : public TComObject<IRDOAttachment> {
public:
  TAttachment(TwkPtr<TMessage> message, GMimeObject* part)
      : FMessage(std::move(message)), FPart(TGPtr<GMimeObject>::Ref(part)) {}
  TAttachment(TwkPtr<TMessage> message, int lightIndex) : FMessage(std::move(message)), FLightIndex(lightIndex) {}

  int Type() override {
    if (const TLightAttachment* light = Light()) return light->Embedded ? olEmbeddeditem : olByValue;
    return GMIME_IS_MESSAGE_PART(Part()) ? olEmbeddeditem : olByValue;
  }

  bool Hidden() override {
    if (const TLightAttachment* light = Light()) return light->Hidden;
    const int index = FMessage->IndexOfAttachment(Part());
    return index >= 0 && FMessage->Layout().Attachments[size_t(index)].Hidden;
  }

  QString FileName() override {
    if (const TLightAttachment* light = Light()) return light->FileName;
    const QString declared =
        AttachmentFileName(g_mime_object_get_content_disposition(Part()), g_mime_object_get_content_type(Part()));
    if (!declared.isEmpty() || !GMIME_IS_MESSAGE_PART(Part())) return declared;
    GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(Part()));
    return EmbeddedMailFileName(inner ? FromUtf8(g_mime_message_get_subject(inner)) : QString());
  }

  QString DisplayName() override {
    if (Type() != olEmbeddeditem) return FileName();
    const QString declared = Light() ? Light()->FileName
                                     : DeclaredFileName(Part());
    if (!declared.isEmpty()) return declared;
    GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(Part()));
    return inner ? FromUtf8(g_mime_message_get_subject(inner)) : QString();
  }

  QString MimeType() override { return QString::fromLatin1(MimeTypeOf(Part())); }
  QString ContentID() override { return FromUtf8(g_mime_object_get_content_id(Part())); }
  std::int64_t Size() override { return DecodedSize(Part()); }
  int Position() override { return FMessage->IndexOfAttachment(Part()) + 1; }

  // Decoded straight from the message file into the target file.
  void SaveAsFile(const QString& path) override {
    const QString what = QStringLiteral("write the attachment file");
    twkformats::WriteFile(path, twkformats::TWriteRule::Plain, what, [&](QFile& file) {
      WriteGMimeTo(file, what, path, [&](GMimeStream* stream) { return WriteDecoded(Part(), stream); });
      // A file from a container keeps the time of change the container gives it.
      const int index = FMessage->IndexOfAttachment(Part());
      if (const std::int64_t modified = index >= 0 ? FMessage->Layout().Attachments[size_t(index)].Modified : 0) {
        const timespec times[2] = {{time_t(modified), 0}, {time_t(modified), 0}};
        ::futimens(file.handle(), times);
      }
    });
  }

  QByteArray Data() override { return DecodedBytes(Part()); }
  void Delete() override { FMessage->DeleteAttachment(Part()); }

  TwkPtr<IRDOMail> EmbeddedMsg() override {
    if (Type() != olEmbeddeditem || FMessage->Depth() >= kMaxEmbeddedDepth) return {};
    return TMessage::OpenLoose(DecodedBytes(Part()), QString(), FMessage->Depth() + 1);
  }

private:
  // The light answer while the message is unparsed; none once bound to a part.
  const TLightAttachment* Light() {
    if (FPart) return nullptr;
    if (const TLightMessage* light = FMessage->Light()) return &light->Attachments[size_t(FLightIndex)];
    return nullptr;
  }

  GMimeObject* Part() {
    if (!FPart) FPart = TGPtr<GMimeObject>::Ref(FMessage->InitialAttachmentPart(FLightIndex));
    return FPart.get();
  }

  TwkPtr<TMessage> FMessage;
  TGPtr<GMimeObject> FPart;
  int FLightIndex = -1;
};

class TAttachments final : public TComObject<IRDOAttachments> {
public:
  explicit TAttachments(TwkPtr<TMessage> message) : FMessage(std::move(message)) {}

  int Count() override {
    if (const TLightMessage* light = FMessage->Light()) return int(light->Attachments.size());
    return int(FMessage->Layout().Attachments.size());
  }

  TwkPtr<IRDOAttachment> Item(int index) override {
    if (index < 1 || index > Count())
      throw EComError(E_INVALIDARG, QStringLiteral("Attachment index %1 is out of range").arg(index));
    if (FMessage->Light()) return TwkPtr<IRDOAttachment>::Adopt(new TAttachment(FMessage, index - 1));
    return TwkPtr<IRDOAttachment>::Adopt(
        new TAttachment(FMessage, FMessage->Layout().Attachments[size_t(index - 1)].Part));
  }

  // The position is not honoured: a new attachment always comes last.
  TwkPtr<IRDOAttachment> Add(const QString& sourcePath, int type, int /*position*/,
                             const QString& displayName) override {
    if (type != olByValue)
      throw EComError(E_NOTIMPL, QStringLiteral("Attachments of type %1 cannot be added").arg(type));
    GMimeObject* part = FMessage->AddFileAttachment(sourcePath, displayName);
    return TwkPtr<IRDOAttachment>::Adopt(new TAttachment(FMessage, part));
  }

private:
  TwkPtr<TMessage> FMessage;
};

}  // namespace

void WriteGMimeTo(QFile& file, const QString& what, const QString& path,
                  const std::function<gint64(GMimeStream*)>& write) {
  // A pipe stream writes as a file stream does, but its flush does not sync.
  TGPtr<GMimeStream> out(g_mime_stream_pipe_new(file.handle()));
  g_mime_stream_pipe_set_owner(GMIME_STREAM_PIPE(out.get()), FALSE);
  TGPtr<GMimeStream> buffered(g_mime_stream_buffer_new(out.get(), GMIME_STREAM_BUFFER_BLOCK_WRITE));
  errno = 0;
  if (write(buffered.get()) < 0 || g_mime_stream_flush(buffered.get()) != 0)
    RaiseFileError(what, path, errno ? errno : EIO);
}

TwkPtr<IRDOAttachments> NewAttachments(TwkPtr<TMessage> message) {
  return TwkPtr<IRDOAttachments>::Adopt(new TAttachments(std::move(message)));
}

}  // namespace twkmaildir
