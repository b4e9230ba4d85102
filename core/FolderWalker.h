// The one walk of a folder tree that the engine, the re-import and the
// relocation share: a folder's items from the last index to the first, then
// its subfolders from the last to the first, each with its items before its
// own subfolders.
//
// Other programs may change a folder while it is walked. The count is
// re-read before each item, and the walk remembers which items it has
// visited (by entry ID, also the one an item has after its visit): an item
// that a removal below it moved down is not visited again, and when items
// come in, the walk steps back up over the unvisited items they pushed up.
// Every item that stays in the folder is visited once; one that comes in
// during the walk at most once.
#pragma once

#include "twktools/TWKtools.h"

class TFolderVisitor {
public:
  // Every folder the walk enters, before its items, whether or not it has
  // an item collection.
  virtual void BeginFolder(IRDOFolder* /*folder*/) {}
  // Before the items of a folder whose item collection exists; itemCount is
  // the collection's count at that moment (the walk skips the items when it
  // is below 1).
  virtual void EnterFolder(IRDOFolder* folder, int itemCount) = 0;
  // Index `index` (from 1) of the folder's items, which is `item`; item is
  // null when the store could not give it (asked again, the store says why).
  virtual void VisitItem(IRDOItems* items, int index, IRDOMail* item) = 0;

protected:
  ~TFolderVisitor() = default;
};

void WalkFolderTree(IRDOFolder* folder, bool inclSubFolders, TFolderVisitor& visitor);
