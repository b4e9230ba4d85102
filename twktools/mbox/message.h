// The mail object of one message of an mbox file: its bytes are read from
// the file at its offset (unquoted) when first asked and parsed by the
// shared MIME reader; the store's own facts (IDs, read flag, received time
// from the "From " line) are answered here. Nothing of it is ever written.
#pragma once

#include "twktools/mbox/folder.h"

#include <optional>

namespace twkmbox {

class TMboxMessage final : public twkmaildir::TComObject<IRDOMail> {
public:
  static TwkPtr<IRDOMail> Open(TwkPtr<TMboxFolder> folder, const TMboxEntry& entry);

  QString EntryID() override;
  QString StoreID() override { return FFolder->StoreID(); }
  TwkPtr<IRDOFolder> Parent() override { return FFolder; }
  QString MessageClass() override { return Inner()->MessageClass(); }
  QString Subject() override { return Inner()->Subject(); }
  void SetSubject(const QString&) override { FFolder->OwnerStore()->RaiseReadOnly(); }
  bool Sent() override { return true; }
  bool UnRead() override { return !FEntry.Read; }
  TwkPtr<IRDOAddressEntry> Sender() override { return Inner()->Sender(); }
  TwkPtr<IRDOAddressEntry> SentOnBehalfOf() override { return Inner()->SentOnBehalfOf(); }
  TDateTimeValue SentOn() override { return Inner()->SentOn(); }
  TDateTimeValue ReceivedTime() override;
  TDateTimeValue LastModificationTime() override { return ReceivedTime(); }
  TDateTimeValue CreationTime() override { return ReceivedTime(); }
  QVariant Fields(std::uint32_t propTag) override;
  TwkPtr<IRDORecipients> Recipients() override { return Inner()->Recipients(); }
  TwkPtr<IRDOAttachments> Attachments() override { return Inner()->Attachments(); }
  QString Body() override { return Inner()->Body(); }
  QString HTMLBody() override { return Inner()->HTMLBody(); }
  QByteArray MimeContent() override { return Bytes(); }
  void Save() override { FFolder->OwnerStore()->RaiseReadOnly(); }
  void SaveAs(const QString& path, int format) override;
  TwkPtr<IRDOMail> CopyTo(IRDOFolder* folder) override;
  TwkPtr<IRDOMail> Move(IRDOFolder*) override { FFolder->OwnerStore()->RaiseReadOnly(); }
  HRESULT QueryInterface(const IID& iid, void** object) override;

protected:
  bool AnswersInterface(const IID& iid) override { return iid == IID_IRDOMail; }

private:
  TMboxMessage(TwkPtr<TMboxFolder> folder, const TMboxEntry& entry) : FFolder(std::move(folder)), FEntry(entry) {}
  // The message as it was stored, without its "From " line and unquoted.
  const QByteArray& Bytes();
  IRDOMail* Inner();
  // Unix time of the arrival: the newest Received header, else the "From " line's date.
  std::int64_t ArrivalSeconds();

  TwkPtr<TMboxFolder> FFolder;
  TMboxEntry FEntry;
  QByteArray FBytes;
  bool FRead = false;
  TwkPtr<IRDOMail> FInner;
  std::optional<std::int64_t> FArrival;
};

// Unix time of the newest Received header of a message's header block.
std::optional<std::int64_t> NewestReceived(const QByteArray& message);

}  // namespace twkmbox
