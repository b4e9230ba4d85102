#include "core/FilenameTools.h"

#include "core/Exception.h"
#include "core/FileBeside.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTime>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int kMaxComponentBytes = 255;

bool IsTrimmed(QChar c) { return c.unicode() <= 32; }

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// The join rule with the given separator; the name is taken as it is.
QString JoinWith(const QString& dir, const QString& name, const QString& sep) {
  return EnsureTrailing(TrimRightStr(dir), sep) + RemoveLeading(TrimLeftStr(name), sep);
}

QString JoinNative(const QString& dir, const QString& name) { return JoinWith(dir, name, QStringLiteral("/")); }

// A "/" in a "\"-separated name is a name character Linux cannot hold.
QString MaskPathToNative(const QString& name) {
  QString r = name;
  r.remove(QLatin1Char('/'));
  // The join trims the start again: what the slashes hid ("/\x0f/..") is
  // trimmed before the components are checked.
  r = TrimLeftStr(r);
  QStringList parts = r.split(QLatin1Char('\\'));
  // A folder named "/../" loses its slashes here: no component may then
  // name the directory itself or its parent.
  for (QString& part : parts)
    if (part == u"." || part == u"..") part = QStringLiteral("none");
  return parts.join(QLatin1Char('/'));
}

bool IsControlChar(char16_t c) { return c < 32 || (c >= 127 && c <= 159); }

bool IsForbiddenChar(char16_t c) {
  switch (c) {
    case '"': case '*': case '/': case ':': case '<': case '>': case '?': case '\\': case '|':
      return true;
    default:
      return false;
  }
}

int Utf8Length(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

int Utf8Length(const QString& s) { return int(s.toUtf8().size()); }

// The longest prefix of s, on code-point boundaries, of at most `budget`
// bytes in UTF-8.
QString CutToBytes(const QString& s, int budget) {
  int used = 0;
  qsizetype i = 0;
  while (i < s.size()) {
    const bool pair = s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate();
    const char32_t cp = pair ? QChar::surrogateToUcs4(s[i], s[i + 1]) : s[i].unicode();
    const int len = Utf8Length(cp);
    if (used + len > budget) break;
    used += len;
    i += pair ? 2 : 1;
  }
  return s.left(i);
}

// Extension from the last "." on (with the dot); empty when there is none.
QString ExtensionOf(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : fileName.mid(dot);
}

// Anything but a directory occupies the name (a dangling link or a fifo as
// well: writing through them would not create the file we mean).
bool NameTaken(const QString& path) {
  struct stat st;
  return ::lstat(Native(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

[[noreturn]] void RaiseOSError(int code, const QString& what) { throw EOSError::FromErrno(code, what); }

class TFd {
public:
  explicit TFd(int fd = -1) : FFd(fd) {}
  ~TFd() {
    if (FFd >= 0) ::close(FFd);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return FFd; }
  int Release() { return std::exchange(FFd, -1); }

private:
  int FFd;
};

void CopyContent(int in, int out, const QString& source, const QString& dest) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) RaiseLastOSError(source);
    if (n == 0) return;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buffer + done, size_t(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) RaiseLastOSError(dest);
      done += w;
    }
  }
}

}  // namespace

QString TrimStr(const QString& s) { return TrimLeftStr(TrimRightStr(s)); }

QString TrimLeftStr(const QString& s) {
  qsizetype i = 0;
  while (i < s.size() && IsTrimmed(s[i])) ++i;
  return s.mid(i);
}

QString TrimRightStr(const QString& s) {
  qsizetype n = s.size();
  while (n > 0 && IsTrimmed(s[n - 1])) --n;
  return s.left(n);
}

QString EnsureTrailing(const QString& text, const QString& suffix) {
  if (suffix.isEmpty() || (!text.isEmpty() && text.endsWith(suffix))) return text;
  return text + suffix;
}

