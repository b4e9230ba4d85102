#include "twktools/pst/attachment.h"

#include "twktools/formats/FileWrite.h"
#include "twktools/maildir/attachment.h"

#include <cstdio>

namespace twkpst {

namespace {

constexpr size_t kChunk = 1 << 20;

// The library's attachment item of info (the file's lock held by the caller).
TItem OpenAttachment(TPstMessage* message, const TAttachmentInfo& info) {
  TItem att;
  libpff_error_t* error = nullptr;
  if (libpff_message_get_attachment(message->Item(), info.Index, att.out(), &error) != 1 || !att) {
    const QString why = TakeError(error);
    throw EComError(MAPI_E_CORRUPT_DATA, QStringLiteral("The attachment \"%1\" in \"%2\" cannot be read: %3")
                                             .arg(info.FileName, message->File()->Path(), why));
  }
  return att;
}

// Reads the attachment's bytes in chunks into sink.
void ReadData(TPstMessage* message, const TAttachmentInfo& info, const std::function<void(const char*, qint64)>& sink) {
  std::lock_guard lock(message->File()->Lock());
  TItem att = OpenAttachment(message, info);
  libpff_error_t* error = nullptr;
  auto fail = [&] {
    const QString why = TakeError(error);
    return EComError(MAPI_E_CORRUPT_DATA, QStringLiteral("The attachment \"%1\" in \"%2\" cannot be read: %3")
                                              .arg(info.FileName, message->File()->Path(), why));
  };
  if (libpff_attachment_data_seek_offset(att.get(), 0, SEEK_SET, &error) < 0) throw fail();
  std::vector<std::uint8_t> buffer(kChunk);
  std::int64_t left = info.DataSize;
  while (left > 0) {
    const ssize_t n = libpff_attachment_data_read_buffer(att.get(), buffer.data(), size_t(std::min<std::int64_t>(left, kChunk)), &error);
    if (n <= 0) throw fail();
    sink(reinterpret_cast<const char*>(buffer.data()), n);
    left -= n;
  }
}

class TPstAttachment final : public twkmaildir::TComObject<IRDOAttachment> {
public:
  TPstAttachment(TwkPtr<TPstMessage> message, TAttachmentInfo info, int position)
      : FMessage(std::move(message)), FInfo(std::move(info)), FPosition(position) {}

  int Type() override { return FInfo.Embedded ? olEmbeddeditem : olByValue; }
  bool Hidden() override { return FInfo.Hidden; }
  QString FileName() override { return AttachmentFileName(FMessage.get(), FInfo); }
  QString DisplayName() override { return FInfo.DisplayName.isEmpty() ? FileName() : FInfo.DisplayName; }
  QString MimeType() override {
    if (FInfo.Embedded) return QStringLiteral("message/rfc822");
    return FInfo.MimeTag.isEmpty() ? QStringLiteral("application/octet-stream") : FInfo.MimeTag;
  }
  QString ContentID() override { return FInfo.ContentID; }
  std::int64_t Size() override { return FInfo.Embedded ? Data().size() : FInfo.DataSize; }
  int Position() override { return FPosition; }
  void SaveAsFile(const QString& path) override {
    if (FInfo.Embedded) {
      const QByteArray bytes = Data();
      twkformats::WriteFile(path, twkformats::TWriteRule::Plain, QStringLiteral("write"), [&](QFile& file) {
        twkformats::WriteAllTo(file, bytes.constData(), bytes.size(), QStringLiteral("write"), path);
      });
      return;
    }
    twkformats::WriteFile(path, twkformats::TWriteRule::Plain, QStringLiteral("write"), [&](QFile& file) {
      ReadData(FMessage.get(), FInfo, [&](const char* data, qint64 size) {
        twkformats::WriteAllTo(file, data, size, QStringLiteral("write"), path);
      });
    });
  }
  QByteArray Data() override {
    if (!FInfo.Embedded) return AttachmentData(FMessage.get(), FInfo);
    const TwkPtr<TPstMessage> item = AttachedItem(FMessage.get(), FInfo);
    return item ? item->MimeContent() : QByteArray();
  }
  void Delete() override { FMessage->RaiseReadOnly(); }
  TwkPtr<IRDOMail> EmbeddedMsg() override {
    if (!FInfo.Embedded) return {};
    const TwkPtr<TPstMessage> item = AttachedItem(FMessage.get(), FInfo);
    return TwkPtr<IRDOMail>(item.get());
  }

private:
  TwkPtr<TPstMessage> FMessage;
  TAttachmentInfo FInfo;
  int FPosition;
};

class TPstAttachments final : public twkmaildir::TComObject<IRDOAttachments> {
public:
  explicit TPstAttachments(TwkPtr<TPstMessage> message) : FMessage(std::move(message)) {}
  int Count() override { return int(FMessage->Values().Attachments.size()); }
  TwkPtr<IRDOAttachment> Item(int index) override {
    if (index < 1 || index > Count())
      throw EComError(E_INVALIDARG, QStringLiteral("Attachment index %1 out of range (1..%2)").arg(index).arg(Count()));
    return TwkPtr<IRDOAttachment>::Adopt(
        new TPstAttachment(FMessage, FMessage->Values().Attachments[size_t(index - 1)], index));
  }
  TwkPtr<IRDOAttachment> Add(const QString&, int, int, const QString&) override { FMessage->RaiseReadOnly(); }

private:
  TwkPtr<TPstMessage> FMessage;
};

}  // namespace

QByteArray AttachmentData(TPstMessage* message, const TAttachmentInfo& info) {
  QByteArray data;
  data.reserve(qsizetype(std::min<std::int64_t>(info.DataSize, 64 << 20)));
  ReadData(message, info, [&](const char* bytes, qint64 size) { data.append(bytes, qsizetype(size)); });
  return data;
}

TwkPtr<TPstMessage> AttachedItem(TPstMessage* message, const TAttachmentInfo& info) {
  if (message->Depth() >= kMaxAttachedDepth) return {};
  TItem att, item;
  {
    std::lock_guard lock(message->File()->Lock());
    att = OpenAttachment(message, info);
    libpff_error_t* error = nullptr;
    if (libpff_attachment_get_item(att.get(), item.out(), &error) != 1 || !item) {
      TakeError(error);
      att = TItem();
      return {};
    }
  }
  return TPstMessage::OpenEmbedded(TwkPtr<TPstMessage>(message), std::move(att), std::move(item));
}

QString AttachmentFileName(TPstMessage* message, const TAttachmentInfo& info) {
  if (!info.FileName.isEmpty()) return info.FileName;
  if (!info.Embedded) return info.DisplayName;
  if (!info.DisplayName.isEmpty()) return twkmaildir::EmbeddedMailFileName(info.DisplayName);
  const TwkPtr<TPstMessage> item = AttachedItem(message, info);
  return twkmaildir::EmbeddedMailFileName(item ? item->Subject() : QString());
}

TwkPtr<IRDOAttachments> NewAttachments(TwkPtr<TPstMessage> message) {
  return TwkPtr<IRDOAttachments>::Adopt(new TPstAttachments(std::move(message)));
}

}  // namespace twkpst
