#include "core/ExportTarget.h"

#include "core/Exception.h"
#include "core/FilenameTools.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <sys/stat.h>

namespace {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// MakeUniqueFileName leaves a directory that could not be made to the first
// write; name it here with the system's reason.
QString RequireDirectory(const QString& path) {
  const QString dir = QFileInfo(path).path();
  if (QFileInfo(dir).isDir()) return path;
  if (::mkdir(Native(dir).constData(), 0777) != 0 && errno != EEXIST) RaiseLastOSError(dir);
  if (!QFileInfo(dir).isDir()) throw EOSError::FromErrno(ENOTDIR, dir);
  return path;
}

QString ChosenName(const QString& path, bool unique) {
  QString chosen = path;
  MakeUniqueFileName(chosen, unique);
  return RequireDirectory(chosen);
}

}  // namespace

TExportTarget::TExportTarget(const QString& path, bool unique)
    : FRequested(path), FUnique(unique), FPath(ChosenName(path, unique)), FBeside(FPath) {}

void TExportTarget::Write(const std::function<void(const QString&)>& writer) {
  try {
    writer(WritePath());
  } catch (const Exception& e) {
    // The user knows the file by its final name, not the temporary one.
    QString message = e.Message();
    throw Exception(message.replace(WritePath(), FPath));
  }
}

qint64 TExportTarget::WrittenSize() const {
  struct stat st {};
  if (::stat(Native(WritePath()).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return qint64(st.st_size);
}

void TExportTarget::Commit(TSyncRule sync) {
  // Neither way of "append a number" replaces: a file that appeared under
  // the chosen name since it was chosen stays, and the next number is taken.
  while (!FBeside.Commit(FPath, sync, FUnique ? TExistRule::Keep : TExistRule::Replace)) {
    FPath = FRequested;
    MakeUniqueFileName(FPath, true);
  }
}
