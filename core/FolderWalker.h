// The one walk of a folder tree that the engine, the re-import and the
// relocation share: a folder's items from the last index to the first, the
// count re-read before each item (items removed during the walk never shift
// an unvisited index, a vanished index is skipped); then its subfolders from
// the last to the first, each with its items before its own subfolders.
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
  // Index `index` (from 1) of the folder's items, which still exists.
  virtual void VisitItem(IRDOItems* items, int index) = 0;

protected:
  ~TFolderVisitor() = default;
};

void WalkFolderTree(IRDOFolder* folder, bool inclSubFolders, TFolderVisitor& visitor);
