// The new-mail event: inotify on the Inbox's new/ and cur/, read through a
// QSocketNotifier on the thread that starts the watch.
#pragma once

#include "twktools/maildir/folder.h"
#include "twktools/session/StoreBackend.h"

#include <QSet>
#include <functional>
#include <memory>

class QSocketNotifier;
class QObject;

namespace twkmaildir {

class TNewMailWatcher final : public twksession::TNewMailWatch {
public:
  using THandler = std::function<void(const QString& entryID)>;
  // Starts watching; the messages already in the Inbox are not new.
  // Throws EComError when inotify cannot watch the folder.
  TNewMailWatcher(TwkPtr<TMaildirFolder> inbox, THandler handler);
  ~TNewMailWatcher() override;
  // No more events, also not from the batch being read now (the handler
  // may stop the watch while it runs).
  void Stop() override { FStopped = true; }
  TNewMailWatcher(const TNewMailWatcher&) = delete;
  TNewMailWatcher& operator=(const TNewMailWatcher&) = delete;

private:
  void ReadEvents();
  void Arrived(const QString& fileName);
  void Rescan();

  TwkPtr<TMaildirFolder> FInbox;
  std::shared_ptr<TListing> FListing;
  THandler FHandler;
  int FFd = -1;
  int FNewWatch = -1, FCurWatch = -1;
  std::unique_ptr<QObject> FContext;  // owns the notifier and the timers
  QSocketNotifier* FNotifier = nullptr;
  QSet<QString> FSeen;                // unique names announced or there before
  QSet<QString> FPending;             // created in place, not yet complete
  bool FStopped = false;
};

}  // namespace twkmaildir
