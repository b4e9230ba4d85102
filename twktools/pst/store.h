// An Outlook data file (.pst, .ost) read in place with libpff and never
// written. The store's folders are the IPM subtree (what Outlook shows):
// its root is the subtree's top ("Top of Personal Folders", "IPM_SUBTREE");
// search roots, finder and internal folders and hidden folders are none of them.
// A folder is named by its node in the file.
#pragma once

#include "twktools/session/StoreBase.h"

#include "twktools/maildir/comobject.h"
#include "twktools/pst/props.h"
#include "twktools/session/StoreBackend.h"

#include <QHash>
#include <QList>
#include <memory>

namespace twkpst {

class TPstFolder;

class TPstStore final : public twksession::TStoreBase {
public:
  // Throws EComError(MAPI_E_LOGON_FAILED) naming the file when it cannot be read.
  static TwkPtr<TPstStore> Open(const twksession::TStoreConfig& config);

  bool ReadOnly() override { return true; }
  TwkPtr<IRDOFolder> RootFolder() override;
  TwkPtr<IRDOFolder> GetDefaultFolder(int folderType) override;

  TwkPtr<IRDOFolder> FolderFromID(const QString& entryID) override;
  TwkPtr<IRDOMail> MessageFromID(const QString& entryID) override;
  // Nothing arrives in an archive.
  std::unique_ptr<twksession::TNewMailWatch> WatchInbox(twksession::TNewMailHandler) override { return nullptr; }

  // The file as it is now: opened again when another program changed it.
  std::shared_ptr<TPstFile> File();

  bool FolderExists(std::uint32_t node);
  QString DisplayNameOf(std::uint32_t node);
  // 0 above the root.
  std::uint32_t ParentOf(std::uint32_t node);
  QList<std::uint32_t> ChildrenOf(std::uint32_t node);
  TwkPtr<TPstFolder> FolderOf(std::uint32_t node);
  // The nodes of a folder's items, as the file holds them now.
  QList<std::uint32_t> ItemsOf(std::uint32_t node);


private:
  struct TFolderInfo {
    std::uint32_t Parent = 0;
    QString Name;
    QList<std::uint32_t> Children;
  };
  TPstStore(const twksession::TStoreConfig& config, std::shared_ptr<TPstFile> file);
  // Reads the folder tree and the default folders from the file.
  void ReadTree();
  void ReadFolder(libpff_item_t* folder, std::uint32_t node, std::uint32_t parent, int depth);

  std::shared_ptr<TPstFile> FFile;
  std::uint32_t FRoot = 0;
  QHash<std::uint32_t, TFolderInfo> FFolders;
  QHash<int, std::uint32_t> FDefaults;  // folder type -> node
};

}  // namespace twkpst
