#include "twktools/mbox/indexcache.h"

#include "twktools/TWKerrors.h"
#include "twktools/formats/FileWrite.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cerrno>

namespace twkmbox {

namespace {

// Layout, integers little-endian:
//   "TWK mbox index 1\n"
//   path length (u32), the path's bytes as the file system names it
//   size (i64), modification time in ns (i64), entry count (u64)
//   per entry: From line offset, start, end, From line date (i64 each),
//              check (u32), flags (u8: bit 0 read)
//   the first 8 bytes of the SHA-1 of everything before them
const QByteArray kMagic = QByteArrayLiteral("TWK mbox index 1\n");
constexpr int kRecordSize = 4 * 8 + 4 + 1;
constexpr int kTrailerSize = 8;
constexpr std::uint32_t kMaxPath = 1 << 16;
constexpr std::uint8_t kFlagRead = 0x01;
// Records per read and write: the buffer stays small whatever the count.
constexpr int kRecordsPerChunk = 2048;

template <class T>
void Put(QByteArray& out, T v) {
  char b[sizeof(T)];
  qToLittleEndian(v, b);
  out.append(b, sizeof(T));
}

template <class T>
T Get(const char*& p) {
  const T v = qFromLittleEndian<T>(p);
  p += sizeof(T);
  return v;
}

QByteArray Trailer(const QCryptographicHash& hash) { return hash.result().left(kTrailerSize); }

// Reads exactly n bytes into buffer (hashed); false when the data ends before.
bool ReadExact(QIODevice& in, QByteArray& buffer, qint64 n, QCryptographicHash& hash) {
  buffer.resize(qsizetype(n));
  qint64 done = 0;
  while (done < n) {
    const qint64 got = in.read(buffer.data() + done, n - done);
    if (got <= 0) return false;
    done += got;
  }
  hash.addData(buffer);
  return true;
}

}  // namespace

QString IndexCacheDir() {
  QString base = qEnvironmentVariable("XDG_CACHE_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.cache");
  return base + QStringLiteral("/tarnwick/mbox");
}

QString IndexCachePath(const QString& canonicalPath) {
  const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(canonicalPath), QCryptographicHash::Sha1);
  return IndexCacheDir() + QLatin1Char('/') + QString::fromLatin1(hash.toHex());
}

std::optional<TMboxIndex> ReadIndexCache(QIODevice& in, const QByteArray& nativePath, std::int64_t size,
                                         std::int64_t mtimeNs) {
  QCryptographicHash hash(QCryptographicHash::Sha1);
  QByteArray buffer;
  if (!ReadExact(in, buffer, kMagic.size() + 4, hash) || !buffer.startsWith(kMagic)) return std::nullopt;
  const char* p = buffer.constData() + kMagic.size();
  const std::uint32_t pathLength = Get<std::uint32_t>(p);
  if (pathLength > kMaxPath || pathLength != std::uint32_t(nativePath.size())) return std::nullopt;
  if (!ReadExact(in, buffer, pathLength, hash) || buffer != nativePath) return std::nullopt;
  if (!ReadExact(in, buffer, 3 * 8, hash)) return std::nullopt;
  p = buffer.constData();
  TMboxIndex index;
  index.Size = Get<std::int64_t>(p);
  index.MTimeNs = Get<std::int64_t>(p);
  const std::uint64_t count = Get<std::uint64_t>(p);
  if (index.Size != size || index.MTimeNs != mtimeNs) return std::nullopt;
  // The count must be what the rest of the data holds: a damaged count never reserves more than the file has.
  const qint64 rest = in.size() - in.pos();
  if (rest < kTrailerSize || count != std::uint64_t(rest - kTrailerSize) / kRecordSize ||
      std::uint64_t(rest - kTrailerSize) % kRecordSize != 0)
    return std::nullopt;
  index.Entries.reserve(size_t(count));
  std::int64_t previousEnd = 0;
  for (std::uint64_t left = count; left > 0;) {
    const std::uint64_t n = std::min<std::uint64_t>(left, kRecordsPerChunk);
    if (!ReadExact(in, buffer, qint64(n) * kRecordSize, hash)) return std::nullopt;
    p = buffer.constData();
    for (std::uint64_t i = 0; i < n; ++i) {
      TMboxEntry e;
      e.FromOffset = Get<std::int64_t>(p);
      e.Start = Get<std::int64_t>(p);
      e.End = Get<std::int64_t>(p);
      e.FromDate = Get<std::int64_t>(p);
      e.Check = Get<std::uint32_t>(p);
      const std::uint8_t flags = Get<std::uint8_t>(p);
      // As the scan makes them: in order, apart, inside the file.
      if (e.FromOffset < previousEnd || e.FromOffset >= e.Start || e.Start > e.End || e.End > size ||
          (flags & ~kFlagRead) != 0)
        return std::nullopt;
      e.Read = (flags & kFlagRead) != 0;
      previousEnd = e.End;
      index.Entries.push_back(e);
    }
    left -= n;
  }
  const QByteArray expected = Trailer(hash);
  QByteArray trailer(kTrailerSize, '\0');
  if (in.read(trailer.data(), kTrailerSize) != kTrailerSize || trailer != expected) return std::nullopt;
  return index;
}

