// The file systems a run wrote its files to, synced once at the end of the
// run (syncfs): files that nothing records or relies on are written without
// a sync of their own, and a run that reports success has them on disk.
#pragma once

#include <QString>
#include <map>

class TWrittenFileSystems {
public:
  // Remembers the file system that holds dir (the first directory seen on
  // it names it in errors). A directory that cannot be examined is ignored:
  // the write into it has failed already.
  void Add(const QString& dir);
  // Syncs each file system once and forgets them; raises after trying all,
  // naming the first directory whose file system failed.
  void SyncAll();
  // Takes over other's file systems (other is emptied).
  void Take(TWrittenFileSystems& other);
  bool IsEmpty() const { return FDirs.empty(); }

private:
  std::map<unsigned long long, QString> FDirs;  // device -> directory
  QString FLastDir;                             // skips the check for a run of files in one directory
};
