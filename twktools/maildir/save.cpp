#include "twktools/maildir/save.h"

#include "twktools/TWKerrors.h"
#include "twktools/formats/FileWrite.h"
#include "twktools/maildir/Backend.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace twkmaildir {

namespace {

TFaultHook& Hook() {
  static TFaultHook hook;
  return hook;
}

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

QString HostPart() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0 || !*host) std::strcpy(host, "localhost");
  // The maildir convention for the two characters a unique name cannot hold.
  return QString::fromLocal8Bit(host).replace(QLatin1Char('/'), QStringLiteral("\\057"))
      .replace(QLatin1Char(':'), QStringLiteral("\\072"));
}

// Runs one step: the fault hook first, then the call; -1 with errno set on failure.
template <class F>
int Step(TFileStep step, F call) {
  if (const int injected = FaultFor(step)) {
    errno = injected;
    return -1;
  }
  return call();
}

void WriteAll(int fd, const QByteArray& bytes, const QString& path, const QString& what) {
  constexpr qsizetype kChunk = 64 * 1024;
  for (qsizetype done = 0; done < bytes.size();) {
    const size_t n = size_t(std::min(kChunk, bytes.size() - done));
    const ssize_t written = Step(TFileStep::Write, [&] { return int(::write(fd, bytes.constData() + done, n)); });
    if (written < 0) {
      if (errno == EINTR) continue;
      RaiseFileError(what, path, errno);
    }
    done += written;
  }
}

// Writes tmpPath, synced and closed; errors name shownPath.
void WriteTmpFile(const QString& tmpPath, const QByteArray& bytes, mode_t mode,
                  const QString& shownPath = QString(), const QString& what = QStringLiteral("write the message file")) {
  const QString shown = shownPath.isEmpty() ? tmpPath : shownPath;
  const QByteArray native = Native(tmpPath);
  const int fd = Step(TFileStep::Create,
                      [&] { return ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode); });
  if (fd < 0) RaiseFileError(what, shown, errno);
  try {
    WriteAll(fd, bytes, shown, what);
    if (Step(TFileStep::Sync, [&] { return ::fsync(fd); }) != 0) RaiseFileError(what, shown, errno);
  } catch (...) {
    ::close(fd);
    ::unlink(native.constData());
    throw;
  }
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(native.constData());
    RaiseFileError(what, shown, error);
  }
}

}  // namespace

void SetFaultHook(TFaultHook hook) { Hook() = std::move(hook); }

int FaultFor(TFileStep step) { return Hook() ? Hook()(step) : 0; }

void RaiseFileError(const QString& what, const QString& path, int error) {
  twkformats::RaiseFileWriteError(what, path, error);
}

TMaildirFileName SplitMaildirFileName(const QString& fileName) {
  TMaildirFileName result;
  result.Unique = UniqueNameOf(fileName);
  result.Info = fileName.mid(result.Unique.size());
  return result;
}

QString MaildirFlags(const QString& fileName) {
  const QString info = SplitMaildirFileName(fileName).Info;
  return info.size() >= 3 ? info.mid(3) : QString();
}

std::int64_t DeliverySecondsOf(const QString& uniqueName) {
  qsizetype digits = 0;
  while (digits < uniqueName.size() && digits < 18 && uniqueName[digits].isDigit()) ++digits;
  if (digits == 0) return -1;
  return uniqueName.left(digits).toLongLong();
}

namespace {

QString UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  timeval now{};
  gettimeofday(&now, nullptr);
  return QStringLiteral("%1P%2Q%3").arg(qint64(now.tv_usec)).arg(qint64(getpid())).arg(++counter);
}

}  // namespace

QString NewUniqueName() {
  static const QString host = HostPart();
  return QStringLiteral("%1.M%2.%3").arg(qint64(time(nullptr))).arg(UniqueSuffix(), host);
}

QString DerivedUniqueName(const QString& sourceUnique) {
  if (sourceUnique.isEmpty()) return NewUniqueName();
  static const QRegularExpression sizeFields(QStringLiteral(",[SW]=\\d+"));
  static const QRegularExpression ownSuffix(QStringLiteral("\\.TWK\\d+P\\d+Q\\d+$"));
  QString base = sourceUnique;
  base.remove(sizeFields).remove(ownSuffix);
  return base + QStringLiteral(".TWK") + UniqueSuffix();
}

QString MaildirOfFile(const QString& filePath) {
  return QFileInfo(QFileInfo(filePath).absolutePath()).absolutePath();
}

QString DeliverMessageFile(const QString& maildir, const QByteArray& bytes, const QString& info,
                           const QString& sourceUnique, unsigned mode) {
  const QString infoPart = info.isEmpty() ? QStringLiteral(":2,") : info;
  QString unique = DerivedUniqueName(sourceUnique);
  const QString tmpPath = maildir + QStringLiteral("/tmp/") + unique;
  WriteTmpFile(tmpPath, bytes, mode_t(mode));
  const QByteArray nativeTmp = Native(tmpPath);
  QString target;
  try {
    for (int attempt = 0;; ++attempt) {
      target = maildir + QStringLiteral("/cur/") + unique + infoPart;
      const QByteArray nativeTarget = Native(target);
      // link(2) never replaces an existing message, unlike rename(2).
      if (Step(TFileStep::Link, [&] { return ::link(nativeTmp.constData(), nativeTarget.constData()); }) == 0) break;
      if (errno != EEXIST || attempt > 100) RaiseFileError(QStringLiteral("create the message file"), target, errno);
      unique = DerivedUniqueName(sourceUnique);
    }
  } catch (...) {
    ::unlink(nativeTmp.constData());
    throw;
  }
  try {
    SyncDirectory(maildir + QStringLiteral("/cur"));
  } catch (...) {
    ::unlink(Native(target).constData());
    ::unlink(nativeTmp.constData());
    throw;
  }
  // The message is complete in cur/; a tmp/ entry left behind by a failure
  // here is only a second link to it, and maildir readers clear tmp/.
  Step(TFileStep::Unlink, [&] { return ::unlink(nativeTmp.constData()); });
  return target;
}

