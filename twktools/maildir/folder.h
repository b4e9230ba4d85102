// The folders of a Maildir store and their subfolder collections.
#pragma once

#include "twktools/maildir/store.h"

namespace twkmaildir {

class TMaildirFolder final : public TComObject<MailFolder> {
public:
  TMaildirFolder(TwkPtr<TMaildirStore> store, QString key);

  QString EntryID() override;
  QString StoreID() override { return FStore->StoreID(); }
  QString Name() override;
  TwkPtr<IRDOFolder> Parent() override;
  QString FolderPath() override;
  int Classification() override;
  TwkPtr<IRDOStore> Store() override { return FStore; }
  TwkPtr<IRDOItems> Items() override;
  TwkPtr<IRDOFolders> Folders() override;

  QString MaildirPath() override;
  QString MessageEntryID(const QString& uniqueName) override;
  void MessageAdded(const QString& filePath) override;
  void MessageRemoved(const QString& filePath) override;
  QString MessageFile(const QString& uniqueName) override;

  const QString& Key() const { return FKey; }
  TMaildirStore* OwnerStore() const { return FStore.get(); }
  // The shared listing; none for a folder that is not a mail folder.
  std::shared_ptr<TListing> Listing();

private:
  TwkPtr<TMaildirStore> FStore;
  QString FKey;
  QString FMaildir;
  bool FMaildirKnown = false;
};

class TMaildirFolders final : public TComObject<IRDOFolders> {
public:
  TMaildirFolders(TwkPtr<TMaildirStore> store, QString parentKey);

  int Count() override;
  TwkPtr<IRDOFolder> Item(int index) override;
  TwkPtr<IRDOFolder> ItemByName(const QString& name) override;
  TwkPtr<IRDOFolder> Add(const QString& name, int folderType) override;

private:
  TwkPtr<TMaildirStore> FStore;
  QString FParentKey;
  QStringList FKeys;
};

}  // namespace twkmaildir
