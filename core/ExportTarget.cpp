#include "core/ExportTarget.h"

#include "core/Exception.h"
#include "core/FilenameTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// MakeUniqueFileName leaves a directory that could not be made to the first
// write; name it here with the system's reason.
void RequireDirectory(const QString& dir) {
  if (QFileInfo(dir).isDir()) return;
  if (::mkdir(Native(dir).constData(), 0777) != 0 && errno != EEXIST) RaiseLastOSError(dir);
  if (!QFileInfo(dir).isDir()) throw EOSError::FromErrno(ENOTDIR, dir);
}

QString RandomSuffix() {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  QString suffix;
  for (int i = 0; i < 8; ++i) suffix += QLatin1Char(kChars[QRandomGenerator::global()->bounded(62)]);
  return suffix;
}

// Moves temp to path unless path exists (false then). A rename that refuses
// to replace is one step; where the file system lacks it, link and unlink.
bool PutInPlaceWithoutReplacing(const QString& temp, const QString& path) {
  const QByteArray from = Native(temp), to = Native(path);
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EEXIST) return false;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) RaiseLastOSError(path);
  if (::link(from.constData(), to.constData()) != 0) {
    if (errno == EEXIST) return false;
    RaiseLastOSError(path);
  }
  ::unlink(from.constData());
  return true;
}

void SyncPath(const QString& path, int flags) {
  const int fd = ::open(Native(path).constData(), flags | O_CLOEXEC);
  if (fd < 0) RaiseLastOSError(path);
  const int rc = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  if (rc != 0) throw EOSError::FromErrno(err, path);
}

}  // namespace

TExportTarget::TExportTarget(const QString& path, bool unique) : FRequested(path), FUnique(unique), FPath(path) {
  MakeUniqueFileName(FPath, unique);
  const QFileInfo info(FPath);
  RequireDirectory(info.path());
  // A name nobody uses, left for the writer to create: creating it here too
  // would cost a second new file per export, replaced at once by the writer's.
  const QString stem = info.path() + QStringLiteral("/.") + info.fileName().left(100) + QStringLiteral(".part-");
  for (int attempt = 0;; ++attempt) {
    FTempPath = stem + RandomSuffix();
    struct stat st {};
    if (::lstat(Native(FTempPath).constData(), &st) != 0 && errno == ENOENT) break;
    if (attempt >= 100) throw EOSError::FromErrno(EEXIST, FPath);
  }
}

TExportTarget::~TExportTarget() {
  if (!FCommitted) ::unlink(Native(FTempPath).constData());
}

void TExportTarget::Write(const std::function<void(const QString&)>& writer) {
  try {
    writer(FTempPath);
  } catch (const Exception& e) {
    // The user knows the file by its final name, not the temporary one.
    QString message = e.Message();
    throw Exception(message.replace(FTempPath, FPath));
  }
}

qint64 TExportTarget::WrittenSize() const {
  struct stat st {};
  if (::stat(Native(FTempPath).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return qint64(st.st_size);
}

void TExportTarget::Commit(bool sync) {
  if (sync) SyncPath(FTempPath, O_RDONLY);
  if (FUnique) {
    // Neither way replaces: a file that appeared under the chosen name since
    // it was chosen stays, and the next number is taken.
    while (!PutInPlaceWithoutReplacing(FTempPath, FPath)) {
      FPath = FRequested;
      MakeUniqueFileName(FPath, true);
    }
  } else if (::rename(Native(FTempPath).constData(), Native(FPath).constData()) != 0) {
    RaiseLastOSError(FPath);
  }
  FCommitted = true;
  if (sync) SyncPath(QFileInfo(FPath).path(), O_RDONLY | O_DIRECTORY);
}
