// The one way the system puts a file in place: written under a temporary
// name beside its final name, then renamed into place once, when complete.
// A failed or interrupted write never leaves a partial file under the final
// name, nor destroys the file it would replace.
//
// Whether the file is synced is the caller's rule: a file that something
// will record or rely on (a log record naming it, an e-mail losing its
// attachment to it, a job file replacing the old one) is synced with its
// directory entry before Commit returns; any other file is left to the
// end-of-run sync of its file system (TWrittenFileSystems).
#pragma once

#include <QString>

enum class TSyncRule { None, Durable };
// What an existing file under the final name means: it is replaced, or the
// file is not put in place (Commit returns false).
enum class TExistRule { Replace, Keep };

class TFileBeside {
public:
  // Picks an unused temporary name in finalPath's directory; creates nothing.
  explicit TFileBeside(const QString& finalPath);
  TFileBeside(const TFileBeside&) = delete;
  TFileBeside& operator=(const TFileBeside&) = delete;
  // Removes the temporary file unless it was put in place.
  ~TFileBeside();

  const QString& TempPath() const { return FTemp; }
  // Creates the temporary file (exclusively, with mode) and returns its
  // descriptor, which the caller closes; raises naming errorPath.
  int Create(unsigned mode, const QString& errorPath);
  // Syncs the temporary file (Durable), renames it to path and syncs the
  // directory (Durable). With Keep an existing path stays and false is
  // returned. Raises naming path.
  bool Commit(const QString& path, TSyncRule sync, TExistRule exist);

private:
  QString FTemp;
  bool FPlaced = false;
};

// Syncs a file or directory by path (fsync); raises naming path.
void SyncPath(const QString& path, bool directory);