QString RemoveLeading(const QString& text, const QString& prefix) {
  return !prefix.isEmpty() && text.startsWith(prefix) ? text.mid(prefix.size()) : text;
}

QString JoinPath(const QString& dir, const QString& name) {
  return JoinNative(dir, MaskPathToNative(name));
}

QString JoinMaskPath(const QString& dir, const QString& name) { return JoinWith(dir, name, QStringLiteral("\\")); }

QString EncloseInBackslashes(const QString& text) {
  const QString bs = QStringLiteral("\\");
  QString s = EnsureTrailing(TrimStr(text), bs);
  if (!s.startsWith(bs)) s.prepend(bs);
  return s;
}

void TrimBackslashes(QString& s) {
  s = TrimStr(s);
  qsizetype b = 0, e = s.size();
  while (b < e && s[b] == QLatin1Char('\\')) ++b;
  while (e > b && s[e - 1] == QLatin1Char('\\')) --e;
  s = s.mid(b, e - b);
}

QString RemoveInvalidFileNameChars(const QString& s) {
  QString r;
  r.reserve(s.size());
  for (qsizetype i = 0; i < s.size(); ++i) {
    const QChar c = s[i];
    if (c.isSurrogate()) {
      // A pair passes as one character; a lone half is no character at all
      // and must not carry the unit after it past the cleaning.
      if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
        r += c;
        r += s[++i];
      }
      continue;
    }
    if (IsControlChar(c.unicode()) || IsForbiddenChar(c.unicode())) continue;
    r += c;
  }
  return r;
}

QString MakeValidFileName(const QString& s) {
  QString r = RemoveInvalidFileNameChars(s);
  for (;;) {
    QString t = TrimStr(r);
    qsizetype b = 0, e = t.size();
    while (b < e && t[b] == QLatin1Char('.')) ++b;
    while (e > b && t[e - 1] == QLatin1Char('.')) --e;
    t = t.mid(b, e - b);
    if (t == r) return r;
    r = t;
  }
}

QString MakeValidFileNameDef(const QString& s, const QString& defaultName) {
  const QString r = MakeValidFileName(s);
  return r.isEmpty() ? defaultName : r;
}

QString AttachmentFileNameDef(const QString& fileName) {
  const QString untitled = QStringLiteral("Untitled Attachment");
  const QString cleaned = TrimStr(RemoveInvalidFileNameChars(fileName));
  const QString valid = MakeValidFileName(cleaned);
  if (cleaned.startsWith(QLatin1Char('.')) && !valid.isEmpty() && !valid.contains(QLatin1Char('.')))
    return untitled + QLatin1Char('.') + valid;
  return valid.isEmpty() ? untitled : valid;
}

QString FitFileNameComponent(const QString& name, const QString& tag) {
  QString ext = ExtensionOf(name);
  QString base = name.left(name.size() - ext.size());
  if (Utf8Length(name) + Utf8Length(tag) <= kMaxComponentBytes) return base + tag + ext;
  int budget = kMaxComponentBytes - Utf8Length(tag) - Utf8Length(ext);
  if (budget < 1) {
    // An "extension" that leaves no room is no extension worth keeping.
    base = name;
    ext.clear();
    budget = kMaxComponentBytes - Utf8Length(tag);
  }
  return CutToBytes(base, budget) + tag + ext;
}

void MakeUniqueFileName(QString& path, bool unique) {
  QStringList parts = path.split(QLatin1Char('/'));
  for (QString& part : parts)
    if (!part.isEmpty()) part = FitFileNameComponent(part);
  path = parts.join(QLatin1Char('/'));

  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const QString directory = path.left(slash + 1);
  const QString fileName = path.mid(slash + 1);
  if (unique && NameTaken(path)) {
    for (qint64 n = 2;; ++n) {
      const QString candidate =
          JoinNative(directory, FitFileNameComponent(fileName, QStringLiteral("-%1").arg(n)));
      if (!NameTaken(candidate)) {
        path = candidate;
        break;
      }
    }
  }
  if (directory.isEmpty()) throw Exception(QStringLiteral("Unable to create directory"));
  // Not reported here: the caller's write into it fails with its own error.
  QDir().mkpath(directory);
}

