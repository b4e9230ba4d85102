// An IMAP store: one mail server account of the profile. Its folders come
// from the server's LIST (cached, listed again after a change of ours);
// a folder key is the server's mailbox name, the root's key is empty.
#pragma once

#include "twktools/session/StoreBase.h"

#include "twktools/imap/connection.h"
#include "twktools/maildir/comobject.h"
#include "twktools/session/StoreBackend.h"

#include <QHash>
#include <QList>
#include <memory>

namespace twkimap {

class TImapFolder;
class TMailbox;
class TOwnAdditions;

class TImapStore final : public twksession::TStoreBase {
public:
  // Connects and logs in: a missing or wrong password fails the logon.
  static TwkPtr<TImapStore> Open(const twksession::TStoreConfig& config);

  TwkPtr<IRDOFolder> RootFolder() override;
  TwkPtr<IRDOFolder> GetDefaultFolder(int folderType) override;

  TwkPtr<IRDOFolder> FolderFromID(const QString& entryID) override;
  TwkPtr<IRDOMail> MessageFromID(const QString& entryID) override;
  std::unique_ptr<twksession::TNewMailWatch> WatchInbox(twksession::TNewMailHandler handler) override;

  TImapConnection& Connection() { return *FConnection; }

  // The folder tree.
  bool FolderExists(const QByteArray& key);
  bool IsMailFolder(const QByteArray& key);
  QString DisplayNameOf(const QByteArray& key);
  QByteArray ParentOf(const QByteArray& key);
  // The subfolders: the Inbox first, then by name.
  QList<QByteArray> ChildKeys(const QByteArray& key);
  QByteArray CreateFolder(const QByteArray& parentKey, const QString& name);
  // The folder of a key; none when there is no such folder.
  TwkPtr<TImapFolder> FolderOf(const QByteArray& key);
  // The one cache of a mailbox, shared by all its objects.
  std::shared_ptr<TMailbox> MailboxOf(const QByteArray& key);
  // A message our own change put into a mailbox (no new mail for the watch).
  void NoteAdded(const QByteArray& key, std::uint32_t uidValidity, std::uint32_t uid);

private:
  explicit TImapStore(const twksession::TStoreConfig& config);
  struct TFolderEntry {
    bool Selectable = false;
    QString SpecialUse;
  };
  void LoadFolders(bool again = false);

  std::unique_ptr<TImapConnection> FConnection;
  bool FFoldersLoaded = false;
  char FDelimiter = '/';
  QHash<QByteArray, TFolderEntry> FFolders;  // every folder, implied parents too
  QHash<QByteArray, std::shared_ptr<TMailbox>> FMailboxes;
  std::shared_ptr<TOwnAdditions> FOwn;
};

}  // namespace twkimap
