#include "twktools/mbox/scan.h"

#include "twktools/TWKerrors.h"

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QTimeZone>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace twkmbox {

namespace {

constexpr std::int64_t kBufferSize = 1 << 20;
// Only this much of a line is looked at: the separator and the status header are short.
constexpr int kPrefixSize = 160;

bool IsFromLine(QByteArrayView prefix) { return prefix.startsWith("From "); }

bool IsEmptyLine(QByteArrayView line) { return line == "\n" || line == "\r\n"; }

// "X-Mozilla-Status: 0009" -> 0x0009; -1 when the line is not that header.
int MozillaStatus(QByteArrayView line) {
  static const char kName[] = "x-mozilla-status:";
  if (line.size() < int(sizeof kName) - 1 || qstrnicmp(line.constData(), kName, sizeof kName - 1) != 0) return -1;
  bool ok = false;
  const unsigned v = line.sliced(sizeof kName - 1).toByteArray().trimmed().toUInt(&ok, 16);
  return ok ? int(v & 0xFFFF) : -1;
}

// Walks the lines of a stream: each line's offset, its first bytes and its length.
class TLineReader {
public:
  explicit TLineReader(const TReadFn& read) : FRead(read), FBuffer(kBufferSize) {}

  // False at the end of the data.
  // The prefix points into the reader's buffer, valid until the next call of Next or Peek.
  bool Next(std::int64_t& offset, QByteArrayView& prefix, std::int64_t& length) {
    FSpill.clear();
    offset = FOffset;
    length = 0;
    for (;;) {
      if (FPos == FLen && !Fill()) {
        if (length == 0) return false;
        break;  // a last line without a line end
      }
      const char* start = FBuffer.data() + FPos;
      const std::int64_t avail = FLen - FPos;
      const void* nl = std::memchr(start, '\n', size_t(avail));
      const std::int64_t take = nl ? static_cast<const char*>(nl) - start + 1 : avail;
      if (nl && length == 0) {
        // The whole line is in the buffer (nearly always): no copy.
        prefix = QByteArrayView(start, std::min<std::int64_t>(take, kPrefixSize));
        FPos += take;
        FOffset += take;
        length = take;
        return true;
      }
      // A line across refills: its first bytes are kept before the buffer is overwritten.
      if (FSpill.size() < kPrefixSize) FSpill.append(start, int(std::min<std::int64_t>(take, kPrefixSize - FSpill.size())));
      FPos += take;
      FOffset += take;
      length += take;
      if (nl) break;
    }
    prefix = FSpill;
    return true;
  }
  // The first bytes at the reader's position, without consuming them.
  QByteArray Peek(int n) {
    while (FLen - FPos < n) {
      if (FPos > 0) {
        std::memmove(FBuffer.data(), FBuffer.data() + FPos, size_t(FLen - FPos));
        FLen -= FPos;
        FPos = 0;
      }
      if (FLen == kBufferSize || !Fill(true)) break;
    }
    return QByteArray(FBuffer.data() + FPos, int(std::min<std::int64_t>(n, FLen - FPos)));
  }

private:
  bool Fill(bool append = false) {
    if (!append) FPos = FLen = 0;
    const std::int64_t n = FRead(FBuffer.data() + FLen, kBufferSize - FLen);
    if (n < 0) throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot read the mbox file"));
    FLen += n;
    return n > 0;
  }

  const TReadFn& FRead;
  std::vector<char> FBuffer;
  std::int64_t FPos = 0, FLen = 0, FOffset = 0;
  QByteArray FSpill;
};

}  // namespace

std::uint32_t CheckOf(const char* data, std::int64_t n) {
  // FNV-1a: enough to tell one message's start from another's.
  std::uint32_t h = 2166136261u;
  for (std::int64_t i = 0; i < n; ++i) h = (h ^ std::uint8_t(data[i])) * 16777619u;
  return h;
}

std::int64_t FromLineDate(const QByteArray& line) {
  static const QList<QByteArray> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const QList<QByteArray> t = line.simplified().split(' ');
  // From SENDER Www Mmm dd hh:mm:ss [zone] yyyy
  for (int i = 2; i + 3 < t.size(); ++i) {
    const int month = int(kMonths.indexOf(t[i])) + 1;
    if (month == 0) continue;
    bool okDay = false;
    const int day = t[i + 1].toInt(&okDay);
    const QTime time = QTime::fromString(QString::fromLatin1(t[i + 2]), QStringLiteral("HH:mm:ss"));
    int y = i + 3;
    int offset = 0;
    if ((t[y].startsWith('+') || t[y].startsWith('-')) && t[y].size() == 5 && y + 1 < t.size()) {
      const int v = t[y].mid(1).toInt();
      offset = (v / 100 * 3600 + v % 100 * 60) * (t[y].startsWith('-') ? -1 : 1);
      ++y;
    }
    bool okYear = false;
    const int year = t[y].toInt(&okYear);
    if (!okDay || !okYear || !time.isValid()) return 0;
    const QDateTime dt(QDate(year, month, day), time, QTimeZone::utc());
    return dt.isValid() ? dt.toSecsSinceEpoch() - offset : 0;
  }
  return 0;
}

std::vector<TMboxEntry> ScanMboxStream(const TReadFn& read, const QString& name) {
  TLineReader lines(read);
  std::vector<TMboxEntry> entries;
  std::int64_t offset = 0, length = 0;
  QByteArrayView prefix;
  if (!lines.Next(offset, prefix, length)) return entries;  // an empty folder
  if (!IsFromLine(prefix))
    throw EComError(MAPI_E_CORRUPT_DATA, QStringLiteral("\"%1\" is not an mbox file: its first line is not a \"From \" line").arg(name));
  // The empty line before a "From " line separates; it is held back until the next line says so.
  std::int64_t pendingEmpty = -1;
  bool inHeader = true;
  auto begin = [&](std::int64_t fromOffset, QByteArrayView fromLine, std::int64_t fromLength) {
    TMboxEntry e;
    e.FromOffset = fromOffset;
    e.Start = fromOffset + fromLength;
    e.End = e.Start;
    e.FromDate = FromLineDate(fromLine.toByteArray());  // before Peek moves the buffer
    const QByteArray head = lines.Peek(kCheckBytes);
    e.Check = CheckOf(head.constData(), head.size());
    entries.push_back(e);
    inHeader = true;
  };
  begin(offset, prefix, length);
  while (lines.Next(offset, prefix, length)) {
    TMboxEntry& cur = entries.back();
    if (IsFromLine(prefix) && (pendingEmpty >= 0 || cur.End == cur.Start)) {
      if (pendingEmpty >= 0) cur.End = pendingEmpty;
      pendingEmpty = -1;
      begin(offset, prefix, length);
      continue;
    }
    if (IsEmptyLine(prefix)) {
      inHeader = false;
      pendingEmpty = offset;
      cur.End = offset + length;
      continue;
    }
    if (inHeader) {
      const int status = MozillaStatus(prefix);
      if (status >= 0) {
        cur.Read = (status & kMozillaRead) != 0;
        cur.Expunged = (status & kMozillaExpunged) != 0;
      }
    }
    pendingEmpty = -1;
    cur.End = offset + length;
  }
  // The last message: a final empty line is the file's separator, not its content.
  if (pendingEmpty >= 0) entries.back().End = pendingEmpty;
  std::erase_if(entries, [](const TMboxEntry& e) { return e.Expunged; });
  return entries;
}

TMboxIndex ScanMboxFile(const QString& path) {
  const QByteArray native = QFile::encodeName(path);
  const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EComError(MAPI_E_NOT_FOUND, QStringLiteral("Cannot open the mbox file \"%1\"").arg(path));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  ::fstat(fd, &st);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  TMboxIndex index;
  index.Size = st.st_size;
  index.MTimeNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  const TReadFn read = [fd](char* buffer, std::int64_t n) -> std::int64_t {
    for (;;) {
      const ssize_t got = ::read(fd, buffer, size_t(n));
      if (got >= 0 || errno != EINTR) return got;
    }
  };
  index.Entries = ScanMboxStream(read, path);
  return index;
}

bool StartsWithFromLine(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) && f.read(5) == "From ";
}

QByteArray UnquoteMboxrd(const QByteArray& stored) {
  QByteArray out;
  out.reserve(stored.size());
  qsizetype pos = 0;
  while (pos < stored.size()) {
    qsizetype nl = stored.indexOf('\n', pos);
    const qsizetype end = nl < 0 ? stored.size() : nl + 1;
    qsizetype q = pos;
    while (q < end && stored[q] == '>') ++q;
    const bool quoted = q > pos && end - q >= 5 && std::memcmp(stored.constData() + q, "From ", 5) == 0;
    out.append(stored.constData() + pos + (quoted ? 1 : 0), end - pos - (quoted ? 1 : 0));
    pos = end;
  }
  return out;
}

}  // namespace twkmbox
