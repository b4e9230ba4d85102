#include "twktools/pst/folder.h"

#include "twktools/pst/ids.h"
#include "twktools/pst/message.h"

namespace twkpst {

QString TPstFolder::EntryID() { return FolderEntryID(FStore->StoreKey(), FNode); }

TwkPtr<IRDOFolder> TPstFolder::Parent() {
  const std::uint32_t parent = FStore->ParentOf(FNode);
  if (!parent) return {};
  return FStore->FolderOf(parent);
}

QString TPstFolder::FolderPath() {
  QString path;
  for (std::uint32_t n = FNode; FStore->ParentOf(n) != 0; n = FStore->ParentOf(n))
    path.prepend(QLatin1Char('\\') + FStore->DisplayNameOf(n));
  return QStringLiteral("\\\\") + FStore->Name() + path;
}

TwkPtr<IRDOItems> TPstFolder::Items() {
  return TwkPtr<IRDOItems>::Adopt(new TPstItems(TwkPtr<TPstFolder>(this), FStore->ItemsOf(FNode)));
}

TwkPtr<IRDOFolders> TPstFolder::Folders() { return TwkPtr<IRDOFolders>::Adopt(new TPstFolders(FStore, FNode)); }

TwkPtr<IRDOFolder> TPstFolders::Item(int index) {
  if (index < 1 || index > FNodes.size())
    throw EComError(E_INVALIDARG, QStringLiteral("Folder index %1 out of range (1..%2)").arg(index).arg(FNodes.size()));
  return FStore->FolderOf(FNodes[index - 1]);
}

TwkPtr<IRDOFolder> TPstFolders::ItemByName(const QString& name) {
  for (const std::uint32_t node : FNodes)
    if (FStore->DisplayNameOf(node).compare(name, Qt::CaseInsensitive) == 0) return FStore->FolderOf(node);
  return {};
}

TwkPtr<IRDOMail> TPstItems::Item(int index) {
  if (index < 1 || index > Count())
    throw EComError(E_INVALIDARG, QStringLiteral("Item index %1 out of range (1..%2)").arg(index).arg(Count()));
  return TPstMessage::OpenStored(FFolder, FNodes[index - 1]);
}

}  // namespace twkpst
