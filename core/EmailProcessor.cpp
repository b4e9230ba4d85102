#include "core/EmailProcessor.h"

#include "core/CheckJobDef.h"
#include "core/Exception.h"
#include "core/FolderWalker.h"
#include "core/ListMatch.h"
#include "core/MailFields.h"
#include "core/OutlookTools.h"
#include "core/RedemptionTools.h"
#include "core/ResolvePlaceholders.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <pwd.h>
#include <unistd.h>

namespace {

QString FormatLocal(TDateTime value, const char* format) {
  const TDateTimeParts p = DecodeDateTime(value);
  std::tm tm{};
  tm.tm_year = p.Year - 1900;
  tm.tm_mon = p.Month - 1;
  tm.tm_mday = p.Day;
  tm.tm_hour = p.Hour;
  tm.tm_min = p.Minute;
  tm.tm_sec = p.Second;
  tm.tm_isdst = -1;
  char buf[128];
  const size_t n = std::strftime(buf, sizeof buf, format, &tm);
  return QString::fromLocal8Bit(buf, qsizetype(n));
}

}  // namespace

QString MailErrorDateText(TDateTime value) {
  const TDateTimeParts p = DecodeDateTime(value);
  if (p.Hour == 0 && p.Minute == 0 && p.Second == 0 && p.MSec == 0) return FormatLocal(value, "%x");
  return FormatLocal(value, "%x %X");
}

