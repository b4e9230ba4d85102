// Inside the Maildir backend: what the folder side (store, folders, items,
// IDs) and the message side (MIME reading, changing, saving, copying) need of
// each other. Nothing here leaves the component.
#pragma once

#include "twktools/TWKtools.h"

namespace twkmaildir {

// A folder of a Maildir store (folder side).
class MailFolder : public IRDOFolder {
public:
  // The maildir (the directory holding cur/, new/, tmp/); empty for a folder
  // that is not a mail folder.
  virtual QString MaildirPath() = 0;
  // The entry ID of the message with this unique name (the file name up to
  // the ":2," info part) in this folder.
  virtual QString MessageEntryID(const QString& uniqueName) = 0;
  // Our own change to the folder's messages (delivered, removed, renamed):
  // the cached listing is brought up to date without re-reading the directory.
  virtual void MessageAdded(const QString& filePath) = 0;
  virtual void MessageRemoved(const QString& filePath) = 0;
  // The file of the message with this unique name now (another program may
  // have renamed it: new flags, new/ to cur/); empty when it is gone.
  virtual QString MessageFile(const QString& uniqueName) = 0;
};

// Message side: the message stored in filePath (in cur/ or new/ of folder).
TwkPtr<IRDOMail> OpenStoredMessage(MailFolder* folder, const QString& filePath);
// Message side: a message outside any store (a file, MIME bytes).
TwkPtr<IRDOMail> OpenLooseMessage(const QByteArray& mime, const QString& originPath);

// The unique name of a maildir file name: the part before ":2," (or before
// the last ':' with Windows-safe separators, ";2,").
QString UniqueNameOf(const QString& fileName);

}  // namespace twkmaildir
