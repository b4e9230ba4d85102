// twk watch: the new-mail handling of the desktop module without a window.
// The watcher keeps the options and the inbox task list (reloaded when the
// inbox file changes) and runs the inbox tasks on every new e-mail; what
// the desktop shows in its results window goes to standard error.
#pragma once

#include "core/JobDef.h"
#include "core/NewMailLock.h"
#include "core/Options.h"

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>

class TRDOSession;

class TWatcher {
public:
  // session: connected and logged on, borrowed.
  TWatcher(TRDOSession& session, const QString& inboxFile);
  TWatcher(const TWatcher&) = delete;
  TWatcher& operator=(const TWatcher&) = delete;

  // Loads the options and the inbox file and starts watching that file.
  void Start();
  // The handler of the session's new-mail event.
  void HandleNewMail(const QString& entryID);

private:
  void LoadInboxDefs();
  void WatchInboxFile();
  void InboxFileMayHaveChanged();
  // True when this watcher may run the inbox tasks: the list is active and
  // the new-mail lock is held (taken here when free).
  bool MayProcess();

  TRDOSession& FSession;
  QString FInboxFile;
  TOptions FOptions;
  TJobDefList_Inbox FInboxDefs;
  QFileSystemWatcher FFileWatcher;
  QTimer FSettle;              // lets a writer finish before the file is read
  QByteArray FLoadedIdentity;  // of the file as last loaded
  TNewMailLock FLock;
  bool FWaitingSaid = false;
};

// SIGTERM and SIGINT quit the application's event loop: the handler only
// writes to a pipe, whose reading end the loop watches.
class TStopSignals {
public:
  TStopSignals();
  ~TStopSignals();
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

private:
  std::unique_ptr<QSocketNotifier> FNotifier;
};

// Lines for standard error about one new e-mail: a timestamp line, the
// message of an error that escaped the run (if any), the mail errors.
QString WatchReport(const QString& timestamp, const QString& escaped, const QStringList& mailErrors);
