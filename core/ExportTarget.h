// The target file of an export. Under "append a number" the name is made
// unique and the file created exclusively, so a file that appears in between
// is never overwritten: on a clash the next number is taken. A target that
// was reserved but never written is removed again.
#pragma once

#include <QString>

class TExportTarget {
public:
  TExportTarget(const QString& path, bool unique);
  TExportTarget(const TExportTarget&) = delete;
  TExportTarget& operator=(const TExportTarget&) = delete;
  ~TExportTarget();

  const QString& Path() const { return FPath; }
  // The file is written: keep it.
  void Commit() { FReserved = false; }

private:
  QString FPath;
  bool FReserved = false;
};
