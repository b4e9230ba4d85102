#include "core/NewMailLock.h"

#include "core/Exception.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString TNewMailLock::LockFilePath() {
  QString dir = qEnvironmentVariable("TARNWICK_RUNTIME_DIR");
  if (dir.isEmpty()) dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (dir.isEmpty()) return QDir::tempPath() + QStringLiteral("/tarnwick-newmail-%1.lock").arg(::getuid());
  return dir + QStringLiteral("/tarnwick-newmail.lock");
}

bool TNewMailLock::TryAcquire(const QString& holder) {
  if (Held()) return true;
  const QByteArray path = QFile::encodeName(LockFilePath());
  const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0)
    throw Exception(QStringLiteral("Unable to open the new-mail lock %1: %2")
                        .arg(LockFilePath(), QString::fromLocal8Bit(std::strerror(errno))));
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  // The holder's name is only for the message of the one that waits.
  const QByteArray text = holder.toUtf8() + '\n';
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, text.constData(), size_t(text.size()), 0) < 0) {
    // The lock itself holds; only the name is missing.
  }
  FFd = fd;
  return true;
}

void TNewMailLock::Release() {
  if (FFd < 0) return;
  // Cleared first, so no stale name survives the holder.
  if (::ftruncate(FFd, 0) != 0) {
    // Closing still frees the lock.
  }
  ::close(FFd);
  FFd = -1;
}

QString TNewMailLock::Holder() {
  QFile f(LockFilePath());
  if (!f.open(QIODevice::ReadOnly)) return {};
  const int fd = f.handle();
  // Free lock: nobody holds it, whatever the file still says.
  if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
    ::flock(fd, LOCK_UN);
    return {};
  }
  return QString::fromUtf8(f.readAll()).trimmed();
}
