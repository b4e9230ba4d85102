// The folders of an Outlook store, their subfolder collections and items.
#pragma once

#include "twktools/pst/store.h"

namespace twkpst {

class TPstFolder final : public twkmaildir::TComObject<IRDOFolder> {
public:
  TPstFolder(TwkPtr<TPstStore> store, std::uint32_t node) : FStore(std::move(store)), FNode(node) {}

  QString EntryID() override;
  QString StoreID() override { return FStore->StoreID(); }
  QString Name() override { return FStore->DisplayNameOf(FNode); }
  TwkPtr<IRDOFolder> Parent() override;
  QString FolderPath() override;
  // Every folder of the subtree holds items; the engine's class rules pick what it handles.
  int Classification() override { return olFolderKindMail; }
  TwkPtr<IRDOStore> Store() override { return FStore; }
  TwkPtr<IRDOItems> Items() override;
  TwkPtr<IRDOFolders> Folders() override;

  std::uint32_t Node() const { return FNode; }
  TPstStore* OwnerStore() const { return FStore.get(); }

private:
  TwkPtr<TPstStore> FStore;
  std::uint32_t FNode;
};

class TPstFolders final : public twkmaildir::TComObject<IRDOFolders> {
public:
  TPstFolders(TwkPtr<TPstStore> store, std::uint32_t parent)
      : FStore(std::move(store)), FNodes(FStore->ChildrenOf(parent)) {}

  int Count() override { return int(FNodes.size()); }
  TwkPtr<IRDOFolder> Item(int index) override;
  TwkPtr<IRDOFolder> ItemByName(const QString& name) override;
  TwkPtr<IRDOFolder> Add(const QString&, int) override { FStore->RaiseReadOnly(); }

private:
  TwkPtr<TPstStore> FStore;
  QList<std::uint32_t> FNodes;
};

// A folder's items as the file held them when the collection was made.
class TPstItems final : public twkmaildir::TComObject<IRDOItems> {
public:
  TPstItems(TwkPtr<TPstFolder> folder, QList<std::uint32_t> nodes) : FFolder(std::move(folder)), FNodes(std::move(nodes)) {}
  int Count() override { return int(FNodes.size()); }
  TwkPtr<IRDOMail> Item(int index) override;

private:
  TwkPtr<TPstFolder> FFolder;
  QList<std::uint32_t> FNodes;
};

}  // namespace twkpst
