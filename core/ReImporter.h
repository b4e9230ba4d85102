// The re-import: every link attachment whose file exists, in every e-mail of
// a folder (and its subfolders), is replaced by that file. Only links into
// the directories the system itself wrote links for are trusted; any other
// link stays and is reported in the mail errors.
#pragma once

#include "core/LinkRoots.h"
#include "core/LinkWalker.h"

class TReImporter final : public TLinkWalker {
public:
  int CountFolders() const { return FCountFolders; }
  int CountItems() const { return FCountItems; }
  int CountEmails() const { return FCountEmails; }
  int CountEmailsAffected() const { return FCountEmailsAffected; }
  int CountReplaced() const { return FCountReplaced; }

protected:
  void StartRun() override;
  bool HandleLink(IRDOMail* mail, IRDOAttachment* link, const QString& target) override;
  void CommitItem() override;
  void DropItem() override { FItemReplaced = 0; }
  QString TaskName() const override { return QStringLiteral("Re-import"); }
  QStringList StatisticsLines() const override;

private:
  int FCountReplaced = 0;
  int FItemReplaced = 0;
  TLinkRoots FLinkRoots;
};

// The confirmation asked before a re-import.
QString ReimportQuestion();
