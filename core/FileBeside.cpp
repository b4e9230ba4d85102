#include "core/FileBeside.h"

#include "core/Exception.h"

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

QString RandomSuffix() {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  QString suffix;
  for (int i = 0; i < 8; ++i) suffix += QLatin1Char(kChars[QRandomGenerator::global()->bounded(62)]);
  return suffix;
}

// Moves temp to path unless path exists (false then). A rename that refuses
// to replace is one step; where the file system lacks it, link and unlink.
bool PutInPlaceWithoutReplacing(const QByteArray& from, const QString& path) {
  const QByteArray to = Native(path);
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

}  // namespace

void SyncPath(const QString& path, bool directory) {
  const int fd = ::open(Native(path).constData(), O_RDONLY | O_CLOEXEC | (directory ? O_DIRECTORY : 0));
  if (fd < 0) RaiseLastOSError(path);
  const int rc = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  if (rc != 0) throw EOSError::FromErrno(err, path);
}

TFileBeside::TFileBeside(const QString& finalPath) {
  const QFileInfo info(finalPath);
  // Hidden, and short enough for any name the final one may have.
  const QString stem = info.path() + QStringLiteral("/.") + info.fileName().left(100) + QStringLiteral(".part-");
  for (int attempt = 0;; ++attempt) {
    FTemp = stem + RandomSuffix();
    struct stat st {};
    if (::lstat(Native(FTemp).constData(), &st) != 0 && errno == ENOENT) break;
    if (attempt >= 100) throw EOSError::FromErrno(EEXIST, finalPath);
  }
}

TFileBeside::~TFileBeside() {
  if (!FPlaced) ::unlink(Native(FTemp).constData());
}

int TFileBeside::Create(unsigned mode, const QString& errorPath) {
  const int fd = ::open(Native(FTemp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode_t(mode));
  if (fd < 0) RaiseLastOSError(errorPath);
  return fd;
}

bool TFileBeside::Commit(const QString& path, TSyncRule sync, TExistRule exist) {
  const QByteArray from = Native(FTemp);
  if (sync == TSyncRule::Durable) SyncPath(FTemp, false);
  if (exist == TExistRule::Keep) {
    if (!PutInPlaceWithoutReplacing(from, path)) return false;
  } else if (::rename(from.constData(), Native(path).constData()) != 0) {
    RaiseLastOSError(path);
  }
  FPlaced = true;
  if (sync == TSyncRule::Durable) SyncPath(QFileInfo(path).path(), true);
  return true;
}
