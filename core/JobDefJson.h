// Job and inbox files as JSON, for `twk job` and `twk inbox`: members named
// as the properties, enumerations by value name (a number when the ordinal
// has no name), dates as raw date-time doubles, lists as string arrays.
#pragma once

#include "core/JobDef.h"

#include <QByteArray>
#include <QString>
#include <functional>

// Turns a folder display path ("FolderPath" in SourceFilter, JobDef_Copy,
// JobDef_Move) into the folder's entry ID and store ID; Field names the
// member for its error messages. Only the mail store can answer, so callers
// without one pass none and such a member is refused.
using TFolderPathResolver =
    std::function<void(const QString& Field, const QString& FolderPath, QString& EntryID, QString& StoreID)>;

// Pretty JSON, members in file order; Version is the magic that was read.
QByteArray JobDefToJson(const TJobDef_Manual& Job, const QString& Version);
QByteArray InboxListToJson(const TJobDefList_Inbox& List, const QString& Version);

// Builds from JSON; missing members take the Clear defaults. Bad JSON, a
// member of the wrong type, an unknown value name or an unknown member raise
// Exception naming the place (SourceName with line and column for syntax, the
// member's path otherwise).
TJobDef_Manual JobDefFromJson(const QByteArray& Json, const QString& SourceName,
                              const TFolderPathResolver& Resolver = {});
TJobDefList_Inbox InboxListFromJson(const QByteArray& Json, const QString& SourceName);
