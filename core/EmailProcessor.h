// The engine that carries out jobs: one instance per run. The caller sets the
// session (and the Outlook application for jobs on the selection), copies its
// options in, optionally attaches a progress handler, runs ExecuteManual (or
// ExecuteAuto for one new e-mail and the inbox tasks), then reads
// ManualResults and MailErrors.
#pragma once

#include "core/DateTimeUtils.h"
#include "core/FileBeside.h"
#include "core/JobDef.h"
#include "core/LinkRoots.h"
#include "core/Options.h"
#include "core/Outlook.h"
#include "core/WrittenFileSystems.h"
#include "twktools/TWKtools.h"

#include <QStringList>
#include <functional>

class TEmailProcessor;
class TExportTarget;
class TMailFields;
class TResolvePlaceholders;


// Progress: (sender, folder, items in folder, current item, action, cancel).
using TProcessingEvent = std::function<void(TEmailProcessor* sender, const QString& outlookFolder, int itemsInFolder,
                                            int curItemNo, const QString& action, bool& cancel)>;

class TEmailProcessor {
public:
  TEmailProcessor() = default;
  TEmailProcessor(const TEmailProcessor&) = delete;
  TEmailProcessor& operator=(const TEmailProcessor&) = delete;

  TOutlookApplication* Outlook() const { return FOutlook; }
  void SetOutlook(TOutlookApplication* v) { FOutlook = v; }
  IRDOSession* RDOSession() const { return FRDOSession; }
  void SetRDOSession(IRDOSession* v) { FRDOSession = v; }
  TOptions& Options() { return FOptions; }
  void SetOnProcessing(TProcessingEvent v) { FOnProcessing = std::move(v); }

  const QStringList& MailErrors() const { return FMailErrors; }
  const QStringList& ManualResults() const { return FManualResults; }

  int CountFoldersInspected() const { return FCountFoldersInspected; }
  int CountItemsInspected() const { return FCountItemsInspected; }
  int CountEmailsProcessed() const { return FCountEmailsProcessed; }
  int CountEmailsExported() const { return FCountEmailsExported; }
  int CountSaveAttsEmailsAffected() const { return FCountSaveAttsEmailsAffected; }
  int CountSaveAttsSaved() const { return FCountSaveAttsSaved; }
  int CountSaveAttsShortcuts() const { return FCountSaveAttsShortcuts; }
  int CountSaveAttsRemoved() const { return FCountSaveAttsRemoved; }
  int CountEmailsCopied() const { return FCountEmailsCopied; }
  int CountEmailsMoved() const { return FCountEmailsMoved; }

  // Runs a manual job; raises on a validation failure or cancel ("User
  // cancelled"). The result lines are written however the run ends.
  void ExecuteManual(const TJobDef_Manual& jobDef);
  // Runs the first inbox task whose filter matches the new e-mail, which is
  // taken as lying in the Inbox. A task's failure becomes a mail error; only
  // failures before the tasks (the Inbox, the mail's fields) raise. The
  // list's Active switch is the caller's business.
  void ExecuteAuto(IRDOMail* hrdoMail, const TJobDefList_Inbox& jobDefList_Inbox);

private:
  class TWalk;
  struct TAttCounts {
    int Shortcuts = 0, Removed = 0, Skipped = 0, Saved = 0;
  };

  void ResetRun();
  void SetCurrentFolder(IRDOFolder* folder);
  void NotifyProcessing();
  void ProcessEmail(IRDOMail* mail);
  void ProcessSelection(IRDOFolder* folder, const std::shared_ptr<TOutlookSelection>& selection);
  bool MatchesEmailFilter(const TMailFields& fields) const;
  bool MatchesDateRange(const TMailFields& fields) const;
  void WriteManualResults();
  void AddMailError(const QString& folderPath, const QString& subject, const QString& message, TDateTime mailDate);

  // The mail-error guard: an error becomes a block of MailErrors with the
  // current folder's path; a cancel is dropped.
  void RunGuarded(const TMailFields& fields, const std::function<void()>& body);
  // The two exports of a manual job or an inbox task, in this order, sharing
  // one decrypted copy of a signed or encrypted e-mail.
  void RunExports(IRDOMail* mail, TResolvePlaceholders& resolver, const TMailFields& fields, bool exportEmails,
                  const TJobDef_ExportEmails& emailsDef, bool exportAtts, const TJobDef_ExportAtts& attsDef);
  // Inbox tasks: true when the task's filter matched (its exports then ran).
  bool ProcessInboxTask(IRDOMail* mail, const TJobDef_Inbox& task, TResolvePlaceholders& resolver,
                        const TMailFields& fields);
  bool MatchesInboxFilter(const TJobDef_InboxFilter& filter, const TMailFields& fields) const;
  // FCurrentWindowsUsername and FCurrentOutlookUsername for a run.
  void ReadUserNames();

