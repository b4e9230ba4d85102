// Translations between the three ways a folder is named (a pair of IDs, a
// live folder object, a display path), relative subfolder paths, folder
// comparisons. Stateless; not found is none, false or empty, never an error.
#pragma once

#include "twktools/TWKtools.h"

#include <QString>

// The folder the IDs name; none on any failure.
TwkPtr<IRDOFolder> GetRDOFolder(IRDOSession* session, const QString& entryID, const QString& storeID);
bool IsMailFolder(IRDOFolder* folder);
// The name of the folder's store when that store is read-only; a null
// string when it may be written.
QString ReadOnlyStoreName(IRDOFolder* folder);
bool IsMailFolderByID(IRDOSession* session, const QString& entryID, const QString& storeID);
// The display path of a mail folder; empty for other folders.
QString GetFolderPath(IRDOFolder* folder);
// Empty when an ID is empty (the store is not asked) or nothing is found.
QString GetFolderPathByID(IRDOSession* session, const QString& entryID, const QString& storeID);
void GetInboxNameAndPath(IRDOSession* session, QString& name, QString& path);
// The component's picker with the given folder preselected; true and the
// IDs replaced when a folder was chosen, else the IDs stay.
bool PickOutlookFolder(void* ownerWindow, const QString& caption, IRDOSession* session, QString& entryID,
                       QString& storeID);
bool SameEntryID(IRDOSession* session, const QString& id1, const QString& id2);
bool IsSameFolder(IRDOSession* session, IRDOFolder* a, IRDOFolder* b);
// True when a is b or one of its ancestors.
bool FolderContains(IRDOSession* session, IRDOFolder* a, IRDOFolder* b);
// The subfolder of that name, created when missing; store errors pass.
TwkPtr<IRDOFolder> ForceSubFolder(IRDOFolder* folder, const QString& name);
// The folder at the end of a "\"-separated relative path below start,
// every missing folder created; store errors pass.
TwkPtr<IRDOFolder> ForceFolderPath(IRDOFolder* start, const QString& relativePath);
// The folder with this display path ("\\Store\Inbox\Sub", names ignoring
// case); none when there is no such folder.
TwkPtr<IRDOFolder> FindFolderByPath(IRDOSession* session, const QString& displayPath);
