// The folders of an mbox store, their subfolder collections and items.
#pragma once

#include "twktools/mbox/store.h"

namespace twkmbox {

class TMboxFolder final : public twkmaildir::TComObject<IRDOFolder> {
public:
  TMboxFolder(TwkPtr<TMboxStore> store, QString key);

  QString EntryID() override;
  QString StoreID() override { return FStore->StoreID(); }
  QString Name() override { return FStore->DisplayNameOf(FKey); }
  TwkPtr<IRDOFolder> Parent() override;
  QString FolderPath() override;
  int Classification() override { return FMboxFile.isEmpty() ? olFolderKindOther : olFolderKindMail; }
  TwkPtr<IRDOStore> Store() override { return FStore; }
  TwkPtr<IRDOItems> Items() override;
  TwkPtr<IRDOFolders> Folders() override;

  const QString& Key() const { return FKey; }
  const QString& MboxFile() const { return FMboxFile; }
  TMboxStore* OwnerStore() const { return FStore.get(); }

private:
  TwkPtr<TMboxStore> FStore;
  QString FKey;
  QString FMboxFile;
};

class TMboxFolders final : public twkmaildir::TComObject<IRDOFolders> {
public:
  TMboxFolders(TwkPtr<TMboxStore> store, const QString& parentKey);

  int Count() override { return int(FKeys.size()); }
  TwkPtr<IRDOFolder> Item(int index) override;
  TwkPtr<IRDOFolder> ItemByName(const QString& name) override;
  TwkPtr<IRDOFolder> Add(const QString&, int) override { FStore->RaiseReadOnly(); }

private:
  TwkPtr<TMboxStore> FStore;
  QStringList FKeys;
};

// A folder's messages as its file held them when the collection was made.
class TMboxItems final : public twkmaildir::TComObject<IRDOItems> {
public:
  TMboxItems(TwkPtr<TMboxFolder> folder, std::shared_ptr<const TMboxIndex> index)
      : FFolder(std::move(folder)), FIndex(std::move(index)) {}
  int Count() override { return int(FIndex->Entries.size()); }
  TwkPtr<IRDOMail> Item(int index) override;

private:
  TwkPtr<TMboxFolder> FFolder;
  std::shared_ptr<const TMboxIndex> FIndex;
};

}  // namespace twkmbox
