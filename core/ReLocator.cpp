#include "core/ReLocator.h"

#include "core/Exception.h"
#include "core/FilenameTools.h"
#include "core/LnkTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

namespace {

const QString kBackslash = QStringLiteral("\\");
const QString kSlash = QStringLiteral("/");

bool IsDriveRoot(const QString& path) {
  return path.size() >= 2 && path[1] == QLatin1Char(':') && path[0].isLetter() && path[0].unicode() < 128;
}

// A Windows directory made absolute in form: "/" as "\", "." and ".."
// resolved below its root (the drive, or "\\server\share").
QString NormaliseWindowsDir(QString path) {
  path.replace(QLatin1Char('/'), QLatin1Char('\\'));
  QString root;
  QStringList parts;
  if (path.startsWith(QStringLiteral("\\\\"))) {
    parts = path.mid(2).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    root = QStringLiteral("\\\\") + parts.mid(0, 2).join(kBackslash) + kBackslash;
    parts = parts.mid(2);
  } else {
    root = path.left(2) + kBackslash;
    parts = path.mid(2).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
  }
  QStringList kept;
  for (const QString& p : parts) {
    if (p == QStringLiteral(".")) continue;
    if (p == QStringLiteral("..")) {
      if (!kept.isEmpty()) kept.removeLast();
      continue;
    }
    kept << p;
  }
  return kept.isEmpty() ? root : root + kept.join(kBackslash) + kBackslash;
}

QString AbsoluteLinuxDir(const QString& path) {
  return EnsureTrailing(QDir::cleanPath(QDir::current().absoluteFilePath(path)), kSlash);
}

}  // namespace

bool IsWindowsPath(const QString& path) { return IsDriveRoot(path) || path.startsWith(QStringLiteral("\\\\")); }

bool IsBelowOrgPath(const QString& target, const QString& orgPath, QString& rest) {
  rest.clear();
  if (orgPath.isEmpty() || target.size() < orgPath.size()) return false;
  const QLocale locale = QLocale::system();
  if (locale.toUpper(target.left(orgPath.size())) != locale.toUpper(orgPath)) return false;
  const QString tail = target.mid(orgPath.size());
  static const QRegularExpression windowsSeparators(QStringLiteral("[\\\\/]"));
  const QStringList parts = IsWindowsPath(orgPath) ? tail.split(windowsSeparators) : tail.split(QLatin1Char('/'));
  if (parts.contains(QStringLiteral(".."))) return false;  // climbs out of orgPath
  rest = tail;
  return true;
}

QString RelocatedPath(const QString& newPath, const QString& rest, bool windowsRest) {
  QString r = rest;
  if (windowsRest) r.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return EnsureTrailing(newPath, kSlash) + RemoveLeading(r, kSlash);
}

QString NormaliseOrgPath(const QString& field) {
  const QString path = TrimStr(field);
  if (path.isEmpty()) throw Exception(QStringLiteral("Please enter the original directory"));
  return IsWindowsPath(path) ? NormaliseWindowsDir(path) : AbsoluteLinuxDir(path);
}

QString NormaliseNewPath(const QString& field) {
  const QString path = TrimStr(field);
  if (path.isEmpty()) throw Exception(QStringLiteral("Please enter the new directory"));
  const QString dir = AbsoluteLinuxDir(path);
  if (!QFileInfo(dir).isDir()) throw Exception(QStringLiteral("The new directory does not exist"));
  return dir;
}

QString RelocateQuestion(const QString& orgPath, const QString& newPath) {
  return QStringLiteral("Start relocate links?\n\nOld directory: %1\n\nNew directory: %2").arg(orgPath, newPath);
}

void TReLocator::StartRun() {
  FCountLinksFound = FCountNoFileFound = FCountOrgFileFound = FCountReplaced = 0;
  FItem = TCounts();
  FNewPathRecorded = false;
  FLinkRoots.Load();
}

bool TReLocator::HandleLink(IRDOMail* mail, IRDOAttachment* link, const QString& target) {
  QString rest;
  if (!IsBelowOrgPath(target, FOrgPath, rest)) return false;
  ++FItem.LinksFound;
  if (LinkTargetFileExists(target)) {
    ++FItem.OrgFileFound;
    return false;
  }
  const QString newTarget = RelocatedPath(FNewPath, rest, IsWindowsPath(FOrgPath));
  if (!LinkTargetFileExists(newTarget)) {
    ++FItem.NoFileFound;
    return false;
  }
  // The new links are the system's own: their directory is trusted first.
  if (!FNewPathRecorded) {
    if (!FLinkRoots.Record(FNewPath))
      throw Exception(QStringLiteral("The new directory could not be recorded in the settings: %1").arg(FNewPath));
    FNewPathRecorded = true;
  }
  const QString linkFile = CreateLinkFile(newTarget);
  struct TRemove {
    QString Path;
    ~TRemove() { QFile::remove(Path); }  // the store holds its own copy; a left file changes nothing
  } remove{linkFile};
  mail->Attachments()->Add(linkFile, olByValue, 0, QFileInfo(linkFile).fileName());
  link->Delete();
  ++FItem.Replaced;
  return true;
}

void TReLocator::CommitItem() {
  FCountLinksFound += FItem.LinksFound;
  FCountNoFileFound += FItem.NoFileFound;
  FCountOrgFileFound += FItem.OrgFileFound;
  FCountReplaced += FItem.Replaced;
  FItem = TCounts();
}

QStringList TReLocator::StatisticsLines() const {
  return {QStringLiteral("Folders inspected: %1").arg(FCountFolders),
          QStringLiteral("Items inspected: %1").arg(FCountItems),
          QStringLiteral("Emails processed: %1").arg(FCountEmails),
          QStringLiteral("Links found: %1").arg(FCountLinksFound),
          QStringLiteral("Original files found: %1").arg(FCountOrgFileFound),
          QStringLiteral("Files not found: %1").arg(FCountNoFileFound),
          QStringLiteral("Links changed: %1").arg(FCountReplaced),
          QStringLiteral("Affected emails: %1").arg(FCountEmailsAffected)};
}
