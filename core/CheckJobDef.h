// Validation of jobs before they run: static checks of each part (the
// dialogs call them before a job is accepted) and the run-time check that
// also resolves the source and the destination folders in the store.
#pragma once

#include "core/JobDef.h"
#include "core/Outlook.h"
#include "twktools/TWKtools.h"

#include <QString>
#include <QStringList>
#include <memory>

// CheckMask of a fresh resolver; attAllowed admits [FE] and its kin.
bool IsValidMask(const QString& mask, bool attAllowed);
// True when the mask contains [MN], [ME], [NN] or [NE] in any case (the
// placeholders that need the own-address list).
bool MaskUsesOwnAddresses(const QString& mask);

// Each raises an Exception with the system's message on the first problem.
void CheckJobDef_SourceFilter(const TJobDef_SourceFilter& sourceFilter);
void CheckJobDef_EmailFilter1(const TJobDef_EmailFilter1& emailFilter1);
void CheckJobDef_EmailFilter2(const TJobDef_EmailFilter2& emailFilter2);
void CheckJobDef_ExportEmails(const TJobDef_ExportEmails& exportEmails);
void CheckJobDef_ExportAtts(const TJobDef_ExportAtts& exportAtts);
void CheckJobDef_Copy(const TJobDef_CopyMove& copy);
void CheckJobDef_Move(const TJobDef_CopyMove& move);

// Source and destination may not be the same folder, nor (with subfolders)
// contain one another.
void CheckFolderRelation(IRDOSession* session, IRDOFolder* sourceFolder, IRDOFolder* destFolder,
                         bool inclSubFolders);

// The inbox tasks change the e-mails of the default store's Inbox: raises
// when that store is read-only.
void CheckJobDef_InboxStore(IRDOSession* session);

// The run-time check. On success the out-parameters hold the move and copy
// destinations (none when the task is off), the selection (jobs on the
// selection only) and the source folder; on failure they are all cleared.
void CheckJobDef_Manual(const TJobDef_Manual& jobDef, TOutlookApplication* outlook, IRDOSession* session,
                        TwkPtr<IRDOFolder>& moveToFolder, TwkPtr<IRDOFolder>& copyToFolder,
                        std::shared_ptr<TOutlookSelection>& selection, TwkPtr<IRDOFolder>& startFolder,
                        const QStringList& meNames);
