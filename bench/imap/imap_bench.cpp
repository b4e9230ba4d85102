// The IMAP benchmark, on generated messages in the Inbox of a Dovecot started
// here (the test's server, serving a maildir in a scratch directory):
//   walk:   the fields a TMailFields reads, for every message, over IMAP,
//           against the same walk on the maildir behind the server
//           (target: within 3x);
//   export: every message of the folder saved as .eml over IMAP, against
//           mbsync (isync) pulling the folder into an empty maildir
//           (target: within 2x); both outputs are checked against each other.
// Wall times (the server works for the IMAP side), best of three.
//
// usage: bench_imap [COUNT [walk]]        (default 20000; "walk": the walk only)
//        bench_imap walk-maildir DIR | walk-imap PORT | export-imap PORT OUTDIR   (child processes)
#include "bench/benchsupport.h"
#include "bench/msggen.h"
#include "tests/support/DovecotServer.h"
#include "twktools/imap/store.h"
#include "twktools/maildir/store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

twksession::TStoreConfig ImapConfig(int port) {
  twksession::TStoreConfig c;
  c.Type = twksession::TStoreType::Imap;
  c.Host = QStringLiteral("127.0.0.1");
  c.Port = port;
  c.Security = twksession::TSecurity::None;
  c.Login = QStringLiteral("tester");
  c.PassCmd = QStringLiteral("echo ") + QLatin1String(TDovecot::kPassword);
  c.DisplayName = QStringLiteral("Bench");
  c.IsDefault = true;
  return c;
}

TwkPtr<IRDOItems> InboxItems(const TwkPtr<twksession::TBackendStore>& store) {
  return store->GetDefaultFolder(olFolderInbox)->Items();
}

// The engine's walk order: from the last item to the first.
int Walk(const TwkPtr<twksession::TBackendStore>& store) {
  auto items = InboxItems(store);
  std::size_t sum = 0;
  const int n = items->Count();
  for (int i = n; i >= 1; --i) sum += ReadFields(items->Item(i).get());
  std::printf("%d messages, checksum %zu\n", n, sum);
  return 0;
}

int ExportImap(int port, const QString& out) {
  auto items = InboxItems(twkimap::TImapStore::Open(ImapConfig(port)));
  QDir().mkpath(out);
  for (int i = items->Count(); i >= 1; --i) items->Item(i)->SaveAs(out + QStringLiteral("/%1.eml").arg(i), olRFC822);
  return 0;
}

// The messages of a directory tree as a sorted list of hashes of their
// bytes with line ends as LF (mbsync stores LF, the server sends CR LF),
// without the X-TUID: line mbsync adds to what it stores.
QStringList Hashes(const QString& dir) {
  QStringList out;
  for (QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
    const QString path = it.next();
    if (!path.contains(QStringLiteral("/cur/")) && !path.contains(QStringLiteral("/new/")) && !path.endsWith(QStringLiteral(".eml")))
      continue;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) continue;
    QByteArray bytes = f.readAll().replace("\r\n", "\n");
    const qsizetype tuid = bytes.indexOf("\nX-TUID: ");
    if (tuid >= 0 && tuid < bytes.indexOf("\n\n")) bytes.remove(tuid + 1, bytes.indexOf('\n', tuid + 1) - tuid);
    out << QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
  }
  out.sort();
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
  if (argc == 3 && mode == "walk-maildir") {
    twksession::TStoreConfig c;
    c.Path = QString::fromLocal8Bit(argv[2]);
    c.IsDefault = true;
    return Walk(twkmaildir::TMaildirStore::Open(c));
  }
  if (argc == 3 && mode == "walk-imap") return Walk(twkimap::TImapStore::Open(ImapConfig(std::atoi(argv[2]))));
  if (argc == 4 && mode == "export-imap") return ExportImap(std::atoi(argv[2]), QString::fromLocal8Bit(argv[3]));
  const int count = argc >= 2 ? std::atoi(argv[1]) : 20000;
  const bool walkOnly = argc == 3 && mode.isEmpty() == false && QByteArray(argv[2]) == "walk";
  const QString self = QString::fromLocal8Bit(argv[0]);

  TScratchDir scratch;
  const QString mail = scratch.Path() + QStringLiteral("/mail");
  GenerateMaildir(mail + QStringLiteral("/INBOX"), count);
  TDovecot server(mail);
  if (!server.Started()) qFatal("%s", qPrintable(server.Error()));
  const QString port = QString::number(server.Port());
  // The server indexes the folder at its first look; that is not the walk's cost.
  RunChild({self, QStringLiteral("walk-imap"), port});
  RunChild({self, QStringLiteral("walk-maildir"), mail});

  const TRun maildirRun = Best({self, QStringLiteral("walk-maildir"), mail}, 3);
  const TRun imapRun = Best({self, QStringLiteral("walk-imap"), port}, 3);
  const double walkMaildir = maildirRun.Seconds, walkImap = imapRun.Seconds;
  const double cpuMaildir = maildirRun.CpuSeconds, cpuImap = imapRun.CpuSeconds;
  const double walkRatio = walkImap / walkMaildir;
  std::printf("%d messages, field walk: maildir %.3f s, IMAP %.3f s: IMAP / maildir %.2f (target <= 3: %s); "
              "CPU of the walking process: maildir %.3f s, IMAP %.3f s (the rest is the server's)\n",
              count, walkMaildir, walkImap, walkRatio, walkRatio <= 3 ? "met" : "NOT met", cpuMaildir, cpuImap);
  if (walkOnly) return walkRatio <= 3 ? 0 : 1;

  const QString ours = scratch.Path() + QStringLiteral("/export");
  const QString theirs = scratch.Path() + QStringLiteral("/mbsync");
  scratch.Write(QStringLiteral("mbsyncrc"),
                QStringLiteral("IMAPAccount bench\nHost 127.0.0.1\nPort %1\nUser tester\nPass %2\nSSLType None\n"
                               "AuthMechs LOGIN\n\nIMAPStore remote\nAccount bench\n\n"
                               "MaildirStore local\nPath %3/\nInbox %3/INBOX\n\n"
                               "Channel pull\nFar :remote:\nNear :local:\nPatterns INBOX\nSync Pull\nCreate Near\n"
                               "SyncState *\n")
                    .arg(port, QLatin1String(TDovecot::kPassword), theirs)
                    .toUtf8());
  const double exportImap =
      Best({self, QStringLiteral("export-imap"), port, ours}, 3, [&] { QDir(ours).removeRecursively(); }).Seconds;
  const double mbsync = Best({QStringLiteral("mbsync"), QStringLiteral("-q"), QStringLiteral("-c"),
                              scratch.File(QStringLiteral("mbsyncrc")), QStringLiteral("pull")},
                             3, [&] {
                               QDir(theirs).removeRecursively();
                               QDir().mkpath(theirs);
                             }).Seconds;
  const QStringList a = Hashes(ours), b = Hashes(theirs);
  const bool same = a.size() == count && a == b;
  const double exportRatio = exportImap / mbsync;
  std::printf("%d messages, .eml export: IMAP %.3f s, mbsync %.3f s: export / mbsync %.2f (target <= 2: %s); "
              "output %s (%lld and %lld messages)\n",
              count, exportImap, mbsync, exportRatio, exportRatio <= 2 ? "met" : "NOT met",
              same ? "identical" : "DIFFERENT", qsizetype(a.size()), qsizetype(b.size()));
  return walkRatio <= 3 && exportRatio <= 2 && same ? 0 : 1;
}
