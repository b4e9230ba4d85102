#include "twktools/imap/message.h"

#include "twktools/formats/SaveAs.h"
#include "twktools/imap/attachment.h"
#include "twktools/imap/folder.h"
#include "twktools/maildir/Backend.h"
#include "twktools/maildir/datevalue.h"

#include <QDir>
#include <sys/stat.h>

namespace twkimap {

TwkPtr<IRDOMail> TImapMessage::Open(TwkPtr<TImapFolder> folder, std::shared_ptr<TMailbox> box, std::uint32_t uid,
                                    std::uint32_t uidValidity) {
  auto* m = new TImapMessage;
  m->FFolder = std::move(folder);
  m->FBox = std::move(box);
  m->FUid = uid;
  m->FUidValidity = uidValidity ? uidValidity : m->FBox->UidValidity();
  return TwkPtr<IRDOMail>::Adopt(m);
}

QString TImapMessage::EntryID() { return FFolder->MessageEntryID(FUidValidity, FUid); }

QString TImapMessage::StoreID() { return FFolder->StoreID(); }

TwkPtr<IRDOFolder> TImapMessage::Parent() { return TwkPtr<IRDOFolder>(FFolder.get()); }

const TOutline& TImapMessage::Outline() {
  if (!FOutline) {
    FOutline = FBox->OutlineOf(FUid);
    if (!FOutline) throw EComError(MAPI_E_NOT_FOUND, QStringLiteral("The message is no longer on the server: %1").arg(EntryID()));
  }
  return *FOutline;
}

IRDOMail* TImapMessage::OutlineReader() {
  if (!FOutlineMail) FOutlineMail = twkmaildir::OpenLooseMessage(Outline().Mime, QString());
  return FOutlineMail.get();
}

IRDOMail* TImapMessage::Reader() { return FWhole ? FWhole.get() : OutlineReader(); }

IRDOMail* TImapMessage::Whole() {
  if (FWhole) return FWhole.get();
  const TOutline& outline = Outline();
  std::unique_ptr<QTemporaryFile> file = FBox->WholeFile(FUid);
  if (!file) throw EComError(MAPI_E_NOT_FOUND, QStringLiteral("The message is no longer on the server: %1").arg(EntryID()));
  // The file's time is the server's arrival time, as a stored file's is.
  const timespec times[2] = {{outline.InternalDate, 0}, {outline.InternalDate, 0}};
  ::futimens(file->handle(), times);
  FWhole = twkmaildir::OpenStoredMessage(nullptr, file->fileName());
  FFile = std::move(file);
  if (FOutlineAttachmentsGiven) {
    const TwkPtr<IRDOAttachments> all = FWhole->Attachments();
    for (int i = 1, n = all->Count(); i <= n; ++i) FFirstAttachments.push_back(all->Item(i));
  }
  return FWhole.get();
}

IRDOAttachment* TImapMessage::WholeAttachment(int index) {
  Whole();
  if (index < 0 || size_t(index) >= FFirstAttachments.size())
    throw EComError(MAPI_E_NOT_FOUND, QStringLiteral("The attachment was already deleted"));
  return FFirstAttachments[size_t(index)].get();
}

void TImapMessage::SetSubject(const QString& subject) {
  Whole()->SetSubject(subject);
  FChanged = true;
}

TDateTimeValue TImapMessage::ReceivedTime() {
  const TDateTimeValue received = Reader()->ReceivedTime();
  return received != 0 ? received : LastModificationTime();
}

TDateTimeValue TImapMessage::LastModificationTime() {
  const std::int64_t t = Outline().InternalDate;
  return t > 0 ? twkmaildir::DateValueFromUnix(t) : 0;
}

QVariant TImapMessage::Fields(std::uint32_t propTag) {
  switch (propTag) {
    case PR_TRANSPORT_MESSAGE_HEADERS:
      // Only a delivered message has transport headers; a draft has none.
      if (!Sent()) return {};
      return Reader()->Fields(propTag);
    case PR_MESSAGE_FLAGS: {
      int flags = 0;
      if (!UnRead()) flags |= 1;
      if (!Sent()) flags |= 8;
      IRDOMail* structure = FWhole || !Outline().Exact ? Whole() : OutlineReader();
      return flags | (structure->Fields(PR_MESSAGE_FLAGS).toInt() & 16);
    }
    case PR_INTERNET_CPID:
      return Whole()->Fields(propTag);
    default:
      return Reader()->Fields(propTag);
  }
}

TwkPtr<IRDOAttachments> TImapMessage::Attachments() {
  if (FWhole || !Outline().Exact) return NewWholeAttachments(TwkPtr<TImapMessage>(this), Whole()->Attachments());
  FOutlineAttachmentsGiven = true;
  return NewOutlineAttachments(TwkPtr<TImapMessage>(this), OutlineReader()->Attachments());
}

void TImapMessage::SaveAs(const QString& path, int format) { twkformats::SaveMessageAs(this, path, format); }

HRESULT TImapMessage::QueryInterface(const IID& iid, void** object) {
  // The decrypted copy needs the whole message.
  if (object && iid == IID_IRDOEncryptedMessage) {
    *object = nullptr;
    if (!MessageClass().startsWith(QLatin1String("IPM.Note.SMIME"))) return E_NOINTERFACE;
    return Whole()->QueryInterface(iid, object);
  }
  return TComObject<IRDOMail>::QueryInterface(iid, object);
}

}  // namespace twkimap
