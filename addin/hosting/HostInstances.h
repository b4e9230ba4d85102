// Running host instances: each holds a lock on a file of its own in the
// user's runtime directory while it runs; registration looks for held locks
// and asks the user to close those instances first.
#pragma once

#include <QString>
#include <QStringList>

// Held by a running host for its lifetime.
class THostInstanceLock {
public:
  explicit THostInstanceLock(const QString& name);
  ~THostInstanceLock();
  THostInstanceLock(const THostInstanceLock&) = delete;
  THostInstanceLock& operator=(const THostInstanceLock&) = delete;

private:
  QString FPath;
  int FFd = -1;
};

// The names of the running instances ("tarnwick (process 123)"); files left
// by instances that ended are removed.
QStringList RunningHostInstances();

// Before registering: while instances run, asks "Please close all running
// host application instances:" with their names, Cancel / Retry / Ignore (a
// dialog when a window can be shown, the terminal otherwise). False on
// Cancel, after telling "The registration process has been canceled.".
bool AskCloseRunningInstances();
