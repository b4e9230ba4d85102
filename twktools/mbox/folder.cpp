#include "twktools/mbox/folder.h"

#include "twktools/mbox/ids.h"
#include "twktools/mbox/message.h"

namespace twkmbox {

TMboxFolder::TMboxFolder(TwkPtr<TMboxStore> store, QString key)
    : FStore(std::move(store)), FKey(std::move(key)), FMboxFile(FStore->MboxFileOf(FKey)) {}

QString TMboxFolder::EntryID() { return FolderEntryID(FStore->StoreKey(), FKey); }

TwkPtr<IRDOFolder> TMboxFolder::Parent() {
  if (FKey.isEmpty()) return {};
  return FStore->FolderOf(FStore->ParentOf(FKey));
}

QString TMboxFolder::FolderPath() {
  QString path;
  for (QString k = FKey; !k.isEmpty(); k = FStore->ParentOf(k)) path.prepend(QLatin1Char('\\') + FStore->DisplayNameOf(k));
  return QStringLiteral("\\\\") + FStore->Name() + path;
}

TwkPtr<IRDOItems> TMboxFolder::Items() {
  return TwkPtr<IRDOItems>::Adopt(new TMboxItems(TwkPtr<TMboxFolder>(this), FStore->IndexOf(FKey)));
}

TwkPtr<IRDOFolders> TMboxFolder::Folders() { return TwkPtr<IRDOFolders>::Adopt(new TMboxFolders(FStore, FKey)); }

TMboxFolders::TMboxFolders(TwkPtr<TMboxStore> store, const QString& parentKey)
    : FStore(std::move(store)), FKeys(FStore->ChildKeys(parentKey)) {}

TwkPtr<IRDOFolder> TMboxFolders::Item(int index) {
  if (index < 1 || index > FKeys.size())
    throw EComError(E_INVALIDARG, QStringLiteral("Folder index %1 out of range (1..%2)").arg(index).arg(FKeys.size()));
  return FStore->FolderOf(FKeys[index - 1]);
}

TwkPtr<IRDOFolder> TMboxFolders::ItemByName(const QString& name) {
  for (const QString& key : FKeys)
    if (FStore->DisplayNameOf(key).compare(name, Qt::CaseInsensitive) == 0) return FStore->FolderOf(key);
  return {};
}

TwkPtr<IRDOMail> TMboxItems::Item(int index) {
  if (index < 1 || index > Count())
    throw EComError(E_INVALIDARG, QStringLiteral("Item index %1 out of range (1..%2)").arg(index).arg(Count()));
  return TMboxMessage::Open(FFolder, FIndex->Entries[size_t(index - 1)]);
}

}  // namespace twkmbox
