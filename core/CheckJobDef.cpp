#include "core/CheckJobDef.h"

#include "core/Exception.h"
#include "core/RedemptionTools.h"
#include "core/ResolvePlaceholders.h"

#include <QLocale>

bool IsValidMask(const QString& mask, bool attAllowed) {
  TResolvePlaceholders resolver;
  return resolver.CheckMask(mask, attAllowed);
}

bool MaskUsesOwnAddresses(const QString& mask) {
  const QString upper = QLocale::system().toUpper(mask);
  for (const char* ph : {"[MN]", "[ME]", "[NN]", "[NE]"})
    if (upper.contains(QLatin1String(ph))) return true;
  return false;
}

namespace {

[[noreturn]] void Fail(const char* message) { throw Exception(QString::fromUtf8(message)); }

// Raises "<task>: The store "<name>" is read-only; <what>" when the folder
// lies in a store that is never written.
[[noreturn]] void RaiseReadOnly(const char* task, const QString& store, const char* what) {
  throw Exception(QStringLiteral("%1: The store \"%2\" is read-only; %3").arg(QLatin1String(task), store, QLatin1String(what)));
}

void CheckWritable(IRDOFolder* folder, const char* task, const char* what) {
  const QString name = ReadOnlyStoreName(folder);
  if (!name.isNull()) RaiseReadOnly(task, name, what);
}

}  // namespace

void CheckJobDef_SourceFilter(const TJobDef_SourceFilter& f) {
  if (f.ProcessFolder() && f.FolderEntryID().isEmpty()) Fail("Outlook source folder not specified");
}

void CheckJobDef_EmailFilter1(const TJobDef_EmailFilter1&) {
  // Every list is acceptable as it stands.
}

void CheckJobDef_EmailFilter2(const TJobDef_EmailFilter2& f) {
  if (f.DateMode() != dmFromTo) return;
  if (f.FromDate() == 0 && f.ToDate() == 0) Fail("Filter: Invalid date range");
  if (f.FromDate() != 0 && f.ToDate() != 0 && f.FromDate() > f.ToDate()) Fail("Filter: Invalid date range");
}

void CheckJobDef_ExportEmails(const TJobDef_ExportEmails& f) {
  if (f.DestFolder().isEmpty()) Fail("Export emails: Destination directory not specified");
  if (f.SubFolderMask().isEmpty()) Fail("Export emails: Mask for subfolders/filename not specified");
  if (!IsValidMask(f.SubFolderMask(), false)) Fail("Export emails: Invalid mask for subfolders/filename specified");
  if (f.LogExport() && f.LogFolder().isEmpty()) Fail("Export emails: Log-directory not specified");
}

void CheckJobDef_ExportAtts(const TJobDef_ExportAtts& f) {
  if (f.DestFolder().isEmpty()) Fail("Export attachments: Destination directory not specified");
  if (f.SubFolderMask().isEmpty()) Fail("Export attachments: Mask for subfolders/filename not specified");
  if (!IsValidMask(f.SubFolderMask(), true)) Fail("Export attachments: Invalid mask for subfolders specified");
}

namespace {

void CheckCopyMove(const TJobDef_CopyMove& f, const char* task) {
  if (f.FolderEntryID().isEmpty() || f.FolderStoreID().isEmpty())
    throw Exception(QStringLiteral("%1: Destination Outlook-folder not specified").arg(QLatin1String(task)));
  if (!IsValidMask(f.SubFolderMask(), false))
    throw Exception(QStringLiteral("%1: Invalid mask for subfolders specified").arg(QLatin1String(task)));
}

// Resolves a copy or move destination, with the checks of its task.
TwkPtr<IRDOFolder> ResolveDestination(const TJobDef_CopyMove& f, const char* task, IRDOSession* session,
                                      IRDOFolder* startFolder, bool nested, const QStringList& meNames) {
  const QString name = QLatin1String(task);
  CheckCopyMove(f, task);
  if (MaskUsesOwnAddresses(f.SubFolderMask()) && meNames.isEmpty())
    throw Exception(name + QStringLiteral(": At least 1 address/name in \"Own addresses\" required for the subfolder mask"));
  TwkPtr<IRDOFolder> folder = GetRDOFolder(session, f.FolderEntryID(), f.FolderStoreID());
  if (!folder) throw Exception(name + QStringLiteral(": Specified Outlook destination folder not found"));
  if (!IsMailFolder(folder.get()))
    throw Exception(name + QStringLiteral(": The Outlook destination folder must be an email folder"));
  CheckFolderRelation(session, startFolder, folder.get(), nested);
  CheckWritable(folder.get(), task, "e-mails cannot be stored in it");
  return folder;
}

}  // namespace

void CheckJobDef_Copy(const TJobDef_CopyMove& f) { CheckCopyMove(f, "Copy emails"); }
void CheckJobDef_Move(const TJobDef_CopyMove& f) { CheckCopyMove(f, "Move emails"); }

