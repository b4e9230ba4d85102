// The new-mail event of an IMAP store: a connection of its own to the Inbox,
// waiting in IDLE (RFC 2177), or asking with NOOP now and then where the
// server lacks IDLE, on a worker thread; each new UID is handed to the
// thread that started the watch. A dropped connection is made again after
// a wait that grows with each failure.
#pragma once

#include "twktools/imap/connection.h"
#include "twktools/session/StoreBackend.h"

#include <QSet>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

class QObject;

namespace twkimap {

// UIDs our own changes put into a mailbox (not new mail), shared by the
// store and its watcher.
class TOwnAdditions {
public:
  void Add(std::uint32_t uidValidity, std::uint32_t uid);
  bool Take(std::uint32_t uidValidity, std::uint32_t uid);

private:
  std::mutex FLock;
  QSet<quint64> FUids;
};

class TInboxWatcher final : public twksession::TNewMailWatch {
public:
  TInboxWatcher(const twksession::TStoreConfig& config, const QString& storeName, const QByteArray& storeKey,
                QByteArray inbox, std::shared_ptr<TOwnAdditions> own, twksession::TNewMailHandler handler);
  ~TInboxWatcher() override;
  void Stop() override;

private:
  void Run();
  // Waits for the server to speak (IDLE) or for the poll time; false when stopped.
  bool Wait(TImapConnection& connection, bool idle);
  // Sleeps up to ms, woken by Stop; false when stopped.
  bool Pause(int ms);
  void Announce(std::uint32_t uidValidity, std::uint32_t uid);

  twksession::TStoreConfig FConfig;
  QString FStoreName;
  QByteArray FStoreKey;
  QByteArray FInbox;
  std::shared_ptr<TOwnAdditions> FOwn;
  twksession::TNewMailHandler FHandler;
  std::unique_ptr<QObject> FContext;  // on the starting thread: events are delivered there
  std::shared_ptr<std::atomic<bool>> FStopped;
  int FWake[2] = {-1, -1};  // a pipe that ends a wait at once
  std::thread FThread;
};

}  // namespace twkimap
