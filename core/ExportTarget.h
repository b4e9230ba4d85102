// The target file of an export, put in place through TFileBeside: written
// under a temporary name beside its final name, renamed into place once when
// complete. Under "append a number" the file is moved to its name in a way
// that never replaces anything: a file that appeared under that name in
// between stays, and the next number is taken.
#pragma once

#include "core/FileBeside.h"

#include <QString>
#include <functional>

class TExportTarget {
public:
  // Makes the name (unique when asked), creates its directory and picks the
  // temporary name (the writer creates the file); raises naming the
  // directory or file that failed.
  TExportTarget(const QString& path, bool unique);
  TExportTarget(const TExportTarget&) = delete;
  TExportTarget& operator=(const TExportTarget&) = delete;

  // The final name (after Commit the name actually taken).
  const QString& Path() const { return FPath; }
  // Where the writer writes.
  const QString& WritePath() const { return FBeside.TempPath(); }
  // Runs writer on WritePath(); its errors name the final path instead.
  void Write(const std::function<void(const QString& writePath)>& writer);
  // Size of what has been written so far; -1 when nothing exists.
  qint64 WrittenSize() const;
  // Puts the written file under its final name; Durable: on disk (data and
  // directory entry) before this returns. Raises on failure.
  void Commit(TSyncRule sync);

private:
  QString FRequested;
  bool FUnique;
  QString FPath;
  TFileBeside FBeside;
};