void CheckFolderRelation(IRDOSession* session, IRDOFolder* source, IRDOFolder* dest, bool inclSubFolders) {
  if (IsSameFolder(session, source, dest)) Fail("The destination folder must not be the source folder");
  if (!inclSubFolders) return;
  if (FolderContains(session, source, dest)) Fail("The source folder must not contain the destination folder");
  if (FolderContains(session, dest, source)) Fail("The destination folder must not contain the source folder");
}

void CheckJobDef_Manual(const TJobDef_Manual& job, TOutlookApplication* outlook, IRDOSession* session,
                        TwkPtr<IRDOFolder>& moveToFolder, TwkPtr<IRDOFolder>& copyToFolder,
                        std::shared_ptr<TOutlookSelection>& selection, TwkPtr<IRDOFolder>& startFolder,
                        const QStringList& meNames) {
  moveToFolder.reset();
  copyToFolder.reset();
  selection.reset();
  startFolder.reset();
  try {
    CheckJobDef_SourceFilter(job.SourceFilter());
    if (!job.SourceFilter().ProcessFolder()) {
      // The client's errors while asking for the explorer, its folder and its
      // selection count as "none".
      std::shared_ptr<TOutlookExplorer> explorer;
      try {
        if (outlook) explorer = outlook->ActiveExplorer();
      } catch (const Exception&) {
      }
      if (!explorer) Fail("No active Outlook-explorer found");
      std::shared_ptr<TOutlookObject> current;
      try {
        current = explorer->CurrentFolder();
      } catch (const Exception&) {
      }
      if (!current) Fail("No Outlook-items selected");
      startFolder = GetRDOFolder(session, current->EntryID(), current->StoreID());
      if (!startFolder) Fail("Specified Outlook source folder not found");
      if (!IsMailFolder(startFolder.get())) Fail("The Outlook source folder must be an email folder");
      try {
        selection = explorer->Selection();
      } catch (const Exception&) {
        selection.reset();
      }
      if (!selection || selection->Count() == 0) Fail("No Outlook-items selected");
    } else {
      startFolder = GetRDOFolder(session, job.SourceFilter().FolderEntryID(), job.SourceFilter().FolderStoreID());
      if (!startFolder) Fail("Specified Outlook source folder not found");
      if (!IsMailFolder(startFolder.get())) Fail("The Outlook source folder must be an email folder");
    }
    if (job.UseEmailFilter()) {
      CheckJobDef_EmailFilter1(job.EmailFilter1());
      CheckJobDef_EmailFilter2(job.EmailFilter2());
    }
    if (job.ExportEmails()) {
      CheckJobDef_ExportEmails(job.JobDef_ExportEmails());
      if (MaskUsesOwnAddresses(job.JobDef_ExportEmails().SubFolderMask()) && meNames.isEmpty())
        Fail("Export emails: At least 1 address/name in \"Own addresses\" required for the subfolder/filename mask");
      if (job.JobDef_ExportEmails().PrefixSubject())
        CheckWritable(startFolder.get(), "Export emails", "the subject prefix cannot be written");
    }
    if (job.ExportAtts()) {
      CheckJobDef_ExportAtts(job.JobDef_ExportAtts());
      if (MaskUsesOwnAddresses(job.JobDef_ExportAtts().SubFolderMask()) && meNames.isEmpty())
        Fail("Export attachments: At least 1 address/name in \"Own addresses\" required for the subfolder mask");
      if (job.JobDef_ExportAtts().ShortcutMode() != smNothing)
        CheckWritable(startFolder.get(), "Export attachments", "attachments cannot be replaced by links or removed");
    }
    const bool nested = job.SourceFilter().ProcessFolder() && job.SourceFilter().InclSubFolders();
    if (job.CopyEmails())
      copyToFolder = ResolveDestination(job.JobDef_Copy(), "Copy emails", session, startFolder.get(), nested, meNames);
    if (job.MoveEmails()) {
      moveToFolder = ResolveDestination(job.JobDef_Move(), "Move emails", session, startFolder.get(), nested, meNames);
      CheckWritable(startFolder.get(), "Move emails", "e-mails cannot be moved out of it");
    }
    if (!job.ExportEmails() && !job.ExportAtts() && !job.CopyEmails() && !job.MoveEmails()) Fail("No task defined");
  } catch (...) {
    moveToFolder.reset();
    copyToFolder.reset();
    selection.reset();
    startFolder.reset();
    throw;
  }
}

void CheckJobDef_InboxStore(IRDOSession* session) {
  const TwkPtr<IRDOStores> stores = session->Stores();
  const TwkPtr<IRDOStore> store = stores ? stores->DefaultStore() : TwkPtr<IRDOStore>();
  if (store && store->ReadOnly())
    RaiseReadOnly("Inbox tasks", store->Name(), "its Inbox cannot be processed");
}
