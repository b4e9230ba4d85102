// The walk benchmark: reads, for every message of a generated maildir, the
// fields a TMailFields needs (class, sent flag, sender, on-behalf-of,
// subject, four dates, transport headers, recipients, attachment names)
// through the component's interfaces, against `cat` of the same files.
// Reports the ratio (target: within 3x) and the walk's peak memory for two
// store sizes (target: flat).
//
// usage: bench_walk [COUNT...]        (default 10000 50000)
//        bench_walk walk MAILDIR      (one walk; used as a child process)
//        bench_walk parse MAILDIR     (GMime's parse alone, the floor; a child process)
//        bench_walk generate MAILDIR COUNT
// Ratios use CPU time (user + system) of the child processes, which stays
// steady when other work shares the machine; wall times are shown beside.
// The walk's messages are all answered by the light reader (header block and
// MIME structure only); "parse" shows what GMime's full parse alone costs.
#include "bench/benchsupport.h"
#include "bench/msggen.h"
#include "twktools/maildir/Backend.h"
#include "twktools/maildir/mimesupport.h"
#include "twktools/maildir/store.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

// The floor set by GMime alone: each file read and parsed as a message, nothing asked.
// Streams the files of cur/, so the walk's memory is the component's alone.
template <class F>
qsizetype ForEachMessageFile(const QString& maildir, F f) {
  qsizetype n = 0;
  for (QDirIterator it(maildir + QStringLiteral("/cur"), QDir::Files); it.hasNext(); ++n) f(it.next());
  return n;
}

int ParseOnly(const QString& maildir) {
  twkmaildir::EnsureMimeInit();
  bool ok = true;
  ForEachMessageFile(maildir, [&](const QString& file) {
    QFile f(file);
    ok = ok && f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    twkmaildir::TGPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.constData(), size_t(bytes.size())));
    twkmaildir::ParseMessage(stream.get());
  });
  return ok ? 0 : 1;
}

// The engine's walk: the Inbox of a store opened on the maildir, its items
// from the last to the first, so the folder's listing is part of the memory.
int Walk(const QString& maildir) {
  twksession::TStoreConfig config;
  config.Path = maildir;
  config.IsDefault = true;
  auto items = twkmaildir::TMaildirStore::Open(config)->GetDefaultFolder(olFolderInbox)->Items();
  std::size_t sum = 0;
  const int n = items->Count();
  for (int i = n; i >= 1; --i) sum += ReadFields(items->Item(i).get());
  std::printf("%d messages, checksum %zu\n", n, sum);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && QByteArray(argv[1]) == "walk") return Walk(QString::fromLocal8Bit(argv[2]));
  if (argc == 3 && QByteArray(argv[1]) == "parse") return ParseOnly(QString::fromLocal8Bit(argv[2]));
  if (argc == 4 && QByteArray(argv[1]) == "generate") {
    GenerateMaildir(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    return 0;
  }
  QList<int> counts;
  for (int i = 1; i < argc; ++i) counts << std::atoi(argv[i]);
  if (counts.isEmpty()) counts = {10000, 50000};
  const QString self = QString::fromLocal8Bit(argv[0]);
  QList<long> peaks;
  bool ok = true;
  for (int count : counts) {
    QTemporaryDir dir;
    const QString maildir = dir.path() + QStringLiteral("/Inbox");
    QElapsedTimer timer;
    timer.start();
    GenerateMaildir(maildir, count);
    std::printf("%d messages generated in %.2f s\n", count, double(timer.elapsed()) / 1000);
    const QStringList cat = {QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                             QStringLiteral("find '%1/cur' -type f -exec cat {} + >/dev/null").arg(maildir)};
    RunChild(cat, true);  // warm the page cache for both
    const TRun catRun = Best(cat, 3);
    const TRun parse = Best({self, QStringLiteral("parse"), maildir}, 3);
    const TRun walk = Best({self, QStringLiteral("walk"), maildir}, 3);
    const double ratio = walk.CpuSeconds / catRun.CpuSeconds;
    std::printf("%d messages, CPU time (wall time): cat %.3f s (%.3f s), GMime parse only %.3f s (%.3f s), "
                "walk %.3f s (%.3f s)\n",
                count, catRun.CpuSeconds, catRun.Seconds, parse.CpuSeconds, parse.Seconds, walk.CpuSeconds,
                walk.Seconds);
    std::printf("  walk / cat %.2f (target <= 3: %s; wall %.2f), GMime parse alone / cat %.2f, "
                "walk peak memory %ld KB\n",
                ratio, ratio <= 3 ? "met" : "NOT met", walk.Seconds / catRun.Seconds,
                parse.CpuSeconds / catRun.CpuSeconds, walk.PeakKB);
    ok = ok && ratio <= 3;
    peaks << walk.PeakKB;
  }
  if (peaks.size() >= 2) {
    const double growth = double(peaks.last()) / double(peaks.first());
    std::printf("peak memory %d vs %d messages: %.2fx (target flat, <= 1.25x: %s)\n", counts.last(), counts.first(),
                growth, growth <= 1.25 ? "met" : "NOT met");
    ok = ok && growth <= 1.25;
  }
  return ok ? 0 : 1;
}
