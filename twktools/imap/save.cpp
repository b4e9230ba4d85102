// Saving a changed IMAP message: the rewritten message is stored first
// (APPEND with the old one's flags and arrival time), the old one removed
// only after the server confirmed the new one. The old one carries a mark
// meanwhile, so a connection lost between the two steps leaves a pair the
// next look at the folder recognises (see TMailbox::FinishRewrites).
#include "twktools/imap/folder.h"
#include "twktools/imap/message.h"

namespace twkimap {

void TImapMessage::Save() {
  if (!FChanged) return;
  const QByteArray bytes = Whole()->MimeContent();
  TImapConnection& connection = FBox->Connection();
  std::lock_guard g(connection.Lock());
  connection.AddFlags(FBox->Name(), FUid, false, kRewriteKeyword);
  const TNewUid placed = AppendTo(FFolder.get(), bytes);
  connection.AddFlags(FBox->Name(), FUid, true, {});
  connection.Expunge(FBox->Name(), FUid);
  FBox->Removed(FUid);
  const TwkPtr<IRDOMail> saved = PlacedMessage(FFolder.get(), placed);
  FUid = static_cast<TImapMessage*>(saved.get())->FUid;
  FUidValidity = static_cast<TImapMessage*>(saved.get())->FUidValidity;
  // The outline is the new message's now; the whole one keeps the saved content.
  FOutline.reset();
  FOutlineMail.reset();
  FChanged = false;
}

}  // namespace twkimap