void WriteIndexCache(QIODevice& out, const QByteArray& nativePath, const TMboxIndex& index) {
  QCryptographicHash hash(QCryptographicHash::Sha1);
  QByteArray chunk;
  auto flush = [&] {
    hash.addData(chunk);
    if (out.write(chunk) != chunk.size())
      throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot write the mbox index: %1").arg(out.errorString()));
    chunk.clear();
  };
  chunk += kMagic;
  Put(chunk, std::uint32_t(nativePath.size()));
  chunk += nativePath;
  Put(chunk, index.Size);
  Put(chunk, index.MTimeNs);
  Put(chunk, std::uint64_t(index.Entries.size()));
  for (const TMboxEntry& e : index.Entries) {
    Put(chunk, e.FromOffset);
    Put(chunk, e.Start);
    Put(chunk, e.End);
    Put(chunk, e.FromDate);
    Put(chunk, e.Check);
    Put(chunk, std::uint8_t(e.Read ? kFlagRead : 0));
    if (chunk.size() >= kRecordsPerChunk * kRecordSize) flush();
  }
  flush();
  chunk = Trailer(hash);
  if (out.write(chunk) != chunk.size())
    throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot write the mbox index: %1").arg(out.errorString()));
}

TMboxIndex LoadMboxIndex(const QString& path, std::int64_t size, std::int64_t mtimeNs) {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  if (canonical.isEmpty()) return ScanMboxFile(path);  // gone: the scan says so
  const QByteArray native = QFile::encodeName(canonical);
  const QString cacheFile = IndexCachePath(canonical);
  {
    QFile in(cacheFile);
    if (in.open(QIODevice::ReadOnly))
      if (std::optional<TMboxIndex> cached = ReadIndexCache(in, native, size, mtimeNs)) return std::move(*cached);
  }
  TMboxIndex index = ScanMboxFile(path);
  try {
    // The index names mail files: the directory is the user's alone.
    const QString dir = IndexCacheDir();
    const QFileInfo info(dir);
    if (!info.isDir() && (!QDir().mkpath(info.path()) ||
                          !QDir().mkdir(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)))
      throw EComError(E_ACCESSDENIED, QStringLiteral("Cannot make \"%1\"").arg(dir));
    twkformats::WriteFile(cacheFile, twkformats::TWriteRule::Beside, QStringLiteral("write"),
                          [&](QFile& out) { WriteIndexCache(out, native, index); });
  } catch (const EComError&) {
    // The cache only saves the next session a scan: a cache directory that
    // cannot be written (read-only home, full disk) must not fail this run,
    // which has its index already.
  }
  return index;
}

}  // namespace twkmbox
