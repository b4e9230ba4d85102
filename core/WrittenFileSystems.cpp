#include "core/WrittenFileSystems.h"

#include "core/Exception.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void TWrittenFileSystems::Add(const QString& dir) {
  if (dir == FLastDir) return;
  struct stat st {};
  if (::stat(QFile::encodeName(dir).constData(), &st) != 0) return;
  FDirs.emplace(static_cast<unsigned long long>(st.st_dev), dir);
  FLastDir = dir;
}

void TWrittenFileSystems::Take(TWrittenFileSystems& other) {
  FDirs.merge(other.FDirs);
  other.FDirs.clear();
  other.FLastDir.clear();
}

void TWrittenFileSystems::SyncAll() {
  std::map<unsigned long long, QString> dirs;
  dirs.swap(FDirs);
  FLastDir.clear();
  int firstError = 0;
  QString failed;
  for (const auto& [device, dir] : dirs) {
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int rc = fd < 0 ? -1 : ::syncfs(fd);
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (rc != 0 && !firstError) {
      firstError = error;
      failed = dir;
    }
  }
  if (firstError)
    throw EOSError(firstError, QStringLiteral("Unable to write the exported files in %1 to disk: %2")
                                   .arg(failed, EOSError::FromErrno(firstError).Message()));
}