int RenameNoReplace(const QString& from, const QString& to) {
  const QByteArray nativeFrom = Native(from), nativeTo = Native(to);
  int rc = Step(TFileStep::Rename, [&] {
    return ::renameat2(AT_FDCWD, nativeFrom.constData(), AT_FDCWD, nativeTo.constData(), RENAME_NOREPLACE);
  });
  if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
    // A file system without RENAME_NOREPLACE: link, then unlink the old name.
    rc = Step(TFileStep::Link, [&] { return ::link(nativeFrom.constData(), nativeTo.constData()); });
    if (rc == 0) ::unlink(nativeFrom.constData());
  }
  return rc;
}

// The old file is first renamed to the new name, then its content swapped
// for the new content in one step. Another program moving the message
// meanwhile takes it whole, with the old or the new content; the folder
// never shows the old and the new file side by side as two messages.
QString ReplaceMessageFile(const QString& oldPath, const QByteArray& bytes) {
  const TMaildirFileName name = SplitMaildirFileName(QFileInfo(oldPath).fileName());
  const QString infoPart = name.Info.isEmpty() ? QStringLiteral(":2,") : name.Info;
  const QString maildir = MaildirOfFile(oldPath);
  struct stat st {};
  const mode_t mode = ::stat(Native(oldPath).constData(), &st) == 0 ? (st.st_mode & 0777) : 0600;
  const QString tmpPath = maildir + QStringLiteral("/tmp/") + DerivedUniqueName(name.Unique);
  WriteTmpFile(tmpPath, bytes, mode);
  const QByteArray nativeTmp = Native(tmpPath);
  QString newPath;
  for (int attempt = 0;; ++attempt) {
    newPath = maildir + QStringLiteral("/cur/") + DerivedUniqueName(name.Unique) + infoPart;
    if (RenameNoReplace(oldPath, newPath) == 0) break;
    const int error = errno;
    if (error == EEXIST && attempt <= 100) continue;
    ::unlink(nativeTmp.constData());
    RaiseFileError(QStringLiteral("replace the message file"), oldPath, error);
  }
  const QByteArray nativeNew = Native(newPath);
  int rc = Step(TFileStep::Rename, [&] {
    return ::renameat2(AT_FDCWD, nativeTmp.constData(), AT_FDCWD, nativeNew.constData(), RENAME_EXCHANGE);
  });
  if (rc != 0 && (errno == EINVAL || errno == ENOSYS))
    // No exchange on this file system: rename(2) replaces just as atomically,
    // only it would not notice the message being taken away this very moment.
    rc = Step(TFileStep::Rename, [&] { return ::rename(nativeTmp.constData(), nativeNew.constData()); });
  if (rc != 0) {
    const int error = errno;
    ::unlink(nativeTmp.constData());
    // The message keeps its old content, under its old name again unless
    // another program took it meanwhile (ENOENT: the caller finds it gone).
    if (error != ENOENT) RenameNoReplace(newPath, oldPath);
    RaiseFileError(QStringLiteral("replace the message file"), oldPath, error);
  }
  // tmp/ now holds the old content (nothing after a plain rename); a failed
  // removal leaves only a file that maildir readers clear from tmp/.
  Step(TFileStep::Unlink, [&] { return ::unlink(nativeTmp.constData()); });
  // Both renames are atomic and done: a crash leaves the message once, so the change stands.
  TrySyncDirectory(maildir + QStringLiteral("/cur"));
  if (QFileInfo(oldPath).absolutePath() != maildir + QStringLiteral("/cur")) TrySyncDirectory(QFileInfo(oldPath).absolutePath());
  return newPath;
}

void RemoveMessageFile(const QString& filePath) {
  const QByteArray native = Native(filePath);
  if (Step(TFileStep::Unlink, [&] { return ::unlink(native.constData()); }) != 0)
    RaiseFileError(QStringLiteral("remove the message file"), filePath, errno);
  // The copy that replaces this file is already synced: should the removal
  // not reach the disk, a crash brings back a duplicate, never a loss.
  TrySyncDirectory(QFileInfo(filePath).absolutePath());
}

bool TrySyncDirectory(const QString& dirPath) {
  const int fd = ::open(Native(dirPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = Step(TFileStep::SyncDir, [&] { return ::fsync(fd); }) == 0;
  ::close(fd);
  return ok;
}

QByteArray ReadMessageFile(const QString& filePath) {
  const QByteArray native = Native(filePath);
  const int fd = Step(TFileStep::Read, [&] { return ::open(native.constData(), O_RDONLY | O_CLOEXEC); });
  if (fd < 0) RaiseFileError(QStringLiteral("read the message file"), filePath, errno);
  QByteArray bytes;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) bytes.reserve(qsizetype(st.st_size));
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      RaiseFileError(QStringLiteral("read the message file"), filePath, error);
    }
    if (n == 0) break;
    bytes.append(buffer, n);
  }
  ::close(fd);
  return bytes;
}

void SyncDirectory(const QString& dirPath) {
  const QByteArray native = Native(dirPath);
  const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) RaiseFileError(QStringLiteral("sync the folder"), dirPath, errno);
  const int rc = Step(TFileStep::SyncDir, [&] { return ::fsync(fd); });
  const int error = errno;
  ::close(fd);
  if (rc != 0) RaiseFileError(QStringLiteral("sync the folder"), dirPath, error);
}

}  // namespace twkmaildir
