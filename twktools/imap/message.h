// The mail object of an IMAP message. Read-only questions are answered from
// the outline (header block and structure) through the shared message
// reader; the whole message is fetched only when a task needs its content
// (bodies, attachment data, a change, an export), streamed into a temporary
// file and read from there like a stored file.
#pragma once

#include "twktools/imap/items.h"
#include "twktools/maildir/comobject.h"

#include <QTemporaryFile>
#include <memory>
#include <vector>

namespace twkimap {

class TImapFolder;

// The message a change of ours put into dest.
TwkPtr<IRDOMail> PlacedMessage(TImapFolder* dest, TNewUid placed);

class TImapMessage final : public twkmaildir::TComObject<IRDOMail> {
public:
  // uidValidity 0: the mailbox's as last seen.
  static TwkPtr<IRDOMail> Open(TwkPtr<TImapFolder> folder, std::shared_ptr<TMailbox> box, std::uint32_t uid,
                               std::uint32_t uidValidity = 0);

  QString EntryID() override;
  QString StoreID() override;
  TwkPtr<IRDOFolder> Parent() override;
  QString MessageClass() override { return Reader()->MessageClass(); }
  QString Subject() override { return Reader()->Subject(); }
  void SetSubject(const QString& subject) override;
  bool Sent() override { return !Outline().Flags.Draft; }
  bool UnRead() override { return !Outline().Flags.Seen; }
  TwkPtr<IRDOAddressEntry> Sender() override { return Reader()->Sender(); }
  TwkPtr<IRDOAddressEntry> SentOnBehalfOf() override { return Reader()->SentOnBehalfOf(); }
  TDateTimeValue SentOn() override { return Reader()->SentOn(); }
  TDateTimeValue ReceivedTime() override;
  TDateTimeValue LastModificationTime() override;
  TDateTimeValue CreationTime() override { return LastModificationTime(); }
  QVariant Fields(std::uint32_t propTag) override;
  TwkPtr<IRDORecipients> Recipients() override { return Reader()->Recipients(); }
  TwkPtr<IRDOAttachments> Attachments() override;
  QString Body() override { return Whole()->Body(); }
  QString HTMLBody() override { return Whole()->HTMLBody(); }
  QByteArray MimeContent() override { return Whole()->MimeContent(); }
  void Save() override;
  void SaveAs(const QString& path, int format) override;
  TwkPtr<IRDOMail> CopyTo(IRDOFolder* folder) override;
  TwkPtr<IRDOMail> Move(IRDOFolder* folder) override;
  HRESULT QueryInterface(const IID& iid, void** object) override;

  // For the attachment objects handed out before the whole message was read:
  // attachment `index` (from 0) as the whole message had it first.
  IRDOAttachment* WholeAttachment(int index);
  IRDOMail* Whole();
  void Changed() { FChanged = true; }

protected:
  bool AnswersInterface(const IID& iid) override { return iid == IID_IRDOMail; }

private:
  TImapMessage() = default;
  const TOutline& Outline();
  // The whole message once fetched, else the outline's reader.
  IRDOMail* Reader();
  IRDOMail* OutlineReader();
  // Stores bytes in dest as a new message with this one's flags and date.
  TNewUid AppendTo(TImapFolder* dest, const QByteArray& bytes);

  TwkPtr<TImapFolder> FFolder;
  std::shared_ptr<TMailbox> FBox;
  std::uint32_t FUid = 0;
  std::uint32_t FUidValidity = 0;
  std::shared_ptr<const TOutline> FOutline;
  TwkPtr<IRDOMail> FOutlineMail;
  std::unique_ptr<QTemporaryFile> FFile;
  TwkPtr<IRDOMail> FWhole;
  std::vector<TwkPtr<IRDOAttachment>> FFirstAttachments;
  bool FOutlineAttachmentsGiven = false;
  bool FChanged = false;
};

}  // namespace twkimap