void SetFileDateTime(const QString& fileName, TDateTime dateTime) {
  const TDateTimeParts p = DecodeDateTime(dateTime);
  if (p.Year < 1980 || p.Year > 2107) return;
  const QDateTime local(QDate(p.Year, p.Month, p.Day), QTime(p.Hour, p.Minute, p.Second & ~1), Qt::LocalTime);
  if (!local.isValid()) return;
  // Only a file we may write gets a new time; nothing is reported.
  const QByteArray native = Native(fileName);
  if (::access(native.constData(), W_OK) != 0) return;
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = time_t(local.toSecsSinceEpoch());
  times[1].tv_nsec = 0;
  (void)::utimensat(AT_FDCWD, native.constData(), times, 0);
}

void EnsurePrivateDirectory(const QString& path) {
  const QByteArray p = Native(path);
  if (::mkdir(p.constData(), 0700) != 0 && errno != EEXIST) RaiseLastOSError(path);
  struct stat st;
  if (::lstat(p.constData(), &st) != 0) RaiseLastOSError(path);
  if (!S_ISDIR(st.st_mode)) throw EOSError(ENOTDIR, QStringLiteral("%1: not a directory").arg(path));
  if (st.st_uid != ::getuid()) throw EOSError(EPERM, QStringLiteral("%1: owned by another user").arg(path));
  if ((st.st_mode & 077) != 0)
    throw EOSError(EACCES, QStringLiteral("%1: accessible by other users").arg(path));
}

QString GetTempDirectory() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (runtime.startsWith(QLatin1Char('/'))) {
    struct stat st;
    const QByteArray r = Native(runtime);
    if (::stat(r.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
        ::access(r.constData(), W_OK | X_OK) == 0)
      return EnsureTrailing(runtime, QStringLiteral("/"));
  }
  const QString dir = QStringLiteral("/tmp/tarnwick-%1").arg(::getuid());
  EnsurePrivateDirectory(dir);
  return dir + QLatin1Char('/');
}

QString GetModuleDirectory() {
  char* real = ::realpath("/proc/self/exe", nullptr);
  if (!real) RaiseLastOSError(QStringLiteral("/proc/self/exe"));
  const QString path = QFile::decodeName(real);
  std::free(real);
  return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString CreateTempFileName(const QString& dir) {
  QByteArray name = Native(JoinNative(dir, QStringLiteral("twkXXXXXX")));
  const int fd = ::mkstemp(name.data());
  if (fd < 0) RaiseLastOSError(dir);
  ::close(fd);
  return QFile::decodeName(name);
}

void CopyFileOrRaise(const QString& source, const QString& dest, bool overwrite) {
  TFd in(::open(Native(source).constData(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) RaiseLastOSError(source);
  struct stat st;
  if (::fstat(in.Get(), &st) != 0) RaiseLastOSError(source);
  if (S_ISDIR(st.st_mode)) RaiseOSError(EISDIR, source);
  if (!overwrite && NameTaken(dest)) RaiseOSError(EEXIST, dest);

  TFileBeside beside(dest);
  TFd out(beside.Create(st.st_mode & 07777, dest));
  CopyContent(in.Get(), out.Get(), source, dest);
  if (::fchmod(out.Get(), st.st_mode & 07777) != 0) RaiseLastOSError(dest);
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(out.Get(), times) != 0) RaiseLastOSError(dest);
  if (::close(out.Release()) != 0) RaiseLastOSError(dest);
  if (!beside.Commit(dest, TSyncRule::None, overwrite ? TExistRule::Replace : TExistRule::Keep))
    RaiseOSError(EEXIST, dest);
}