  // The four tasks.
  void ExportEmail(IRDOMail* mail, IRDOMail* decrypted, TResolvePlaceholders& resolver, const TMailFields& fields,
                   const TJobDef_ExportEmails& def);
  void LogExport(const QString& logFolder, int format, const TMailFields& fields, const QStringList& saved,
                 const QString& path);
  void ExportAttachments(IRDOMail* mail, IRDOMail* decrypted, TResolvePlaceholders& resolver,
                         const TMailFields& fields, const TJobDef_ExportAtts& def);
  void SaveAttachments(IRDOMail* message, const TJobDef_ExportAtts& def, TAttCounts& counts,
                       TResolvePlaceholders& resolver, TShortcutMode mode, bool recurse, const TMailFields& fields,
                       bool relied);
  void CopyEmail(IRDOMail* mail, const TJobDef_CopyMove& def, TResolvePlaceholders& resolver);
  void MoveEmail(IRDOMail* mail, const TJobDef_CopyMove& def, TResolvePlaceholders& resolver);
  void RecordLinkRoot(const QString& exportedFile);
  // Puts an exported file in place. A file that a log record or a change of
  // the e-mail will rely on (relied) is synced with its file system before
  // the record or the save (FRelied: one sync for all files of the e-mail);
  // any other file is left to the end-of-run sync (FWritten).
  void CommitExport(TExportTarget& target, bool relied);
  // The end-of-run sync (FWritten and what is left in FRelied).
  void SyncWrittenFiles();

  TOutlookApplication* FOutlook = nullptr;  // borrowed
  IRDOSession* FRDOSession = nullptr;       // borrowed
  TOptions FOptions;
  TLinkRoots FLinkRoots;  // loaded at the first link a run makes
  bool FLinkRootsLoaded = false;
  TWrittenFileSystems FWritten;  // synced at the end of each run
  TWrittenFileSystems FRelied;   // synced before the e-mail's record or save
  TProcessingEvent FOnProcessing;
  const TJobDef_Manual* FJob = nullptr;  // during ExecuteManual

  QString FNotifyFolderName;
  int FNotifyItemsInFolder = 0;
  int FNotifyCurItemNo = 0;
  bool FCancelled = false;
  QString FCurrentWindowsUsername;
  QString FCurrentOutlookUsername;
  TDateTime FEmailDateMin = 0;
  TDateTime FEmailDateMax = 0;
  TDateTime FCurDate = 0;
  QString FStartFolderFolderPath;
  TwkPtr<IRDOFolder> FRDOStartFolder;
  TwkPtr<IRDOFolder> FRDOCopyToFolder;
  TwkPtr<IRDOFolder> FRDOMoveToFolder;
  QString FCurFolderFolderPath;
  QString FCurFolderRelativePath;
  QString FCurFolderName;

  int FCountFoldersInspected = 0;
  int FCountItemsInspected = 0;
  int FCountEmailsProcessed = 0;
  int FCountEmailsExported = 0;
  int FCountSaveAttsEmailsAffected = 0;
  int FCountSaveAttsSaved = 0;
  int FCountSaveAttsShortcuts = 0;
  int FCountSaveAttsRemoved = 0;
  int FCountEmailsCopied = 0;
  int FCountEmailsMoved = 0;

  QStringList FMailErrors;
  QStringList FManualResults;
};

// Date-time text of mail errors: the locale's short date, a blank and its
// long time; the time is left out at exactly midnight.
QString MailErrorDateText(TDateTime value);
// The logon name of the user running the program; empty when unknown.
QString CurrentWindowsUsername();
// The ";"-separated masks of an inbox filter field, each trimmed; empty
// pieces and pieces of "*" only are left out (they impose no condition).
void SplitMasks(const QString& text, QStringList& list);
// The part of an attachment's file name after its last "\\" or "/".
QString LastPathComponent(const QString& fileName);
