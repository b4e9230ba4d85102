#include "core/ExportTarget.h"

#include "core/Exception.h"
#include "core/FilenameTools.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

TExportTarget::TExportTarget(const QString& path, bool unique) : FPath(path) {
  MakeUniqueFileName(FPath, unique);
  if (!unique) return;
  for (;;) {
    const int fd = ::open(QFile::encodeName(FPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      FReserved = true;
      return;
    }
    if (errno != EEXIST) RaiseLastOSError(FPath);
    // Someone created it since the name was chosen: take the next number.
    FPath = path;
    MakeUniqueFileName(FPath, true);
  }
}

TExportTarget::~TExportTarget() {
  if (FReserved) QFile::remove(FPath);
}
