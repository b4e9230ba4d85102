// The client's objects as plain values: a folder and an item known by their
// IDs, and a selection of such items. The desktop host hands them out for
// what its window shows; the D-Bus client builds them from the host's answers.
#pragma once

#include "core/Outlook.h"

#include <QList>

class TOutlookFolderRef final : public TOutlookObject {
public:
  TOutlookFolderRef(QString entryID, QString storeID) : FEntryID(std::move(entryID)), FStoreID(std::move(storeID)) {}
  int Class() override { return olFolder; }
  QString EntryID() override { return FEntryID; }
  QString StoreID() override { return FStoreID; }
  std::shared_ptr<TOutlookObject> Parent() override { return nullptr; }
  QString MessageClass() override { return QString(); }

private:
  QString FEntryID, FStoreID;
};

class TOutlookItemRef final : public TOutlookObject {
public:
  TOutlookItemRef(QString entryID, QString messageClass, std::shared_ptr<TOutlookObject> parent)
      : FEntryID(std::move(entryID)), FMessageClass(std::move(messageClass)), FParent(std::move(parent)) {}
  int Class() override { return olMail; }
  QString EntryID() override { return FEntryID; }
  QString StoreID() override { return FParent ? FParent->StoreID() : QString(); }
  std::shared_ptr<TOutlookObject> Parent() override { return FParent; }
  QString MessageClass() override { return FMessageClass; }

private:
  QString FEntryID, FMessageClass;
  std::shared_ptr<TOutlookObject> FParent;
};

class TOutlookItemList final : public TOutlookSelection {
public:
  explicit TOutlookItemList(QList<std::shared_ptr<TOutlookObject>> items) : FItems(std::move(items)) {}
  int Count() override { return int(FItems.size()); }
  std::shared_ptr<TOutlookObject> Item(int index) override;

private:
  QList<std::shared_ptr<TOutlookObject>> FItems;
};

// An explorer whose folder and selection are read when asked.
class TOutlookExplorerSnapshot final : public TOutlookExplorer {
public:
  TOutlookExplorerSnapshot(std::shared_ptr<TOutlookObject> folder, std::shared_ptr<TOutlookSelection> selection)
      : FFolder(std::move(folder)), FSelection(std::move(selection)) {}
  std::shared_ptr<TOutlookObject> CurrentFolder() override { return FFolder; }
  std::shared_ptr<TOutlookSelection> Selection() override { return FSelection; }

private:
  std::shared_ptr<TOutlookObject> FFolder;
  std::shared_ptr<TOutlookSelection> FSelection;
};
