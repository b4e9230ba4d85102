#include "cli/Watcher.h"

#include "cli/CliSupport.h"
#include "core/EmailProcessor.h"
#include "core/MailFields.h"
#include "core/RDOSession.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Device, inode, size and modification time; empty when the file is missing.
QByteArray FileIdentity(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
  return QByteArray::number(qulonglong(st.st_dev)) + ':' + QByteArray::number(qulonglong(st.st_ino)) + ':' +
         QByteArray::number(qlonglong(st.st_size)) + ':' + QByteArray::number(qlonglong(st.st_mtim.tv_sec)) + '.' +
         QByteArray::number(qlonglong(st.st_mtim.tv_nsec));
}

QString Timestamp() {
  const QDateTime now = QDateTime::currentDateTime();
  return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
}

int gStopPipe[2] = {-1, -1};

void OnStopSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // Only async-signal-safe work here; a full pipe already holds a stop.
  [[maybe_unused]] const ssize_t n = ::write(gStopPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

QString WatchReport(const QString& timestamp, const QString& escaped, const QStringList& mailErrors) {
  QString text = timestamp + QStringLiteral(" Inbox tasks on a new e-mail:\n");
  if (!escaped.isEmpty()) text += escaped + QLatin1Char('\n');
  for (const QString& line : mailErrors) text += line + QLatin1Char('\n');
  if (mailErrors.isEmpty()) text += QLatin1Char('\n');
  return text;
}

TWatcher::TWatcher(TRDOSession& session, const QString& inboxFile) : FSession(session), FInboxFile(inboxFile) {
  FSettle.setSingleShot(true);
  FSettle.setInterval(200);
  QObject::connect(&FSettle, &QTimer::timeout, &FSettle, [this] { InboxFileMayHaveChanged(); });
  QObject::connect(&FFileWatcher, &QFileSystemWatcher::fileChanged, &FSettle, [this] { FSettle.start(); });
  QObject::connect(&FFileWatcher, &QFileSystemWatcher::directoryChanged, &FSettle, [this] { FSettle.start(); });
}

void TWatcher::Start() {
  FOptions.LoadFromRegistry();
  LoadInboxDefs();
  WatchInboxFile();
  MayProcess();
}

bool TWatcher::MayProcess() {
  if (!FInboxDefs.Active() || FInboxDefs.Count() < 1) return false;
  if (FLock.TryAcquire(QStringLiteral("twk watch (pid %1)").arg(QCoreApplication::applicationPid()))) {
    if (FWaitingSaid) Err(QStringLiteral("The other processor of new mail has ended: processing new mail again\n"));
    FWaitingSaid = false;
    return true;
  }
  if (!FWaitingSaid) {
    const QString holder = TNewMailLock::Holder();
    Err(QStringLiteral("New mail is processed by %1: nothing is processed here until it ends\n")
            .arg(holder.isEmpty() ? QStringLiteral("another program") : holder));
  }
  FWaitingSaid = true;
  return false;
}

void TWatcher::LoadInboxDefs() {
  FInboxDefs.Clear();
  FLoadedIdentity = FileIdentity(FInboxFile);
  if (FLoadedIdentity.isEmpty()) {
    Err(QStringLiteral("Inbox task file %1 not found: no inbox tasks\n").arg(FInboxFile));
    return;
  }
  try {
    FInboxDefs.LoadFromFile(FInboxFile);
  } catch (const Exception& e) {
    // The tasks read before the failure are not used either.
    FInboxDefs.Clear();
    Err(QStringLiteral("Inbox task file %1 could not be loaded: %2\n").arg(FInboxFile, e.Message()));
    return;
  }
  Err(QStringLiteral("Inbox task file %1 loaded: %2 tasks, %3\n")
          .arg(FInboxFile)
          .arg(FInboxDefs.Count())
          .arg(FInboxDefs.Active() ? QStringLiteral("active") : QStringLiteral("inactive")));
}

// Watches the file and its directory (the file is usually replaced by a
// rename, which ends a watch on the file itself); while the directory is
// missing, its nearest existing ancestor.
void TWatcher::WatchInboxFile() {
  if (!FFileWatcher.files().isEmpty()) FFileWatcher.removePaths(FFileWatcher.files());
  if (!FFileWatcher.directories().isEmpty()) FFileWatcher.removePaths(FFileWatcher.directories());
  if (QFileInfo::exists(FInboxFile)) FFileWatcher.addPath(FInboxFile);
  QDir dir = QFileInfo(FInboxFile).absoluteDir();
  while (!dir.exists() && !dir.isRoot()) dir.setPath(QFileInfo(dir.absolutePath()).absolutePath());
  FFileWatcher.addPath(dir.absolutePath());
}

void TWatcher::InboxFileMayHaveChanged() {
  WatchInboxFile();
  if (FileIdentity(FInboxFile) == FLoadedIdentity) return;  // another file of the directory
  FOptions.LoadFromRegistry();
  LoadInboxDefs();
  MayProcess();
}

void TWatcher::HandleNewMail(const QString& entryID) {
  if (!MayProcess()) return;
  QString escaped;
  QStringList mailErrors;
  try {
    const TwkPtr<IRDOMail> mail = FSession->GetMessageFromID(entryID);
    if (!mail || !IsMailClass(mail->MessageClass())) return;
    TEmailProcessor processor;
    processor.SetRDOSession(FSession.Intf());
    processor.Options().Assign(FOptions);
    try {
      processor.ExecuteAuto(mail.get(), FInboxDefs);
    } catch (const Exception& e) {
      escaped = e.Message();
    }
    mailErrors = processor.MailErrors();
  } catch (const Exception& e) {
    // The e-mail could not be opened (gone already, unreadable).
    escaped = e.Message();
  } catch (const std::exception& e) {
    escaped = QString::fromLocal8Bit(e.what());
  }
  if (!escaped.isEmpty() || !mailErrors.isEmpty()) Err(WatchReport(Timestamp(), escaped, mailErrors));
}

TStopSignals::TStopSignals() {
  if (::pipe2(gStopPipe, O_CLOEXEC | O_NONBLOCK) != 0) RaiseLastOSError(QStringLiteral("pipe"));
  FNotifier = std::make_unique<QSocketNotifier>(gStopPipe[0], QSocketNotifier::Read);
  QObject::connect(FNotifier.get(), &QSocketNotifier::activated, FNotifier.get(), [] {
    char buf[16];
    while (::read(gStopPipe[0], buf, sizeof buf) > 0) {
    }
    QCoreApplication::quit();
  });
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
}

TStopSignals::~TStopSignals() {
  ::signal(SIGTERM, SIG_DFL);
  ::signal(SIGINT, SIG_DFL);
  FNotifier.reset();
  ::close(gStopPipe[0]);
  ::close(gStopPipe[1]);
  gStopPipe[0] = gStopPipe[1] = -1;
}
