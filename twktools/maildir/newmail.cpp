#include "twktools/maildir/newmail.h"

#include <QFile>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace twkmaildir {

namespace {

// A file created straight in new/ or cur/ (not linked or renamed there) may
// still be written; it counts once it is closed, or after this long when it
// was linked into place and nobody writes it.
constexpr int kSettleMs = 500;

[[noreturn]] void RaiseWatchError(const QString& what) {
  throw EComError(E_FAIL, QStringLiteral("Cannot watch \"%1\" for new mail: %2").arg(what, QString::fromLocal8Bit(strerror(errno))));
}

}  // namespace

TNewMailWatcher::TNewMailWatcher(TwkPtr<TMaildirFolder> inbox, THandler handler)
    : FInbox(std::move(inbox)), FListing(FInbox->Listing()), FHandler(std::move(handler)), FContext(new QObject) {
  const QString dir = FInbox->MaildirPath();
  if (!FListing) throw EComError(E_FAIL, QStringLiteral("The Inbox \"%1\" is not a mail folder").arg(FInbox->FolderPath()));
  FFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (FFd < 0) RaiseWatchError(dir);
  const uint32_t mask = IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE;
  FNewWatch = inotify_add_watch(FFd, QFile::encodeName(dir + QStringLiteral("/new")).constData(), mask);
  FCurWatch = inotify_add_watch(FFd, QFile::encodeName(dir + QStringLiteral("/cur")).constData(), mask);
  if (FNewWatch < 0 || FCurWatch < 0) {
    const int code = errno;
    close(FFd);
    errno = code;
    RaiseWatchError(dir);
  }
  FListing->SetWatched(true);
  FSeen = FListing->UniqueNames();
  FNotifier = new QSocketNotifier(FFd, QSocketNotifier::Read, FContext.get());
  QObject::connect(FNotifier, &QSocketNotifier::activated, FContext.get(), [this] { ReadEvents(); });
}

TNewMailWatcher::~TNewMailWatcher() {
  FContext.reset();  // notifier and timers go first
  if (FListing) FListing->SetWatched(false);
  if (FFd >= 0) close(FFd);
}

void TNewMailWatcher::ReadEvents() {
  alignas(inotify_event) char buffer[16384];
  while (!FStopped) {
    const ssize_t n = read(FFd, buffer, sizeof buffer);
    if (n <= 0) return;  // EAGAIN: all read
    for (ssize_t at = 0; at < n && !FStopped;) {
      const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
      at += ssize_t(sizeof(inotify_event) + e->len);
      if (e->mask & IN_Q_OVERFLOW) {
        Rescan();
        continue;
      }
      if (e->len == 0 || (e->mask & IN_ISDIR) || e->name[0] == '.') continue;
      const QString name = QFile::decodeName(e->name);
      const QString unique = UniqueNameOf(name);
      if (e->mask & IN_CREATE) {
        if (FSeen.contains(unique) || FPending.contains(unique)) continue;
        FPending.insert(unique);
        QTimer::singleShot(kSettleMs, FContext.get(), [this, unique] {
          if (FPending.remove(unique)) Arrived(unique);
        });
      } else if (e->mask & IN_CLOSE_WRITE) {
        if (FPending.remove(unique)) Arrived(unique);
      } else if (e->mask & IN_MOVED_TO) {
        FPending.remove(unique);
        Arrived(unique);
      }
    }
  }
}

void TNewMailWatcher::Arrived(const QString& unique) {
  if (FStopped) return;
  // A rename new/ -> cur/ or a flag change keeps the unique name: not new.
  if (FSeen.contains(unique)) return;
  FSeen.insert(unique);
  // Our own copy or move into the Inbox is no delivery.
  if (FListing->TakeOwnAddition(unique)) return;
  FHandler(FInbox->MessageEntryID(unique));
}

// Events were lost: whatever is in the Inbox now and was never seen arrived.
void TNewMailWatcher::Rescan() {
  const QSet<QString> now = FListing->UniqueNames();
  for (const QString& unique : now)
    if (!FPending.contains(unique)) Arrived(unique);
  if (!FStopped) FSeen.intersect(now);
}

}  // namespace twkmaildir
