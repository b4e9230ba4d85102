// The mail object of one item of an Outlook store (or an item attached to
// one): its fields are read from the item's properties when it is opened;
// its MIME form is built from them (mime.cpp). Nothing of it is ever written.
#pragma once

#include "twktools/maildir/recipient.h"
#include "twktools/pst/folder.h"

#include <optional>
#include <vector>

namespace twkpst {

// Attached items inside attached items: deeper than this is a damaged file's loop.
constexpr int kMaxAttachedDepth = 8;

struct TAttachmentInfo {
  int Index = 0;  // in the library's list, from 0
  bool Embedded = false;
  QString FileName, DisplayName, MimeTag, ContentID;
  bool Hidden = false;
  std::int64_t DataSize = 0;
};

// What the interface answers, read from the item's properties.
struct TPstFields {
  QString MessageClass, Subject;
  twkmaildir::TAddress Sender, Representing;
  std::vector<twkmaildir::TRecipientValue> Recipients;
  std::optional<TUnixTime> SentOn, Received, Created, Modified;
  std::optional<std::uint32_t> Flags, Importance;
  QString TransportHeaders, MessageID, InReplyTo, References;
  QString PlainBody, HtmlBody;
  QByteArray Rtf;  // decompressed
  std::vector<TAttachmentInfo> Attachments;
};

class TPstMessage final : public twkmaildir::TComObject<IRDOMail> {
public:
  // Throws EComError(MAPI_E_NOT_FOUND) naming the file when the item cannot be read.
  static TwkPtr<IRDOMail> OpenStored(TwkPtr<TPstFolder> folder, std::uint32_t node);
  // An attached item; owner is the message it is attached to.
  static TwkPtr<TPstMessage> OpenEmbedded(TwkPtr<TPstMessage> owner, TItem attachment, TItem item);

  QString EntryID() override;
  QString StoreID() override { return FFolder ? FFolder->StoreID() : QString(); }
  TwkPtr<IRDOFolder> Parent() override { return FFolder; }
  QString MessageClass() override { return FFields.MessageClass; }
  QString Subject() override { return FFields.Subject; }
  void SetSubject(const QString&) override { RaiseReadOnly(); }
  bool Sent() override { return !(FFields.Flags.value_or(0) & 8); }
  bool UnRead() override { return !(FFields.Flags.value_or(1) & 1); }
  TwkPtr<IRDOAddressEntry> Sender() override;
  TwkPtr<IRDOAddressEntry> SentOnBehalfOf() override;
  TDateTimeValue SentOn() override { return DateValue(FFields.SentOn); }
  TDateTimeValue ReceivedTime() override { return DateValue(FFields.Received); }
  TDateTimeValue LastModificationTime() override { return DateValue(FFields.Modified ? FFields.Modified : FFields.Received); }
  TDateTimeValue CreationTime() override { return DateValue(FFields.Created ? FFields.Created : FFields.Received); }
  QVariant Fields(std::uint32_t propTag) override;
  TwkPtr<IRDORecipients> Recipients() override { return twkmaildir::NewRecipients(FFields.Recipients); }
  TwkPtr<IRDOAttachments> Attachments() override;
  QString Body() override { return FFields.PlainBody; }
  QString HTMLBody() override { return FFields.HtmlBody; }
  QByteArray MimeContent() override;
  void Save() override { RaiseReadOnly(); }
  void SaveAs(const QString& path, int format) override;
  TwkPtr<IRDOMail> CopyTo(IRDOFolder* folder) override;
  TwkPtr<IRDOMail> Move(IRDOFolder*) override { RaiseReadOnly(); }

  const TPstFields& Values() const { return FFields; }
  const std::shared_ptr<TPstFile>& File() const { return FFile; }
  libpff_item_t* Item() const { return FItem.get(); }
  int Depth() const { return FDepth; }
  [[noreturn]] void RaiseReadOnly();

protected:
  bool AnswersInterface(const IID& iid) override { return iid == IID_IRDOMail; }

private:
  TPstMessage(TwkPtr<TPstFolder> folder, std::shared_ptr<TPstFile> file, TItem item, std::uint32_t node, int depth);
  ~TPstMessage() override;
  static TDateTimeValue DateValue(const std::optional<TUnixTime>& t);
  // Unix time of the arrival: the delivery time, else the sent time; 0 for none.
  std::int64_t ArrivalSeconds() const;

  TwkPtr<TPstFolder> FFolder;  // none for an attached item
  TwkPtr<TPstMessage> FOwner;  // an attached item's message, kept while the item is
  std::shared_ptr<TPstFile> FFile;
  TItem FAttachment;  // an attached item's attachment, kept while the item is
  TItem FItem;
  std::uint32_t FNode;
  int FDepth;
  TPstFields FFields;
  std::optional<QByteArray> FMime;
};

// Reads the fields of an item (the file's lock held).
TPstFields ReadFields(libpff_item_t* item);

// The message as MIME built with GMime from its fields and attachments
// (the item's transport headers where it has them).
QByteArray BuildMime(TPstMessage* message);

TwkPtr<IRDOAttachments> NewAttachments(TwkPtr<TPstMessage> message);

}  // namespace twkpst
