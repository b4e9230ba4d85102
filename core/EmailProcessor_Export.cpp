// The task "Export emails to disk".
#include "core/EmailProcessor.h"

#include "core/ExportEmail_Log.h"
#include "core/ExportTarget.h"
#include "core/FilenameTools.h"
#include "core/MailFields.h"
#include "core/ResolvePlaceholders.h"

#include <QFileInfo>

namespace {

struct TFormat {
  const char* Extension;
  int Code;
};

TFormat FormatOf(TEmailFormat f) {
  switch (f) {
    case efMSG: return {".msg", olMSG};
    case efHTM: return {".htm", olHTML};
    case efEML: return {".eml", olRFC822};
    case efMHT: return {".mht", olMHTML};
    case efRTF: return {".rtf", olRTF};
    case efMSGunicode: return {".msg", olMSGUnicode};
    default: return {".txt", olTXT};  // efTXT and every unknown ordinal
  }
}

}  // namespace

void TEmailProcessor::ExportEmail(IRDOMail* mail, IRDOMail* decrypted, TResolvePlaceholders& resolver,
                                  const TMailFields& fields, const TJobDef_ExportEmails& def) {
  const TFormat format = FormatOf(def.EmailFormat());
  const QString rel = resolver.Execute(def.SubFolderMask(),
                                       QStringLiteral("Export emails: Invalid mask for subfolders/filename specified"));
  TExportTarget target(JoinPath(def.DestFolder(), rel) + QLatin1String(format.Extension),
                       def.ExistMode() == emSuffix);
  const bool msgFormat = format.Code == olMSG || format.Code == olMSGUnicode;
  // A .msg keeps the stored (signed or encrypted) message; the other formats
  // are written from the decrypted copy.
  IRDOMail* source = decrypted && !msgFormat ? decrypted : mail;
  target.Write([&](const QString& writePath) { source->SaveAs(writePath, format.Code); });
  // A log record names the file and its attachments: they are on disk first.
  const bool logged = def.LogExport() && !def.LogFolder().isEmpty();
  CommitExport(target, logged);
  const QString path = target.Path();
  SetFileDateTime(path, fields.MailDate());

  QStringList saved;
  if (def.AttsAlso()) {
    const QString attDir = JoinPath(QFileInfo(path).path(), QStringLiteral("_Attachments"));
    TwkPtr<IRDOAttachments> atts = (decrypted ? decrypted : mail)->Attachments();
    const int count = atts->Count();
    for (int i = 1; i <= count; ++i) {
      TwkPtr<IRDOAttachment> att = atts->Item(i);
      if (!att || att->Hidden() || (att->Type() != olByValue && att->Type() != olEmbeddeditem)) continue;
      const QString name = AttachmentFileNameDef(LastPathComponent(att->FileName()));
      try {
        TExportTarget attTarget(JoinPath(attDir, name), def.ExistMode() == emSuffix);
        attTarget.Write([&](const QString& writePath) { att->SaveAsFile(writePath); });
        // A short file (a full disk) is not a saved attachment.
        if (attTarget.WrittenSize() != att->Size()) continue;
        CommitExport(attTarget, logged);
        SetFileDateTime(attTarget.Path(), fields.MailDate());
        saved << attTarget.Path();
      } catch (const Exception&) {
        // An attachment that cannot be saved is left out of the list, no error.
      }
    }
  }
  if (logged) {
    FRelied.SyncAll();
    LogExport(def.LogFolder(), int(def.EmailFormat()), fields, saved, path);
  }

  if (def.PrefixSubject()) {
    try {
      mail->SetSubject(def.SubjectPrefix() + mail->Subject());
      mail->Save();
    } catch (const Exception&) {
      // The prefix is a courtesy: the e-mail still counts as exported.
    }
  }
  ++FCountEmailsExported;
}

void TEmailProcessor::CommitExport(TExportTarget& target, bool relied) {
  target.Commit(TSyncRule::None);
  (relied ? FRelied : FWritten).Add(QFileInfo(target.Path()).path());
}

void TEmailProcessor::LogExport(const QString& logFolder, int format, const TMailFields& fields,
                                const QStringList& saved, const QString& path) {
  TExportEmail_LogEntry entry;
  entry.Clear();
  entry.SetSenderName(fields.SenderName());
  entry.SetSenderEmail(fields.SenderAddress());
  if (!fields.RecipientNames().isEmpty()) {
    entry.SetRecipientName(fields.RecipientNames().first());
    entry.SetRecipientEmail(fields.RecipientAddresses().first());
  }
  entry.SetSubject(fields.Subject());
  entry.SetDateTimeSent(fields.MailDate());
  entry.SetMessageID(fields.MsgID());
  entry.SetOutlookFolder(FCurFolderFolderPath);
  entry.SetSaveFormat(format);
  entry.SetSaveFullName(path);
  entry.SetDateTimeExported(Now());
  entry.SetAttachmentCount(int(saved.size()));
  entry.AttachmentsSaved() = saved;
  TExportEmail_Log().AddToLog(logFolder, entry);
}
