// The one processor of a user's new mail: the desktop's add-in and `twk watch`
// both run the inbox tasks on new Inbox mail, so each takes this lock before
// it runs them. Whichever takes it first keeps it until it ends; the other
// processes nothing meanwhile and tries again at its next new mail. The lock
// is an flock on a file in the user's runtime directory, so it goes with the
// process however that ends.
#pragma once

#include <QString>

class TNewMailLock {
public:
  TNewMailLock() = default;
  ~TNewMailLock() { Release(); }
  TNewMailLock(const TNewMailLock&) = delete;
  TNewMailLock& operator=(const TNewMailLock&) = delete;

  // $TARNWICK_RUNTIME_DIR, else $XDG_RUNTIME_DIR, else the temporary
  // directory with the user id in the name.
  static QString LockFilePath();

  // Takes the lock (at once or not at all) and writes holder into the file;
  // true when it is held afterwards. A file that cannot be opened raises.
  bool TryAcquire(const QString& holder);
  void Release();
  bool Held() const { return FFd >= 0; }
  // Who holds it, as its holder wrote; empty when no one does.
  static QString Holder();

private:
  int FFd = -1;
};
