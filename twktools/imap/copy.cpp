// Copying and moving IMAP messages: within one server the server does it
// (UID COPY, UID MOVE); to another store the bytes are stored there first
// and the original removed only after that succeeded.
#include "twktools/imap/folder.h"
#include "twktools/imap/message.h"
#include "twktools/maildir/copy.h"

#include <QDateTime>

namespace twkimap {

namespace {

// The destination when it is an IMAP folder; none for another kind of store.
TImapFolder* ImapDestination(IRDOFolder* folder) {
  auto* dest = dynamic_cast<TImapFolder*>(folder);
  if (dest && !dest->OwnerStore()->IsMailFolder(dest->Key()))
    throw EComError(MAPI_E_NO_SUPPORT, QStringLiteral("The destination folder \"%1\" is not a mail folder").arg(folder->FolderPath()));
  return dest;
}

}  // namespace

TNewUid TImapMessage::AppendTo(TImapFolder* dest, const QByteArray& bytes) {
  TMessageFlags flags = Outline().Flags;
  flags.Keywords.removeAll(kRewriteKeyword);
  return dest->OwnerStore()->Connection().Append(dest->Key(), bytes, flags, Outline().InternalDate);
}

TwkPtr<IRDOMail> PlacedMessage(TImapFolder* dest, TNewUid placed) {
  std::shared_ptr<TMailbox> box = dest->OwnerStore()->MailboxOf(dest->Key());
  if (placed.Uid == 0) {
    // A server without UIDPLUS does not say where: the newest message there.
    box->Refresh();
    if (box->Count() == 0) throw EComError(MAPI_E_NOT_FOUND, QStringLiteral("The stored message cannot be found in \"%1\"").arg(dest->FolderPath()));
    placed = TNewUid{box->UidValidity(), box->UidAt(box->Count() - 1)};
  }
  if (placed.UidValidity == box->UidValidity()) box->Added(placed.Uid);
  dest->OwnerStore()->NoteAdded(dest->Key(), placed.UidValidity, placed.Uid);
  return TImapMessage::Open(TwkPtr<TImapFolder>(dest), box, placed.Uid, placed.UidValidity);
}

TwkPtr<IRDOMail> TImapMessage::CopyTo(IRDOFolder* folder) {
  TImapFolder* dest = ImapDestination(folder);
  if (!dest) {
    // Another kind of store: its own copy of the bytes.
    twkmaildir::MailFolder* local = twkmaildir::DestinationMailFolder(folder);
    // A file name there that begins with the arrival time, the read flag as the server has it.
    const std::int64_t arrival = Outline().InternalDate > 0 ? Outline().InternalDate : QDateTime::currentSecsSinceEpoch();
    const QString name = QString::number(arrival) + (Outline().Flags.Seen ? QStringLiteral(":2,S") : QStringLiteral(":2,"));
    return twkmaildir::OpenStoredMessage(local, twkmaildir::CopyMessageFile(MimeContent(), name, local));
  }
  const bool sameServer = dest->OwnerStore() == FFolder->OwnerStore();
  const TNewUid placed = sameServer && !FChanged ? FBox->Connection().Copy(FBox->Name(), FUid, dest->Key())
                                                 : AppendTo(dest, MimeContent());
  return PlacedMessage(dest, placed);
}

TwkPtr<IRDOMail> TImapMessage::Move(IRDOFolder* folder) {
  TImapFolder* dest = ImapDestination(folder);
  if (dest && dest->OwnerStore() == FFolder->OwnerStore() && dest->Key() == FFolder->Key())
    return TwkPtr<IRDOMail>(this);
  TImapConnection& connection = FBox->Connection();
  TwkPtr<IRDOMail> moved;
  if (dest && dest->OwnerStore() == FFolder->OwnerStore() && !FChanged) {
    moved = PlacedMessage(dest, connection.Move(FBox->Name(), FUid, dest->Key()));
  } else {
    // Pending changes or another store: the new copy first, then the original goes.
    moved = CopyTo(folder);
    connection.AddFlags(FBox->Name(), FUid, true, {});
    connection.Expunge(FBox->Name(), FUid);
  }
  FBox->Removed(FUid);
  FChanged = false;
  return moved;
}

}  // namespace twkimap
