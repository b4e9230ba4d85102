// An mbox store, read in place and never written: one mbox file, a
// directory of them (Thunderbird's "<name>.sbd" subfolder directories, Apple
// Mail's "<name>.mbox/mbox"), or a Thunderbird profile (each account
// directory under Mail/ and ImapMail/ a top-level folder).
//
// A folder key is the path below the store's base directory of the folder's
// mbox file (an Apple Mail folder: its ".mbox" directory; a profile's
// account: its directory); the root's key is empty.
#pragma once

#include "twktools/session/StoreBase.h"

#include "twktools/maildir/comobject.h"
#include "twktools/mbox/scan.h"
#include "twktools/session/StoreBackend.h"

#include <QHash>
#include <memory>

namespace twkmbox {

class TMboxFolder;

enum class TMboxLayout { File, Directory, Profile };

class TMboxStore final : public twksession::TStoreBase {
public:
  // Throws EComError(MAPI_E_LOGON_FAILED) naming the path when it is none of the three.
  static TwkPtr<TMboxStore> Open(const twksession::TStoreConfig& config);

  bool ReadOnly() override { return true; }
  TwkPtr<IRDOFolder> RootFolder() override;
  TwkPtr<IRDOFolder> GetDefaultFolder(int folderType) override;

  TwkPtr<IRDOFolder> FolderFromID(const QString& entryID) override;
  TwkPtr<IRDOMail> MessageFromID(const QString& entryID) override;
  // Nothing arrives in an archive.
  std::unique_ptr<twksession::TNewMailWatch> WatchInbox(twksession::TNewMailHandler) override { return nullptr; }


  // The folder tree.
  bool FolderExists(const QString& key);
  // The mbox file of a mail folder; empty for the root and an account.
  QString MboxFileOf(const QString& key);
  QString DisplayNameOf(const QString& key);
  QString ParentOf(const QString& key);
  // The subfolders: the Inbox first, then by name.
  QStringList ChildKeys(const QString& key);
  TwkPtr<TMboxFolder> FolderOf(const QString& key);
  // The folder's messages as its file holds them now: scanned again when
  // the file's size or time changed since the last scan; the first access
  // of a session takes them from the index cache when it still fits.
  std::shared_ptr<const TMboxIndex> IndexOf(const QString& key);


private:
  TMboxStore(const twksession::TStoreConfig& config, TMboxLayout layout, QString base, QString rootFile);
  enum class TKind { None, Root, File, AppleDir, Account };
  TKind KindOf(const QString& key);
  QString FullPath(const QString& key) const;
  QStringList ListDir(const QString& dir, const QString& prefix);

  TMboxLayout FLayout;
  QString FBase;      // the directory keys are relative to
  QString FRootFile;  // the one file's key (layout File)
  QHash<QString, std::shared_ptr<const TMboxIndex>> FIndexes;
};

// True when the file is an mbox folder: it begins with a "From " line, or it
// is empty beside a Thunderbird index (.msf).
bool IsMboxFolderFile(const QString& path);

}  // namespace twkmbox
