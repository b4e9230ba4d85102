// bench_mbox MB COUNT: (1) writes an mbox of about MB megabytes from
// generated messages and times the scanner's listing pass against
// `grep -c '^From '` (warm cache, both read the whole file); (2) exports
// COUNT messages as .eml from an mbox and from a maildir holding the same
// messages and prints the ratio. Peak memory (VmHWM) is printed after each.
#include "bench/msggen.h"
#include "twktools/maildir/store.h"
#include "twktools/mbox/scan.h"
#include "twktools/mbox/store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QByteArray PeakMemory() {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return "?";
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed();
  return "?";
}

// The maildir's messages as one mbox (mboxrd quoting), repeated until the file has minBytes.
void WriteMbox(const QString& maildir, const QString& mbox, qint64 minBytes) {
  QFile out(mbox);
  if (!out.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(mbox));
  const QStringList files = QDir(maildir + QStringLiteral("/cur")).entryList(QDir::Files, QDir::Name);
  do {
    for (const QString& name : files) {
      QFile in(maildir + QStringLiteral("/cur/") + name);
      if (!in.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(name));
      QByteArray m = in.readAll();
      out.write("From MAILER-DAEMON Sat Jan 03 12:34:56 2015\n");
      for (const QByteArray& line : m.split('\n')) {
        qsizetype q = 0;
        while (q < line.size() && line[q] == '>') ++q;
        if (line.mid(q).startsWith("From ")) out.write(">");
        out.write(line);
        out.write("\n");
      }
      out.write("\n");
    }
  } while (out.size() < minBytes);
}

double Seconds(const std::function<void()>& f) {
  QElapsedTimer t;
  t.start();
  f();
  return double(t.nsecsElapsed()) / 1e9;
}

double ExportAll(IRDOFolder* folder, const QString& dir) {
  QDir(dir).removeRecursively();
  QDir().mkpath(dir);
  return Seconds([&] {
    const TwkPtr<IRDOItems> items = folder->Items();
    for (int i = 1; i <= items->Count(); ++i) items->Item(i)->SaveAs(dir + QStringLiteral("/%1.eml").arg(i), olRFC822);
  });
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
  const int count = argc > 2 ? QByteArray(argv[2]).toInt() : 20000;
  QTemporaryDir tmp;
  const QString maildir = tmp.path() + QStringLiteral("/md"), big = tmp.path() + QStringLiteral("/big.mbox");
  for (const char* d : {"/md/cur", "/md/new", "/md/tmp"}) QDir().mkpath(tmp.path() + QLatin1String(d));
  GenerateMaildir(maildir, count);

  // 1. Listing.
  WriteMbox(maildir, big, megabytes << 20);
  QProcess grep;
  auto runGrep = [&] {
    grep.start(QStringLiteral("grep"), {QStringLiteral("-c"), QStringLiteral("^From "), big});
    grep.waitForFinished(-1);
  };
  runGrep();  // warms the cache
  const double grepSeconds = Seconds(runGrep);
  std::size_t entries = 0;
  const double scanSeconds = Seconds([&] { entries = twkmbox::ScanMboxFile(big).Entries.size(); });
  std::printf("listing %lld MB: %zu messages (grep counts %s) in %.3f s, grep -c %.3f s, ratio %.2f; peak memory %s\n",
              static_cast<long long>(QFileInfo(big).size() >> 20), entries, grep.readAllStandardOutput().trimmed().constData(),
              scanSeconds, grepSeconds, scanSeconds / grepSeconds, PeakMemory().constData());
  QFile::remove(big);

  // 2. .eml export of the same messages from both kinds of store.
  const QString small = tmp.path() + QStringLiteral("/same.mbox");
  WriteMbox(maildir, small, 0);
  twksession::TStoreConfig mc, xc;
  mc.Path = maildir;
  xc.Type = twksession::TStoreType::Mbox;
  xc.Path = small;
  const auto mdStore = twkmaildir::TMaildirStore::Open(mc);
  const auto mbStore = twkmbox::TMboxStore::Open(xc);
  const TwkPtr<IRDOFolder> mdFolder = mdStore->GetDefaultFolder(olFolderInbox);
  const TwkPtr<IRDOFolder> mbFolder = mbStore->RootFolder()->Folders()->Item(1);
  ExportAll(mdFolder.get(), tmp.path() + QStringLiteral("/warm"));
  const double fromMaildir = ExportAll(mdFolder.get(), tmp.path() + QStringLiteral("/out-md"));
  const double fromMbox = ExportAll(mbFolder.get(), tmp.path() + QStringLiteral("/out-mb"));
  std::printf(".eml export of %d messages: mbox %.3f s, maildir %.3f s, ratio %.2f; peak memory %s\n", count, fromMbox,
              fromMaildir, fromMbox / fromMaildir, PeakMemory().constData());
  return 0;
}
