// A Maildir store: its layout, its folders by key, and the shared listings.
//
// A folder key is the list of on-disk folder names from the store's root,
// joined by "/"; the root's key is empty. In the Maildir++ layout the Inbox
// is the root maildir with the key "INBOX", and ".A.B" has the key "A/B"; in
// the nested layout a key is the directory path below the root.
#pragma once

#include "twktools/session/StoreBase.h"

#include "twktools/maildir/comobject.h"
#include "twktools/maildir/items.h"
#include "twktools/session/StoreBackend.h"

#include <QHash>
#include <memory>
#include <mutex>

namespace twkmaildir {

enum class TLayout { MaildirPlusPlus, Nested };

class TMaildirStore final : public twksession::TStoreBase {
public:
  // Opens the store at config.Path; throws EComError(MAPI_E_LOGON_FAILED)
  // when it is not a maildir store of either layout.
  static TwkPtr<TMaildirStore> Open(const twksession::TStoreConfig& config);

  TwkPtr<IRDOFolder> RootFolder() override;
  TwkPtr<IRDOFolder> GetDefaultFolder(int folderType) override;

  TwkPtr<IRDOFolder> FolderFromID(const QString& entryID) override;
  TwkPtr<IRDOMail> MessageFromID(const QString& entryID) override;
  std::unique_ptr<twksession::TNewMailWatch> WatchInbox(twksession::TNewMailHandler handler) override;
  TLayout Layout() const { return FLayout; }
  const QString& Path() const { return FPath; }

  // The folder of a key; none when there is no such folder.
  TwkPtr<MailFolder> FolderOf(const QString& key);
  QString InboxKey();
  bool FolderExists(const QString& key);
  // The maildir of a key; empty when the folder is not a mail folder.
  QString MaildirOf(const QString& key);
  QString DisplayNameOf(const QString& key);
  // The keys of the subfolders, the Inbox first, then by name.
  QStringList ChildKeys(const QString& key);
  // Creates a mail folder below parentKey and returns its key.
  QString CreateFolder(const QString& parentKey, const QString& name);
  // The one listing of a maildir, shared by all its folder objects.
  std::shared_ptr<TListing> ListingOf(const QString& maildir);

private:
  TMaildirStore(const twksession::TStoreConfig& config, TLayout layout);
  QString DirOf(const QString& key) const;
  QStringList MaildirPlusPlusKeys() const;

  QString FPath;
  TLayout FLayout;
  std::mutex FLock;
  QHash<QString, std::shared_ptr<TListing>> FListings;
};

// The key of a folder's parent (the root's key for a top-level folder).
QString ParentFolderKey(const QString& key);

// True when dir holds cur/ and new/.
bool IsMaildir(const QString& dir);

// Upper-cases both sides with the user's locale.
bool SameTextIgnoringCase(const QString& a, const QString& b);

}  // namespace twkmaildir
