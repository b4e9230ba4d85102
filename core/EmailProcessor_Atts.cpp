// The task "Export attachments to disk".
#include "core/EmailProcessor.h"

#include "core/ExportTarget.h"
#include "core/FilenameTools.h"
#include "core/ListMatch.h"
#include "core/LnkTools.h"
#include "core/MailFields.h"
#include "core/ResolvePlaceholders.h"

#include <QFile>
#include <QFileInfo>

void TEmailProcessor::ExportAttachments(IRDOMail* mail, IRDOMail* decrypted, TResolvePlaceholders& resolver,
                                        const TMailFields& fields, const TJobDef_ExportAtts& def) {
  TAttCounts counts;
  // A decrypted copy is never changed: a signed or encrypted e-mail keeps
  // its attachments.
  const TShortcutMode mode = decrypted || fields.SignedOrEncrypted() ? smNothing : def.ShortcutMode();
  SaveAttachments(decrypted ? decrypted : mail, def, counts, resolver, mode, def.RecurseMsg(), fields, mode != smNothing);
  // One save per e-mail, after all its attachments, and after every file it
  // loses an attachment to is on disk (an attached e-mail's files too).
  if (counts.Shortcuts > 0 || counts.Removed > 0) {
    FRelied.SyncAll();
    mail->Save();
  } else {
    FWritten.Take(FRelied);
  }
  if (counts.Saved > 0) ++FCountSaveAttsEmailsAffected;
  FCountSaveAttsSaved += counts.Saved;
  FCountSaveAttsShortcuts += counts.Shortcuts;
  FCountSaveAttsRemoved += counts.Removed;
}

namespace {

// The attached e-mail behind a type-5 attachment, or none when it is to be
// handled as a file. A signed or encrypted one is replaced by its decrypted
// copy when the store has one.
TwkPtr<IRDOMail> AttachedEmail(IRDOAttachment* att) {
  TwkPtr<IRDOMail> item = att->EmbeddedMsg();
  if (!item || !IsMailClass(item->MessageClass())) return {};
  if (IsSignedOrEncryptedClass(item->MessageClass())) {
    try {
      if (TwkPtr<IRDOEncryptedMessage> enc = QueryAs<IRDOEncryptedMessage>(item.get(), IID_IRDOEncryptedMessage))
        if (TwkPtr<IRDOMail> plain = enc->GetDecryptedMessage()) return plain;
    } catch (const Exception&) {
      // Not decryptable: the attached e-mail itself is walked.
    }
  }
  return item;
}

}  // namespace

void TEmailProcessor::SaveAttachments(IRDOMail* message, const TJobDef_ExportAtts& def, TAttCounts& counts,
                                      TResolvePlaceholders& resolver, TShortcutMode mode, bool recurse,
                                      const TMailFields& fields, bool relied) {
  TwkPtr<IRDOAttachments> atts = message->Attachments();
  // The last attachment first: attachments are deleted and added on the way.
  for (int i = atts->Count(); i >= 1; --i) {
    TwkPtr<IRDOAttachment> att = atts->Item(i);
    if (!att) continue;
    const bool hidden = att->Hidden();
    if (hidden && !def.HiddenAlso()) continue;
    const int type = att->Type();
    if (type != olByValue && type != olEmbeddeditem) continue;

    if (type == olEmbeddeditem && recurse) {
      if (TwkPtr<IRDOMail> inner = AttachedEmail(att.get())) {
        TAttCounts own;
        SaveAttachments(inner.get(), def, own, resolver, smNothing, true, fields, relied);
        counts.Saved += own.Saved;
        counts.Skipped += own.Skipped;
        // Deleted only when its own walk saved something and skipped nothing:
        // an attached e-mail is never lost with files that were not saved.
        if (mode == smRemove && !fields.SignedOrEncrypted() && own.Saved > 0 && own.Skipped == 0) {
          att->Delete();
          ++counts.Removed;
        }
        continue;
      }
    }

    const QString name = AttachmentFileNameDef(LastPathComponent(att->FileName()));
    if (HasLinkExtension(name)) continue;  // a link made by this system
    const qint64 size = att->Size();
    const bool passes = !(def.CheckAttSize() && qint64(def.AttMinSizeKB()) * 1024 >= size) &&
                        IncludeExcludeMatch(name, def.AttIncludeList(), def.AttExcludeList());
    if (!passes) {
      if (!hidden) ++counts.Skipped;
      continue;
    }
    const QString rel = resolver.Execute(def.SubFolderMask(),
                                         QStringLiteral("Export attachments: Invalid mask for subfolders specified"), name);
    // The e-mail loses this attachment (link or removal) only after the
    // saved file is complete under its final name; it is on disk before the
    // e-mail is saved.
    const bool changesMail = !hidden && !fields.SignedOrEncrypted() && mode != smNothing;
    QString path;
    bool ok = false;
    try {
      TExportTarget target(JoinPath(def.DestFolder(), rel), def.ExistMode() == emSuffix);
      target.Write([&](const QString& writePath) { att->SaveAsFile(writePath); });
      if (target.WrittenSize() == size) {
        CommitExport(target, relied);
        path = target.Path();
        ok = true;
      }
    } catch (const Exception&) {
      // A failed save counts as skipped; no error is recorded.
    }
    if (!ok) {
      if (!hidden) ++counts.Skipped;
      continue;
    }
    SetFileDateTime(path, fields.MailDate());
    ++counts.Saved;
    if (!changesMail) continue;
    if (mode == smTWK) {
      RecordLinkRoot(path);
      const QString link = CreateLinkFile(path);
      struct TRemoveLink {
        QString Path;
        ~TRemoveLink() { QFile::remove(Path); }
      } removeLink{link};
      atts->Add(link, olByValue, 0, LastPathComponent(link));
      att->Delete();
      ++counts.Shortcuts;
    } else if (mode == smRemove) {
      att->Delete();
      ++counts.Removed;
    }
  }
}

void TEmailProcessor::RecordLinkRoot(const QString& exportedFile) {
  if (!FLinkRootsLoaded) FLinkRoots.Load();
  FLinkRootsLoaded = true;
  // Settings that cannot be written cost no file: a link to an unrecorded
  // directory is only asked about before it is replaced when sending.
  (void)FLinkRoots.Record(QFileInfo(exportedFile).absolutePath());
}
