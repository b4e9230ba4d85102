// The mail object over one MIME message: a stored maildir file or loose
// bytes. Parsing is lazy: the header block first (fields, recipients), the
// whole structure only when the class needs it or attachments or bodies are
// asked; every value is read once and served from the object.
#pragma once

#include "twktools/maildir/Backend.h"
#include "twktools/maildir/comobject.h"
#include "twktools/maildir/lightread.h"
#include "twktools/maildir/mimeparts.h"
#include "twktools/maildir/mimesupport.h"

#include <QFile>
#include <optional>

namespace twkmaildir {

// Embedded messages deeper than this are not opened (endless nesting).
constexpr int kMaxEmbeddedDepth = 32;

class TMessage final : public TComObject<IRDOMail> {
public:
  static TwkPtr<IRDOMail> OpenStored(MailFolder* folder, const QString& filePath);
  static TwkPtr<IRDOMail> OpenLoose(const QByteArray& mime, const QString& originPath, int depth);

  QString EntryID() override;
  QString StoreID() override;
  TwkPtr<IRDOFolder> Parent() override;
  QString MessageClass() override;
  QString Subject() override;
  void SetSubject(const QString& subject) override;
  bool Sent() override;
  bool UnRead() override;
  TwkPtr<IRDOAddressEntry> Sender() override;
  TwkPtr<IRDOAddressEntry> SentOnBehalfOf() override;
  TDateTimeValue SentOn() override;
  TDateTimeValue ReceivedTime() override;
  TDateTimeValue LastModificationTime() override;
  TDateTimeValue CreationTime() override;
  QVariant Fields(std::uint32_t propTag) override;
  TwkPtr<IRDORecipients> Recipients() override;
  TwkPtr<IRDOAttachments> Attachments() override;
  QString Body() override;
  QString HTMLBody() override;
  QByteArray MimeContent() override;
  void Save() override;
  void SaveAs(const QString& path, int format) override;
  TwkPtr<IRDOMail> CopyTo(IRDOFolder* folder) override;
  TwkPtr<IRDOMail> Move(IRDOFolder* folder) override;

  // For the attachment objects.
  const TMimeLayout& Layout();
  // The index of part among the attachments; -1 when it is not (or no longer) one.
  int IndexOfAttachment(GMimeObject* part);
  void DeleteAttachment(GMimeObject* part);
  GMimeObject* AddFileAttachment(const QString& sourcePath, const QString& displayName);
  int Depth() const { return FDepth; }
  // The light reader's answers while the message is only read: none once
  // GMime has parsed it, or when the light reader leaves it to GMime.
  const TLightMessage* Light();
  // The part of light attachment `index` (the order before any change).
  GMimeObject* InitialAttachmentPart(int index);

  // A signed or encrypted message also answers IRDOEncryptedMessage.
  HRESULT QueryInterface(const IID& iid, void** object) override;

protected:
  bool AnswersInterface(const IID& iid) override { return iid == IID_IRDOMail; }

private:
  TMessage() = default;

  void LoadHead();
  void ReadHead();
  // Runs an operation on the message's file. When the file is not where it
  // was listed, another program renamed it (new flags, new/ to cur/): the
  // operation runs again on its new name. A message that left the folder is
  // MAPI_E_OBJECT_DELETED.
  template <class F>
  auto OnFile(F&& operation) -> decltype(operation()) {
    for (int attempt = 0;; ++attempt) {
      try {
        return operation();
      } catch (const EComError& e) {
        if (e.ErrorCode() != MAPI_E_NOT_FOUND || !FollowRename(attempt)) throw;
      }
    }
  }
  // False when the file is where it was (the error was another one).
  bool FollowRename(int attempt);
  GMimeMessage* Headers();
  GMimeMessage* Full();
  void HeadersEndFound(gint64 headersEnd);
  void Changed();
  void ReplaceSource(const QByteArray& bytes);
  QString FileName() const;
  void StatFile();
  TDateTimeValue DeliveryTime();
  // Unix time of the arrival: the unique name's delivery time, else the file's time.
  std::int64_t ArrivalSeconds();
  // The message bytes (as stored, or as Save would write them) into file.
  void WriteMimeTo(QFile& file, const QString& path);
  std::vector<TAddress> SenderList();
  std::vector<TAddress> FromList();
  std::optional<QString> HeaderValue(const char* name);

  TwkPtr<MailFolder> FFolder;
  QString FPath;    // the stored file; empty for a loose message
  QString FOrigin;  // a loose message's file, if any
  int FDepth = 0;

  TGPtr<GMimeStream> FSource;  // the head of the file, or all of it (FWhole)
  bool FWhole = false;
  gint64 FHeaderEnd = 0;
  qint64 FFileSize = 0;  // of the stored file when its head was read
  bool FStatDone = false;
  std::int64_t FMTime = 0;
  int FMTimeMSec = 0;

  TGPtr<GMimeMessage> FHeadOnly;
  TGPtr<GMimeMessage> FFull;
  std::optional<TMimeLayout> FLayout;
  std::vector<TGPtr<GMimeObject>> FDerived;  // the parts made for files that containers carry
  bool FChanged = false;

  std::optional<TLightMessage> FLight;
  bool FLightTried = false;
  std::vector<TGPtr<GMimeObject>> FInitialParts;  // the attachments when GMime first parsed, for light ones

  std::optional<QString> FClass;
  std::optional<QString> FSubject;
};

}  // namespace twkmaildir