QString LastPathComponent(const QString& fileName) {
  return fileName.mid(std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\'))) + 1);
}

QString CurrentWindowsUsername() {
  if (const passwd* pw = ::getpwuid(::geteuid())) return QString::fromLocal8Bit(pw->pw_name);
  return QString();
}

// The engine's side of the folder walk.
class TEmailProcessor::TWalk final : public TFolderVisitor {
public:
  explicit TWalk(TEmailProcessor& p) : P(p) {}
  void EnterFolder(IRDOFolder* folder, int itemCount) override {
    ++P.FCountFoldersInspected;
    P.SetCurrentFolder(folder);
    P.FNotifyItemsInFolder = itemCount;
  }
  void VisitItem(IRDOItems* items, int index, IRDOMail* item) override {
    P.FNotifyCurItemNo = index;
    ++P.FCountItemsInspected;
    if (TwkPtr<IRDOMail> mail = item ? TwkPtr<IRDOMail>(item) : items->Item(index)) P.ProcessEmail(mail.get());
  }

private:
  TEmailProcessor& P;
};

void TEmailProcessor::ResetRun() {
  FCancelled = false;
  FManualResults.clear();
  FMailErrors.clear();
  FCountFoldersInspected = FCountItemsInspected = FCountEmailsProcessed = FCountEmailsExported = 0;
  FCountSaveAttsEmailsAffected = FCountSaveAttsSaved = FCountSaveAttsShortcuts = FCountSaveAttsRemoved = 0;
  FCountEmailsCopied = FCountEmailsMoved = 0;
}

void TEmailProcessor::ExecuteManual(const TJobDef_Manual& jobDef) {
  ResetRun();
  FJob = &jobDef;
  std::shared_ptr<TOutlookSelection> selection;
  struct TFinally {
    TEmailProcessor& P;
    std::shared_ptr<TOutlookSelection>& Selection;
    ~TFinally() {
      Selection.reset();
      P.FRDOStartFolder.reset();
      P.FRDOCopyToFolder.reset();
      P.FRDOMoveToFolder.reset();
      P.WriteManualResults();
      P.FJob = nullptr;
    }
  } finally{*this, selection};

  ReadUserNames();

  const TJobDef_EmailFilter2& f2 = jobDef.EmailFilter2();
  FEmailDateMin = FEmailDateMax = 0;
  if (f2.DateMode() == dmOlderThan) {
    FEmailDateMax = std::trunc(Now()) - f2.Days();
  } else if (f2.DateMode() == dmFromTo) {
    FEmailDateMin = f2.FromDate();
    FEmailDateMax = f2.ToDate();
  }
  FEmailDateMin = std::trunc(FEmailDateMin);
  FEmailDateMax = std::trunc(FEmailDateMax);

  CheckJobDef_Manual(jobDef, FOutlook, FRDOSession, FRDOMoveToFolder, FRDOCopyToFolder, selection, FRDOStartFolder,
                     FOptions.MeNames());

  FStartFolderFolderPath = GetFolderPath(FRDOStartFolder.get());
  FCurFolderFolderPath.clear();
  FCurFolderRelativePath.clear();
  FCurFolderName.clear();
  FCurDate = Now();

  try {
    if (jobDef.SourceFilter().ProcessFolder()) {
      TWalk walk(*this);
      WalkFolderTree(FRDOStartFolder.get(), jobDef.SourceFilter().InclSubFolders(), walk);
    } else {
      ProcessSelection(FRDOStartFolder.get(), selection);
    }
  } catch (...) {
    try {
      SyncWrittenFiles();
    } catch (const Exception&) {
      // The error that ended the run is the one reported.
    }
    throw;
  }
  SyncWrittenFiles();
}

void TEmailProcessor::SyncWrittenFiles() {
  // Files of an e-mail whose record or save did not come are synced now.
  FWritten.Take(FRelied);
  FWritten.SyncAll();
}

void TEmailProcessor::ReadUserNames() {
  FCurrentWindowsUsername = CurrentWindowsUsername();
  FCurrentOutlookUsername.clear();
  if (TwkPtr<IRDOAddressEntry> user = FRDOSession->CurrentUser()) FCurrentOutlookUsername = user->Name();
}

void TEmailProcessor::SetCurrentFolder(IRDOFolder* folder) {
  FCurFolderFolderPath = GetFolderPath(folder);
  FCurFolderRelativePath = FCurFolderFolderPath.startsWith(FStartFolderFolderPath)
                               ? FCurFolderFolderPath.mid(FStartFolderFolderPath.size())
                               : FCurFolderFolderPath;
  FCurFolderName = FNotifyFolderName = folder->Name();
}

void TEmailProcessor::ProcessSelection(IRDOFolder* folder, const std::shared_ptr<TOutlookSelection>& selection) {
  ++FCountFoldersInspected;
  SetCurrentFolder(folder);
  FNotifyItemsInFolder = selection->Count();
  for (int i = FNotifyItemsInFolder; i >= 1; --i) {
    FNotifyCurItemNo = i;
    if (i > selection->Count()) continue;
    ++FCountItemsInspected;
    QString entryID, storeID;
    GetItemIDs(selection->Item(i).get(), entryID, storeID);
    TwkPtr<IRDOMail> mail = storeID.isEmpty() ? FRDOSession->GetMessageFromID(entryID)
                                              : FRDOSession->GetMessageFromID(entryID, storeID);
    if (mail) ProcessEmail(mail.get());
  }
}

void TEmailProcessor::NotifyProcessing() {
  if (FOnProcessing)
    FOnProcessing(this, FNotifyFolderName, FNotifyItemsInFolder, FNotifyCurItemNo, QStringLiteral("please wait..."),
                  FCancelled);
}

namespace {

// The decrypted copy of a signed or encrypted mail; none when the store has
// none (the tasks then work on the mail as stored).
TwkPtr<IRDOMail> GetDecryptedMail(IRDOMail* mail) {
  try {
    if (TwkPtr<IRDOEncryptedMessage> enc = QueryAs<IRDOEncryptedMessage>(mail, IID_IRDOEncryptedMessage))
      return enc->GetDecryptedMessage();
  } catch (const Exception&) {
    // No key, damaged content: the mail is worked on as stored, no error.
  }
  return {};
}

bool IsMsgFormat(TEmailFormat f) { return f == efMSG || f == efMSGunicode; }

}  // namespace

void TEmailProcessor::ProcessEmail(IRDOMail* mail) {
  NotifyProcessing();
  if (FCancelled) throw EAbort();
  TMailFields fields;
  try {
    if (!IsMailClass(mail->MessageClass())) return;
    fields.FillFromMail(mail);
  } catch (const EComError& e) {
    // Another program moved or deleted the e-mail after the folder was
    // listed: one error for it, and the walk goes on.
    if (e.ErrorCode() != MAPI_E_OBJECT_DELETED) throw;
    AddMailError(FCurFolderFolderPath, fields.Subject(), e.Message(), fields.MailDate());
    return;
  }
  TResolvePlaceholders resolver;
  resolver.Prepare(FCurrentWindowsUsername, FCurrentOutlookUsername, FCurDate, FOptions.MeNames(),
                   FCurFolderFolderPath, FCurFolderRelativePath, FCurFolderName, fields);

  const TJobDef_Manual& job = *FJob;
  RunGuarded(fields, [&] {
    if (job.UseEmailFilter() && (!MatchesEmailFilter(fields) || !MatchesDateRange(fields))) return;
    ++FCountEmailsProcessed;
    RunExports(mail, resolver, fields, job.ExportEmails(), job.JobDef_ExportEmails(), job.ExportAtts(),
               job.JobDef_ExportAtts());
    if (job.CopyEmails()) CopyEmail(mail, job.JobDef_Copy(), resolver);
    if (job.MoveEmails()) MoveEmail(mail, job.JobDef_Move(), resolver);
  });
}

void TEmailProcessor::RunGuarded(const TMailFields& fields, const std::function<void()>& body) {
  try {
    body();
  } catch (const EAbort&) {
    // Cancel inside a task is dropped without a record; the run goes on.
  } catch (const Exception& e) {
    AddMailError(FCurFolderFolderPath, fields.Subject(), e.Message(), fields.MailDate());
  }
}

void TEmailProcessor::RunExports(IRDOMail* mail, TResolvePlaceholders& resolver, const TMailFields& fields,
                                 bool exportEmails, const TJobDef_ExportEmails& emailsDef, bool exportAtts,
                                 const TJobDef_ExportAtts& attsDef) {
  TwkPtr<IRDOMail> decrypted;
  bool triedDecrypt = false;
  auto decrypt = [&] {
    if (!triedDecrypt) decrypted = GetDecryptedMail(mail);
    triedDecrypt = true;
  };
  // A message file keeps the signed or encrypted content as it is, unless
  // its attachments are exported beside it.
  if (exportEmails) {
    if (fields.SignedOrEncrypted() && (!IsMsgFormat(emailsDef.EmailFormat()) || emailsDef.AttsAlso())) decrypt();
    ExportEmail(mail, decrypted.get(), resolver, fields, emailsDef);
  }
  if (exportAtts) {
    if (fields.SignedOrEncrypted()) decrypt();
    ExportAttachments(mail, decrypted.get(), resolver, fields, attsDef);
  }
}

bool TEmailProcessor::MatchesEmailFilter(const TMailFields& m) const {
  const TJobDef_EmailFilter1& f = FJob->EmailFilter1();
  auto tested = [](const QStringList& inc, const QStringList& exc) { return !inc.isEmpty() || !exc.isEmpty(); };
  if (tested(f.SenderIncludeList(), f.SenderExcludeList())) {
    bool pass = false;
    for (const QString* v : {&m.SenderName(), &m.SenderAddress(), &m.SentOnBehalfOfName(), &m.SentOnBehalfOfAddress()})
      if (IncludeExcludeMatch(*v, f.SenderIncludeList(), f.SenderExcludeList())) {
        pass = true;
        break;
      }
    if (!pass) return false;
  }
  if (tested(f.RecipientIncludeList(), f.RecipientExcludeList()) &&
      !AnyIncludeExcludeMatch(m.RecipientNames(), f.RecipientIncludeList(), f.RecipientExcludeList()) &&
      !AnyIncludeExcludeMatch(m.RecipientAddresses(), f.RecipientIncludeList(), f.RecipientExcludeList()))
    return false;
  if (tested(f.SubjectIncludeList(), f.SubjectExcludeList()) &&
      !IncludeExcludeMatch(m.Subject(), f.SubjectIncludeList(), f.SubjectExcludeList()))
    return false;
  if (tested(f.AttIncludeList(), f.AttExcludeList()) &&
      !AnyIncludeExcludeMatch(m.AttachmentNames(), f.AttIncludeList(), f.AttExcludeList()))
    return false;
  return true;
}

bool TEmailProcessor::MatchesDateRange(const TMailFields& m) const {
  if (FEmailDateMin == 0 && FEmailDateMax == 0) return true;
  const double d = std::trunc(m.MailDate());
  if (FEmailDateMin != 0 && d < FEmailDateMin) return false;
  if (FEmailDateMax != 0 && d > FEmailDateMax) return false;
  return true;
}

void TEmailProcessor::WriteManualResults() {
  const TJobDef_Manual& job = *FJob;
  auto line = [this](const char* text, int n) { FManualResults << QString::fromLatin1(text).arg(n); };
  line("Folders inspected: %1", FCountFoldersInspected);
  line("Items inspected: %1", FCountItemsInspected);
  line("Emails processed: %1", FCountEmailsProcessed);
  if (job.ExportEmails()) {
    FManualResults << QString();
    line("Emails exported: %1", FCountEmailsExported);
  }
  if (job.ExportAtts()) {
    FManualResults << QString();
    line("Attachments saved: %1", FCountSaveAttsSaved);
    if (FCountSaveAttsShortcuts > 0) line("Attachments replaced with links: %1", FCountSaveAttsShortcuts);
    if (FCountSaveAttsRemoved > 0) line("Attachments removed: %1", FCountSaveAttsRemoved);
    if (FCountSaveAttsEmailsAffected > 0) line("Affected emails: %1", FCountSaveAttsEmailsAffected);
  }
  if (job.CopyEmails()) {
    FManualResults << QString();
    line("Emails copied: %1", FCountEmailsCopied);
  }
  if (job.MoveEmails()) {
    FManualResults << QString();
    line("Emails moved: %1", FCountEmailsMoved);
  }
}

void TEmailProcessor::AddMailError(const QString& folderPath, const QString& subject, const QString& message,
                                   TDateTime mailDate) {
  FMailErrors << QStringLiteral("*** %1:").arg(MailErrorDateText(Now())) << QStringLiteral("Folder: %1").arg(folderPath)
              << QStringLiteral("Subject: %1").arg(subject)
              << QStringLiteral("Email's date: %1").arg(MailErrorDateText(mailDate)) << message << QString();
}

void TEmailProcessor::CopyEmail(IRDOMail* mail, const TJobDef_CopyMove& def, TResolvePlaceholders& resolver) {
  const QString rel = resolver.Execute(def.SubFolderMask(), QStringLiteral("Copy emails: Invalid mask for subfolders specified"));
  TwkPtr<IRDOFolder> target = ForceFolderPath(FRDOCopyToFolder.get(), rel);
  mail->CopyTo(target.get());
  ++FCountEmailsCopied;
}

void TEmailProcessor::MoveEmail(IRDOMail* mail, const TJobDef_CopyMove& def, TResolvePlaceholders& resolver) {
  const QString rel = resolver.Execute(def.SubFolderMask(), QStringLiteral("Move emails: Invalid mask for subfolders specified"));
  TwkPtr<IRDOFolder> target = ForceFolderPath(FRDOMoveToFolder.get(), rel);
  mail->Move(target.get());
  ++FCountEmailsMoved;
}
