// bench_mbox MB COUNT: (1) writes an mbox of about MB megabytes from
// generated messages and times the listing against `grep -c '^From '`
// (warm cache, both read the whole file): the scanner's pass, a first
// session through the store (scan and index cache written) and a second
// session (offsets from the cache); (2) exports COUNT messages as .eml from
// an mbox and from a maildir holding the same messages and prints the ratio.
// Wall and CPU time (user + system; grep's from its process) of each, best
// of three for the listing; the peak memory (VmHWM) of each step, reset
// before it. The index cache goes to a scratch XDG_CACHE_HOME.
#include "bench/msggen.h"
#include "twktools/maildir/store.h"
#include "twktools/mbox/indexcache.h"
#include "twktools/mbox/scan.h"
#include "twktools/mbox/store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

// Starts a new peak for VmHWM (Linux: 5 written to clear_refs).
void ResetPeakMemory() {
  QFile f(QStringLiteral("/proc/self/clear_refs"));
  if (f.open(QIODevice::WriteOnly)) f.write("5");
}

double PeakMiB() {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
  return -1;
}

double CpuSeconds(int who) {
  rusage u{};
  ::getrusage(who, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct TCost {
  double Wall = 1e300;
  double Cpu = 0;
  double PeakMiB = 0;
};

// Best wall time of repeats runs (prepare untimed before each); the CPU time
// of that run, of this process or (children) of its child processes.
TCost Measure(int repeats, const std::function<void()>& prepare, const std::function<void()>& run, bool children = false) {
  TCost best;
  for (int i = 0; i < repeats; ++i) {
    prepare();
    ResetPeakMemory();
    const int who = children ? RUSAGE_CHILDREN : RUSAGE_SELF;
    const double cpu0 = CpuSeconds(who);
    QElapsedTimer t;
    t.start();
    run();
    const double wall = double(t.nsecsElapsed()) / 1e9;
    if (wall < best.Wall) best = {wall, CpuSeconds(who) - cpu0, PeakMiB()};
  }
  return best;
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

TwkPtr<IRDOFolder> MboxFolder(const QString& path) {
  twksession::TStoreConfig c;
  c.Type = twksession::TStoreType::Mbox;
  c.Path = path;
  return twkmbox::TMboxStore::Open(c)->RootFolder()->Folders()->Item(1);
}

void ExportAll(IRDOFolder* folder, const QString& dir) {
  const TwkPtr<IRDOItems> items = folder->Items();
  for (int i = 1; i <= items->Count(); ++i) items->Item(i)->SaveAs(dir + QStringLiteral("/%1.eml").arg(i), olRFC822);
}

// "N files, B bytes" of an export directory: what was written, not only how fast.
QByteArray Written(const QString& dir) {
  qint64 bytes = 0;
  const QFileInfoList files = QDir(dir).entryInfoList(QDir::Files);
  for (const QFileInfo& f : files) bytes += f.size();
  return QByteArray::number(files.size()) + " files, " + QByteArray::number(bytes) + " bytes";
}

void Print(const char* what, const TCost& c, const TCost& base) {
  std::printf("  %-36s wall %7.3f s (%5.2fx)  CPU %7.3f s (%5.2fx)  peak %6.1f MiB\n", what, c.Wall, c.Wall / base.Wall,
              c.Cpu, c.Cpu / base.Cpu, c.PeakMiB);
}

const char* Verdict(bool met) { return met ? "met" : "NOT met"; }

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
  const int count = argc > 2 ? QByteArray(argv[2]).toInt() : 20000;
  QTemporaryDir tmp;
  const QString cacheHome = tmp.path() + QStringLiteral("/cache");
  qputenv("XDG_CACHE_HOME", cacheHome.toUtf8());
  const QString maildir = tmp.path() + QStringLiteral("/md"), big = tmp.path() + QStringLiteral("/big.mbox");
  for (const char* d : {"/md/cur", "/md/new", "/md/tmp"}) QDir().mkpath(tmp.path() + QLatin1String(d));
  GenerateMaildir(maildir, count);

  // 1. Listing.
  WriteMbox(maildir, big, megabytes << 20);
  QProcess grep;
  QByteArray grepCount;
  auto runGrep = [&] {
    grep.start(QStringLiteral("grep"), {QStringLiteral("-c"), QStringLiteral("^From "), big});
    grep.waitForFinished(-1);
    grepCount = grep.readAllStandardOutput().trimmed();
  };
  runGrep();  // warms the cache
  const auto nothing = [] {};
  const TCost grepCost = Measure(3, nothing, runGrep, true);
  std::size_t scanned = 0;
  int firstCount = 0, cachedCount = 0;
  const TCost scanCost = Measure(3, nothing, [&] { scanned = twkmbox::ScanMboxFile(big).Entries.size(); });
  const auto dropCache = [&] { QDir(cacheHome).removeRecursively(); };
  const TCost firstCost = Measure(3, dropCache, [&] { firstCount = MboxFolder(big)->Items()->Count(); });
  const TCost cachedCost = Measure(3, nothing, [&] { cachedCount = MboxFolder(big)->Items()->Count(); });
  const qint64 cacheBytes = QFileInfo(twkmbox::IndexCachePath(QFileInfo(big).canonicalFilePath())).size();
  std::printf("listing %lld MB, %zu messages (grep counts %s; store sessions %d and %d), index cache %lld bytes:\n",
              static_cast<long long>(QFileInfo(big).size() >> 20), scanned, grepCount.constData(), firstCount, cachedCount,
              static_cast<long long>(cacheBytes));
  Print("grep -c '^From '", grepCost, grepCost);
  Print("scanner pass", scanCost, grepCost);
  Print("first session (scan, cache written)", firstCost, grepCost);
  Print("second session (from the cache)", cachedCost, grepCost);
  const double listMiB = std::max({scanCost.PeakMiB, firstCost.PeakMiB, cachedCost.PeakMiB});
  std::printf("  first pass no slower than grep -c: %s (wall), %s (CPU); memory < 100 MiB: %s\n",
              Verdict(scanCost.Wall <= grepCost.Wall), Verdict(scanCost.Cpu <= grepCost.Cpu), Verdict(listMiB < 100));
  QFile::remove(big);

  // 2. .eml export of the same messages from both kinds of store.
  const QString small = tmp.path() + QStringLiteral("/same.mbox");
  WriteMbox(maildir, small, 0);
  twksession::TStoreConfig mc;
  mc.Path = maildir;
  const auto mdStore = twkmaildir::TMaildirStore::Open(mc);
  const TwkPtr<IRDOFolder> mdFolder = mdStore->GetDefaultFolder(olFolderInbox);
  const TwkPtr<IRDOFolder> mbFolder = MboxFolder(small);
  const auto outDir = [&](const char* name) {
    return [&, name] {
      const QString dir = tmp.path() + QLatin1Char('/') + QLatin1String(name);
      QDir(dir).removeRecursively();
      QDir().mkpath(dir);
    };
  };
  Measure(1, outDir("warm"), [&] { ExportAll(mdFolder.get(), tmp.path() + QStringLiteral("/warm")); });
  const TCost fromMaildir = Measure(1, outDir("out-md"), [&] { ExportAll(mdFolder.get(), tmp.path() + QStringLiteral("/out-md")); });
  const TCost fromMbox = Measure(1, outDir("out-mb"), [&] { ExportAll(mbFolder.get(), tmp.path() + QStringLiteral("/out-mb")); });
  // The mbox's copies are one line end longer each: the generated messages
  // end with one, and the mbox keeps it before the separating empty line.
  std::printf(".eml export of %d messages (maildir: %s; mbox: %s):\n", count,
              Written(tmp.path() + QStringLiteral("/out-md")).constData(),
              Written(tmp.path() + QStringLiteral("/out-mb")).constData());
  Print("from the maildir", fromMaildir, fromMaildir);
  Print("from the mbox", fromMbox, fromMaildir);
  std::printf("  mbox <= 1.2x maildir: %s (wall), %s (CPU); memory < 100 MiB: %s\n", Verdict(fromMbox.Wall <= 1.2 * fromMaildir.Wall),
              Verdict(fromMbox.Cpu <= 1.2 * fromMaildir.Cpu), Verdict(fromMbox.PeakMiB < 100));
  return 0;
}
