// bench_pst FILE.pst: saves every attachment by value of every item of the
// store's folders, and runs `readpst -e` on the same file (every item as an
// .eml with its attachments, which are then decoded with GMime). The two
// sets of attachments are compared by their SHA-256 first; only when they
// are equal are the times and their ratio printed. Peak memory (VmHWM) of
// this process is printed too (readpst's own is its process's).
#include "twktools/maildir/mimesupport.h"
#include "twktools/pst/store.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDirIterator>
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

QByteArray Sha(const QByteArray& data) { return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex(); }

void SaveAll(IRDOFolder* folder, const QString& dir, int& n) {
  const TwkPtr<IRDOItems> items = folder->Items();
  for (int i = 1; i <= items->Count(); ++i) {
    const TwkPtr<IRDOAttachments> atts = items->Item(i)->Attachments();
    for (int j = 1; j <= atts->Count(); ++j)
      if (const TwkPtr<IRDOAttachment> a = atts->Item(j); a->Type() == olByValue)
        a->SaveAsFile(QStringLiteral("%1/%2").arg(dir).arg(++n));
  }
  const TwkPtr<IRDOFolders> subs = folder->Folders();
  for (int i = 1; i <= subs->Count(); ++i) SaveAll(subs->Item(i).get(), dir, n);
}

// SHA-256 of every leaf with a file name in the .eml files below dir.
QStringList ReadpstAttachments(const QString& dir) {
  twkmaildir::EnsureMimeInit();
  QStringList sums;
  QDirIterator it(dir, {QStringLiteral("*.eml")}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    GMimeStream* stream = g_mime_stream_file_open(QFile::encodeName(it.next()).constData(), "rb", nullptr);
    if (!stream) continue;
    const twkmaildir::TGPtr<GMimeMessage> m = twkmaildir::ParseMessage(stream);
    g_object_unref(stream);
    GMimePartIter* iter = g_mime_part_iter_new(GMIME_OBJECT(m.get()));
    do {
      GMimeObject* part = g_mime_part_iter_get_current(iter);
      if (part && GMIME_IS_PART(part) && g_mime_part_get_filename(GMIME_PART(part)))
        sums << QString::fromLatin1(Sha(twkmaildir::DecodedBytes(part)));
    } while (g_mime_part_iter_next(iter));
    g_mime_part_iter_free(iter);
  }
  return sums;
}

double Seconds(const std::function<void()>& f) {
  QElapsedTimer t;
  t.start();
  f();
  return double(t.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_pst FILE.pst\n");
    return 2;
  }
  const QString file = QString::fromLocal8Bit(argv[1]);
  QTemporaryDir tmp;
  const QString ours = tmp.path() + QStringLiteral("/ours"), theirs = tmp.path() + QStringLiteral("/readpst");
  QDir().mkpath(ours);
  QDir().mkpath(theirs);
  int n = 0;
  auto export_ = [&](const QString& dir) {
    twksession::TStoreConfig c;
    c.Type = twksession::TStoreType::Pst;
    c.Path = file;
    n = 0;
    SaveAll(twkpst::TPstStore::Open(c)->RootFolder().get(), dir, n);
  };
  // Both once before the timed runs: the file in the cache, the libraries loaded.
  QDir().mkpath(tmp.path() + QStringLiteral("/warm"));
  QDir().mkpath(tmp.path() + QStringLiteral("/warm-readpst"));
  export_(tmp.path() + QStringLiteral("/warm"));
  QProcess::execute(QStringLiteral("readpst"), {QStringLiteral("-q"), QStringLiteral("-e"), QStringLiteral("-o"), tmp.path() + QStringLiteral("/warm-readpst"), file});
  const double ourSeconds = Seconds([&] { export_(ours); });
  const QString ourPeak = QString::fromLatin1(PeakMemory());
  int status = -1;
  const double readpstSeconds = Seconds([&] {
    status = QProcess::execute(QStringLiteral("readpst"), {QStringLiteral("-q"), QStringLiteral("-e"), QStringLiteral("-o"), theirs, file});
  });
  if (status != 0) {
    std::fprintf(stderr, "readpst failed (%d)\n", status);
    return 1;
  }
  QStringList a, b = ReadpstAttachments(theirs);
  for (const QString& name : QDir(ours).entryList(QDir::Files)) {
    QFile f(ours + QLatin1Char('/') + name);
    f.open(QIODevice::ReadOnly);
    a << QString::fromLatin1(Sha(f.readAll()));
  }
  a.sort();
  b.sort();
  if (a != b) {
    std::fprintf(stderr, "the outputs differ: %lld attachments here, %lld from readpst\n", static_cast<long long>(a.size()),
                 static_cast<long long>(b.size()));
    return 1;
  }
  std::printf("attachment export of %d attachments: %.3f s, readpst -e %.3f s, ratio %.2f; peak memory %s\n", n,
              ourSeconds, readpstSeconds, ourSeconds / readpstSeconds, qPrintable(ourPeak));
  return 0;
}
