#include "core/FolderWalker.h"

#include "core/Exception.h"

#include <QSet>
#include <algorithm>

namespace {

QString EntryIDOf(IRDOMail* item) {
  try {
    return item ? item->EntryID() : QString();
  } catch (const Exception&) {
    return {};  // an item without an ID is simply not recognised again
  }
}

void WalkItems(IRDOItems* items, int count, TFolderVisitor& visitor) {
  QSet<QString> visited;
  int last = count;  // the count that the position i refers to
  for (int i = count;;) {
    const int now = items->Count();
    // Items came in: unvisited ones below may have moved up by as many.
    if (now > last) i += now - last;
    last = now;
    i = std::min(i, now);
    if (i < 1) return;
    const int index = i--;
    TwkPtr<IRDOMail> item;
    try {
      item = items->Item(index);
    } catch (const Exception&) {
      // Left to the visitor, which asks again and reports the store's reason.
    }
    const QString id = EntryIDOf(item.get());
    if (!id.isEmpty() && visited.contains(id)) continue;  // moved down by a removal below it
    if (!id.isEmpty()) visited.insert(id);
    visitor.VisitItem(items, index, item.get());
    // A changed item is saved under a new entry ID: that one is visited too.
    if (const QString after = EntryIDOf(item.get()); !after.isEmpty()) visited.insert(after);
    // Our own removal (a move) lowers the count; a rise counts as arrivals.
    last = std::min(last, items->Count());
  }
}

}  // namespace

void WalkFolderTree(IRDOFolder* folder, bool inclSubFolders, TFolderVisitor& visitor) {
  visitor.BeginFolder(folder);
  if (TwkPtr<IRDOItems> items = folder->Items()) {
    const int count = items->Count();
    visitor.EnterFolder(folder, count);
    WalkItems(items.get(), count, visitor);
  }
  if (!inclSubFolders) return;
  TwkPtr<IRDOFolders> subFolders = folder->Folders();
  if (!subFolders) return;
  for (int j = subFolders->Count(); j >= 1; --j) {
    if (subFolders->Count() < j) continue;
    if (TwkPtr<IRDOFolder> sub = subFolders->Item(j)) WalkFolderTree(sub.get(), true, visitor);
  }
}
