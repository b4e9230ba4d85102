#include "core/ReImporter.h"

#include <QFileInfo>

void TReImporter::StartRun() {
  FCountReplaced = FItemReplaced = 0;
  FLinkRoots.Load();
}

bool TReImporter::HandleLink(IRDOMail* mail, IRDOAttachment* link, const QString& target) {
  if (!LinkTargetFileExists(target)) return false;  // the link stays, as it was
  if (!FLinkRoots.Covers(target)) {
    AddMailError(QStringLiteral("The link to \"%1\" was left in the e-mail: the file lies outside every directory "
                                "that Tarnwick wrote links for, so the link may be forged")
                     .arg(target));
    return false;
  }
  mail->Attachments()->Add(target, olByValue, 0, QFileInfo(target).fileName());
  link->Delete();
  ++FItemReplaced;
  return true;
}

void TReImporter::CommitItem() {
  FCountReplaced += FItemReplaced;
  FItemReplaced = 0;
}

QStringList TReImporter::StatisticsLines() const {
  return {QStringLiteral("Folders inspected: %1").arg(FCountFolders),
          QStringLiteral("Items inspected: %1").arg(FCountItems),
          QStringLiteral("Emails processed: %1").arg(FCountEmails),
          QStringLiteral("Attachments reimported: %1").arg(FCountReplaced),
          QStringLiteral("Affected emails: %1").arg(FCountEmailsAffected)};
}

QString ReimportQuestion() { return QStringLiteral("Start reimport?"); }
