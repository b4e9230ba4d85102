// The automatic run: the inbox tasks on one newly delivered e-mail.
#include "core/EmailProcessor.h"

#include "core/FilenameTools.h"
#include "core/ListMatch.h"
#include "core/MailFields.h"
#include "core/MatchStr.h"
#include "core/RedemptionTools.h"
#include "core/ResolvePlaceholders.h"

#include <QLocale>

void SplitMasks(const QString& text, QStringList& list) {
  list.clear();
  for (const QString& piece : text.split(QLatin1Char(';'))) {
    const QString mask = TrimStr(piece);
    if (!IsAllStars(mask)) list << mask;
  }
}

void TEmailProcessor::ExecuteAuto(IRDOMail* hrdoMail, const TJobDefList_Inbox& jobDefList_Inbox) {
  ResetRun();
  FCountFoldersInspected = 1;
  FCountItemsInspected = 1;
  ReadUserNames();
  FEmailDateMin = FEmailDateMax = 0;

  // Wherever the store put it, the e-mail counts as lying in the Inbox.
  GetInboxNameAndPath(FRDOSession, FCurFolderName, FStartFolderFolderPath);
  FCurFolderFolderPath = FStartFolderFolderPath;
  FCurFolderRelativePath.clear();
  FCurDate = Now();

  TMailFields fields;
  fields.FillFromMail(hrdoMail);
  TResolvePlaceholders resolver;
  resolver.Prepare(FCurrentWindowsUsername, FCurrentOutlookUsername, FCurDate, FOptions.MeNames(),
                   FCurFolderFolderPath, FCurFolderRelativePath, FCurFolderName, fields);

  // The first matching task ends the list; so does an error in any task.
  RunGuarded(fields, [&] {
    for (int i = 0; i < jobDefList_Inbox.Count(); ++i)
      if (ProcessInboxTask(hrdoMail, jobDefList_Inbox.GetItem(i), resolver, fields)) break;
    // A failed sync is this e-mail's error; after a failed task the files
    // written so far are synced with the next e-mail's.
    SyncWrittenFiles();
  });
}

bool TEmailProcessor::ProcessInboxTask(IRDOMail* mail, const TJobDef_Inbox& task, TResolvePlaceholders& resolver,
                                       const TMailFields& fields) {
  if (!MatchesInboxFilter(task.InboxFilter(), fields)) return false;
  ++FCountEmailsProcessed;
  RunExports(mail, resolver, fields, task.ExportEmails(), task.JobDef_ExportEmails(), task.ExportAtts(),
             task.JobDef_ExportAtts());
  return true;
}

bool TEmailProcessor::MatchesInboxFilter(const TJobDef_InboxFilter& filter, const TMailFields& m) const {
  QStringList masks;
  SplitMasks(filter.SenderMasks(), masks);
  if (!masks.isEmpty() && !MatchMaskList(m.SenderName(), masks) && !MatchMaskList(m.SenderAddress(), masks) &&
      !MatchMaskList(m.SentOnBehalfOfName(), masks) && !MatchMaskList(m.SentOnBehalfOfAddress(), masks))
    return false;

  SplitMasks(filter.RecipientMasks(), masks);
  if (!masks.isEmpty()) {
    bool any = false;
    for (qsizetype k = 0; k < m.RecipientNames().size() && !any; ++k)
      any = MatchMaskList(m.RecipientNames()[k], masks) || MatchMaskList(m.RecipientAddresses().value(k), masks);
    if (!any) return false;
  }

  if (!filter.SubjectMask().isEmpty()) {
    const QLocale locale = QLocale::system();
    if (!MatchMask(locale.toUpper(m.Subject()), locale.toUpper(filter.SubjectMask()))) return false;
  }

  SplitMasks(filter.AttNameMasks(), masks);
  if (masks.isEmpty()) return true;
  for (const QString& name : m.AttachmentNames())
    if (MatchMaskList(name, masks)) return true;
  return false;
}
