// The target file of an export. The file is written under a temporary name
// beside its final name and renamed into place only when complete, so a
// failed or short write (a full disk) never leaves a partial file under the
// final name nor destroys the file it would replace. Under "append a number"
// the file is moved to its name in a way that never replaces anything: a file
// that appeared under that name in between stays, and the next number is taken.
#pragma once

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
  ~TExportTarget();

  // The final name (after Commit the name actually taken).
  const QString& Path() const { return FPath; }
  // Where the writer writes.
  const QString& WritePath() const { return FTempPath; }
  // Runs writer on WritePath(); its errors name the final path instead.
  void Write(const std::function<void(const QString& writePath)>& writer);
  // Size of what has been written so far; -1 when nothing exists.
  qint64 WrittenSize() const;
  // Puts the written file under its final name; with sync it is on disk
  // (data and directory entry) before this returns. Raises on failure.
  void Commit(bool sync = false);

private:
  QString FRequested;
  bool FUnique;
  QString FPath;
  QString FTempPath;
  bool FCommitted = false;
};
