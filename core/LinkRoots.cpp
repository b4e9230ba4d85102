#include "core/LinkRoots.h"

#include "core/Options.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kLinkRoots = QStringLiteral("LinkRoots");

// The resolved absolute form of a path; a path that does not exist (yet) is
// resolved as far as it exists, the rest cleaned.
QString ResolvedPath(const QString& path) {
  if (path.isEmpty() || !QDir::isAbsolutePath(path)) return QString();
  QString head = QDir::cleanPath(path);
  QString tail;
  while (!head.isEmpty()) {
    const QString canonical = QFileInfo(head).canonicalFilePath();
    if (!canonical.isEmpty()) return tail.isEmpty() ? canonical : QDir::cleanPath(canonical + QLatin1Char('/') + tail);
    const qsizetype slash = head.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0) break;
    tail = tail.isEmpty() ? head.mid(slash + 1) : head.mid(slash + 1) + QLatin1Char('/') + tail;
    head = head.left(slash);
  }
  return QDir::cleanPath(path);
}

bool IsBelow(const QString& path, const QString& root) {
  if (root == QLatin1String("/")) return path.startsWith(root);
  return path == root || path.startsWith(root + QLatin1Char('/'));
}

QStringList ReadRoots(const QSettings& s) {
  QStringList roots;
  for (const QString& r : s.value(kLinkRoots).toStringList())
    if (QDir::isAbsolutePath(r)) roots << QDir::cleanPath(r);
  return roots;
}

}  // namespace

void TLinkRoots::Load() { FRoots = ReadRoots(OpenSettings()); }

bool TLinkRoots::Covers(const QString& target) const {
  const QString path = ResolvedPath(target);
  if (path.isEmpty()) return false;
  for (const QString& root : FRoots)
    if (IsBelow(path, ResolvedPath(root))) return true;
  return false;
}

bool TLinkRoots::Record(const QString& dir) {
  const QString path = ResolvedPath(QDir::isAbsolutePath(dir) ? dir : QDir::current().absoluteFilePath(dir));
  if (path.isEmpty() || Covers(path)) return true;
  // Re-read first: another program (the console program, `twk watch`) may
  // have recorded a directory since this list was loaded; it may cover dir.
  QSettings s = OpenSettings();
  for (const QString& r : ReadRoots(s))
    if (!FRoots.contains(r)) FRoots << r;
  if (Covers(path)) return true;
  FRoots << path;
  s.setValue(kLinkRoots, FRoots);
  s.sync();
  return s.status() == QSettings::NoError;
}
