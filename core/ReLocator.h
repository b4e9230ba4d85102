// The relocation: every link attachment that names a file below the original
// directory, when that file is gone but exists at the same place below the
// new directory, is replaced by a link to the new place. The directories
// are checked and normalised first by NormaliseOrgPath / NormaliseNewPath,
// which the dialog and the command share.
#pragma once

#include "core/LinkRoots.h"
#include "core/LinkWalker.h"

class TReLocator final : public TLinkWalker {
public:
  // A full path ending with its separator: a Linux directory ("/"), or a
  // Windows one ("\", drive letter or "\\server\share") that links made on
  // Windows name.
  const QString& OrgPath() const { return FOrgPath; }
  void SetOrgPath(const QString& v) { FOrgPath = v; }
  // A full Linux path ending with "/".
  const QString& NewPath() const { return FNewPath; }
  void SetNewPath(const QString& v) { FNewPath = v; }

  int CountFolders() const { return FCountFolders; }
  int CountItems() const { return FCountItems; }
  int CountEmails() const { return FCountEmails; }
  int CountEmailsAffected() const { return FCountEmailsAffected; }
  int CountLinksFound() const { return FCountLinksFound; }
  int CountNoFileFound() const { return FCountNoFileFound; }
  int CountOrgFileFound() const { return FCountOrgFileFound; }
  int CountReplaced() const { return FCountReplaced; }

protected:
  void StartRun() override;
  bool HandleLink(IRDOMail* mail, IRDOAttachment* link, const QString& target) override;
  void CommitItem() override;
  void DropItem() override { FItem = TCounts(); }
  QString TaskName() const override { return QStringLiteral("Relocation"); }
  QStringList StatisticsLines() const override;

private:
  struct TCounts {
    int LinksFound = 0, NoFileFound = 0, OrgFileFound = 0, Replaced = 0;
  };
  QString FOrgPath;
  QString FNewPath;
  int FCountLinksFound = 0;
  int FCountNoFileFound = 0;
  int FCountOrgFileFound = 0;
  int FCountReplaced = 0;
  TCounts FItem;  // of the e-mail being handled
  TLinkRoots FLinkRoots;
  bool FNewPathRecorded = false;
};

// True for a Windows path: a drive letter and ":" or a "\\" start.
bool IsWindowsPath(const QString& path);

// The prefix test: true when target lies below orgPath (ignoring case, an
// empty orgPath never matches, a rest that climbs out with ".." does not
// count); rest is the target after the orgPath part, in its own case.
bool IsBelowOrgPath(const QString& target, const QString& orgPath, QString& rest);

// Where a link's rest lies below newPath; a Windows rest's "\" become "/".
QString RelocatedPath(const QString& newPath, const QString& rest, bool windowsRest);

// The dialog's checks: the trimmed field made an absolute directory ending
// with its separator, or the error of the dialog.
QString NormaliseOrgPath(const QString& field);
QString NormaliseNewPath(const QString& field);

// The confirmation asked before a relocation.
QString RelocateQuestion(const QString& orgPath, const QString& newPath);
