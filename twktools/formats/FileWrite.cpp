#include "twktools/formats/FileWrite.h"

#include "twktools/TWKerrors.h"

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace twkformats {

void RaiseFileWriteError(const QString& what, const QString& path, int error) {
  const HRESULT code = (error == EACCES || error == EPERM || error == EROFS) ? E_ACCESSDENIED
                       : error == ENOENT                                   ? MAPI_E_NOT_FOUND
                                                                           : MAPI_E_DISK_ERROR;
  throw EComError(code, QStringLiteral("Cannot %1 \"%2\": %3").arg(what, path, QString::fromLocal8Bit(std::strerror(error))));
}

namespace {

int CreateNew(const QByteArray& native) {
  return ::open(native.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

void SyncOrRaise(int fd, const QString& what, const QString& path) {
  if (::fsync(fd) != 0) RaiseFileWriteError(what, path, errno);
}

}  // namespace

void WriteAllTo(QFile& file, const char* data, qint64 size, const QString& what, const QString& path) {
  const int fd = file.handle();
  for (qint64 done = 0; done < size;) {
    const ssize_t n = ::write(fd, data + done, size_t(std::min<qint64>(size - done, 1 << 20)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) RaiseFileWriteError(what, path, n < 0 ? errno : ENOSPC);
    done += n;
  }
}

void CopyFileInto(QFile& file, const QString& source, const QString& what, const QString& path) {
  const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
  if (in < 0) RaiseFileWriteError(QStringLiteral("read"), source, errno);
  const int out = file.handle();
  try {
    // The kernel copies (and may share the blocks); plain reads where it cannot.
    bool kernel = true;
    for (;;) {
      if (kernel) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n == 0) return (void)::close(in);
        if (n > 0) continue;
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF)
          RaiseFileWriteError(what, path, errno);
        kernel = false;
      }
      char buffer[256 * 1024];
      const ssize_t n = ::read(in, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) RaiseFileWriteError(QStringLiteral("read"), source, errno);
      if (n == 0) return (void)::close(in);
      WriteAllTo(file, buffer, n, what, path);
    }
  } catch (...) {
    ::close(in);
    throw;
  }
}

void WriteFile(const QString& path, TWriteRule rule, const QString& what, const std::function<void(QFile&)>& write) {
  const QByteArray target = QFile::encodeName(path);
  // Written in place when nothing is there to keep.
  QByteArray written = target;
  int fd = rule == TWriteRule::Plain ? CreateNew(target) : -1;
  if (fd < 0 && rule == TWriteRule::Plain && errno != EEXIST) RaiseFileWriteError(what, path, errno);
  for (int n = 0; fd < 0; ++n) {
    written = target + ".twk-" + QByteArray::number(::getpid()) + '-' + QByteArray::number(n);
    fd = CreateNew(written);
    if (fd < 0 && (errno != EEXIST || n >= 100)) RaiseFileWriteError(what, path, errno);
  }
  QFile file;
  try {
    if (!file.open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
      RaiseFileWriteError(what, path, EBADF);
    write(file);
    file.close();
    if (rule == TWriteRule::Durable) SyncOrRaise(fd, what, path);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) RaiseFileWriteError(what, path, errno);
    if (written != target && ::rename(written.constData(), target.constData()) != 0)
      RaiseFileWriteError(what, path, errno);
  } catch (...) {
    if (fd >= 0) ::close(fd);
    ::unlink(written.constData());
    throw;
  }
  if (rule == TWriteRule::Durable) {
    // The file is complete under its name already; a directory that cannot
    // be synced costs at most the new name after a crash, never the old file.
    const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      (void)::fsync(dir);
      ::close(dir);
    }
  }
}

}  // namespace twkformats
