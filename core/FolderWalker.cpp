#include "core/FolderWalker.h"

void WalkFolderTree(IRDOFolder* folder, bool inclSubFolders, TFolderVisitor& visitor) {
  visitor.BeginFolder(folder);
  if (TwkPtr<IRDOItems> items = folder->Items()) {
    const int count = items->Count();
    visitor.EnterFolder(folder, count);
    for (int i = count; i >= 1; --i)
      if (items->Count() >= i) visitor.VisitItem(items.get(), i);
  }
  if (!inclSubFolders) return;
  TwkPtr<IRDOFolders> subFolders = folder->Folders();
  if (!subFolders) return;
  for (int j = subFolders->Count(); j >= 1; --j) {
    if (subFolders->Count() < j) continue;
    if (TwkPtr<IRDOFolder> sub = subFolders->Item(j)) WalkFolderTree(sub.get(), true, visitor);
  }
}
