#include "twktools/imap/newmail.h"

#include "twktools/imap/ids.h"

#include <QMetaObject>
#include <QObject>
#include <fcntl.h>
#include <libetpan/libetpan.h>
#include <poll.h>
#include <unistd.h>

namespace twkimap {

namespace {

// IDLE is renewed before the 30 minutes after which servers may end it.
constexpr int kIdleRenewMs = 25 * 60 * 1000;
// Without IDLE: how often the Inbox is asked.
constexpr int kPollMs = 60 * 1000;
// The wait before making a dropped connection again: doubled per failure.
constexpr int kFirstRetryMs = 1000;
constexpr int kLastRetryMs = 5 * 60 * 1000;

quint64 KeyOf(std::uint32_t uidValidity, std::uint32_t uid) { return (quint64(uidValidity) << 32) | uid; }

}  // namespace

void TOwnAdditions::Add(std::uint32_t uidValidity, std::uint32_t uid) {
  std::lock_guard g(FLock);
  FUids.insert(KeyOf(uidValidity, uid));
}

bool TOwnAdditions::Take(std::uint32_t uidValidity, std::uint32_t uid) {
  std::lock_guard g(FLock);
  return FUids.remove(KeyOf(uidValidity, uid));
}

TInboxWatcher::TInboxWatcher(const twksession::TStoreConfig& config, const QString& storeName,
                             const QByteArray& storeKey, QByteArray inbox, std::shared_ptr<TOwnAdditions> own,
                             twksession::TNewMailHandler handler)
    : FConfig(config), FStoreName(storeName), FStoreKey(storeKey), FInbox(std::move(inbox)), FOwn(std::move(own)),
      FHandler(std::move(handler)), FContext(std::make_unique<QObject>()),
      FStopped(std::make_shared<std::atomic<bool>>(false)) {
  if (::pipe2(FWake, O_CLOEXEC | O_NONBLOCK) != 0)
    throw EComError(E_FAIL, QStringLiteral("Cannot watch the Inbox of \"%1\" for new mail").arg(storeName));
  FThread = std::thread([this] { Run(); });
}

TInboxWatcher::~TInboxWatcher() {
  Stop();
  if (FThread.joinable()) FThread.join();
  ::close(FWake[0]);
  ::close(FWake[1]);
}

void TInboxWatcher::Stop() {
  if (FStopped->exchange(true)) return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(FWake[1], &byte, 1);
}

bool TInboxWatcher::Pause(int ms) {
  pollfd p{FWake[0], POLLIN, 0};
  ::poll(&p, 1, ms);
  return !*FStopped;
}

bool TInboxWatcher::Wait(TImapConnection& connection, bool idle) {
  if (!idle) return Pause(kPollMs);
  mailimap* imap = connection.Raw();
  if (mailimap_idle(imap) != MAILIMAP_NO_ERROR) throw EComError(E_FAIL, QStringLiteral("IDLE refused"));
  pollfd p[2] = {{FWake[0], POLLIN, 0}, {mailimap_idle_get_fd(imap), POLLIN, 0}};
  ::poll(p, 2, kIdleRenewMs);
  if (*FStopped) return false;
  if (mailimap_idle_done(imap) != MAILIMAP_NO_ERROR) throw EComError(E_FAIL, QStringLiteral("IDLE ended badly"));
  return true;
}

void TInboxWatcher::Announce(std::uint32_t uidValidity, std::uint32_t uid) {
  if (FOwn->Take(uidValidity, uid)) return;
  const QString entryID = MessageEntryID(FStoreKey, FInbox, uidValidity, uid);
  auto stopped = FStopped;
  auto handler = FHandler;
  // Delivered on the starting thread; a watch stopped meanwhile delivers nothing.
  QMetaObject::invokeMethod(
      FContext.get(), [stopped, handler, entryID] {
        if (!*stopped) handler(entryID);
      },
      Qt::QueuedConnection);
}

void TInboxWatcher::Run() {
  int retry = kFirstRetryMs;
  std::uint32_t validity = 0, last = 0;
  while (!*FStopped) {
    try {
      TImapConnection connection(FConfig, FStoreName);
      connection.Open();
      const bool idle = connection.HasCapability("IDLE");
      const TMailboxState state = connection.Select(FInbox, true);
      if (state.UidValidity != validity) {
        // The first look, or a renumbered Inbox: what is there now is not new.
        const std::vector<std::uint32_t> now = connection.SearchUids(FInbox, {}, {}, true);
        validity = state.UidValidity;
        last = now.empty() ? 0 : now.back();
      }
      retry = kFirstRetryMs;
      while (!*FStopped) {
        // Anything that arrived while we were not waiting counts too.
        for (std::uint32_t uid : connection.SearchUids(FInbox, {}, {}, false, last + 1)) {
          last = uid;
          Announce(validity, uid);
        }
        if (!Wait(connection, idle)) break;
        if (!idle) connection.Noop();
        if (connection.Select(FInbox).UidValidity != validity) break;
      }
    } catch (const EComError&) {
      // The server or the network went away: again after a growing wait.
      if (!Pause(retry)) break;
      retry = std::min(retry * 2, kLastRetryMs);
    }
  }
}

}  // namespace twkimap
