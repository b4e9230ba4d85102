// Sending from the desktop: the application's item-send event first (the
// add-ins may change the message or cancel), then the sendmail program of
// the settings, then a copy in the store's Sent folder when it has one.
#pragma once

#include "twktools/TWKtools.h"

#include <functional>

class TRDOSession;

// The store's folder of this name (ignoring case) below its root, of the
// first name found; none when there is none.
TwkPtr<IRDOFolder> FindTopFolder(TRDOSession* session, const QStringList& names);
QStringList SentFolderNames();   // "Sent", "Sent Items", "Sent Messages"
QStringList DraftFolderNames();  // "Drafts"

class TMailSender {
public:
  using TItemSend = std::function<void(IRDOMail* item, bool& cancel)>;
  TMailSender(TRDOSession* session, TItemSend itemSend) : FSession(session), FItemSend(std::move(itemSend)) {}

  // Sends mail; false when the item-send event cancelled it (nothing left).
  // A stored draft moves to the Sent folder; a new message is copied there.
  // Raises when sendmail cannot run or fails: the message counts as unsent.
  bool Send(IRDOMail* mail, bool storedDraft);

private:
  TRDOSession* FSession;
  TItemSend FItemSend;
};
