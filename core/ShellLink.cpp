#include "core/ShellLink.h"

#include "core/AnsiCodePage.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <optional>

namespace {

constexpr quint32 kHeaderSize = 0x4C;
// {00021401-0000-0000-C000-000000000046} as stored.
const QByteArray kLinkClsid("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);

enum : quint32 {
  HasLinkTargetIDList = 0x1,
  HasLinkInfo = 0x2,
  HasName = 0x4,
  HasRelativePath = 0x8,
  HasWorkingDir = 0x10,
  IsUnicode = 0x80,
};
enum : quint32 { VolumeIDAndLocalBasePath = 0x1, CommonNetworkRelativeLinkAndPathSuffix = 0x2 };

// Bounds-checked reads over the file's bytes.
class TReader {
public:
  explicit TReader(const QByteArray& b) : B(b) {}
  std::optional<quint32> U32(qsizetype at) const {
    if (at < 0 || at + 4 > B.size()) return {};
    return qFromLittleEndian<quint32>(B.constData() + at);
  }
  std::optional<quint16> U16(qsizetype at) const {
    if (at < 0 || at + 2 > B.size()) return {};
    return qFromLittleEndian<quint16>(B.constData() + at);
  }
  // A NUL-terminated ANSI string starting at `at`, inside [at, end).
  std::optional<QString> AnsiZ(qsizetype at, qsizetype end) const {
    if (at < 0 || at >= end || end > B.size()) return {};
    const qsizetype nul = B.indexOf('\0', at);
    if (nul < 0 || nul >= end) return {};
    return AnsiToUnicode(B.mid(at, nul - at));
  }
  std::optional<QString> Utf16Z(qsizetype at, qsizetype end) const {
    if (at < 0 || at >= end || end > B.size()) return {};
    QString s;
    for (qsizetype p = at; p + 2 <= end; p += 2) {
      const char16_t c = qFromLittleEndian<char16_t>(B.constData() + p);
      if (c == 0) return s;
      s += QChar(c);
    }
    return {};
  }
  // A counted string of the string data; advances `at`.
  std::optional<QString> Counted(qsizetype& at, bool unicode) const {
    const auto n = U16(at);
    if (!n) return {};
    const qsizetype bytes = qsizetype(*n) * (unicode ? 2 : 1);
    if (at + 2 + bytes > B.size()) return {};
    QString s;
    if (unicode) {
      s.resize(*n);
      qFromLittleEndian<char16_t>(B.constData() + at + 2, *n, s.data());
    } else {
      s = AnsiToUnicode(B.mid(at + 2, bytes));
    }
    // Windows ends a path at a NUL; a counted one that holds one names
    // another file than it shows: not a well-formed link.
    if (s.contains(QChar(0))) return {};
    at += 2 + bytes;
    return s;
  }
  qsizetype Size() const { return B.size(); }

private:
  const QByteArray& B;
};

QString JoinWindows(const QString& dir, const QString& name) {
  if (dir.isEmpty()) return name;
  if (name.isEmpty()) return dir;
  return dir.endsWith(QLatin1Char('\\')) ? dir + name : dir + QLatin1Char('\\') + name;
}

std::optional<QString> LinkInfoTarget(const TReader& r, qsizetype at) {
  const auto size = r.U32(at), headerSize = r.U32(at + 4), flags = r.U32(at + 8);
  if (!size || !headerSize || !flags || *size < 0x1C || at + qsizetype(*size) > r.Size()) return {};
  const qsizetype end = at + qsizetype(*size);
  const bool unicodeOffsets = *headerSize >= 0x24;
  const auto suffixOffset = r.U32(at + 24);
  std::optional<QString> suffix;
  if (unicodeOffsets) {
    if (const auto o = r.U32(at + 32); o && *o) suffix = r.Utf16Z(at + qsizetype(*o), end);
  }
  if (!suffix && suffixOffset) suffix = r.AnsiZ(at + qsizetype(*suffixOffset), end);

  if (*flags & VolumeIDAndLocalBasePath) {
    std::optional<QString> base;
    if (unicodeOffsets) {
      if (const auto o = r.U32(at + 28); o && *o) base = r.Utf16Z(at + qsizetype(*o), end);
    }
    if (!base) {
      if (const auto o = r.U32(at + 16)) base = r.AnsiZ(at + qsizetype(*o), end);
    }
    if (base && !base->isEmpty()) return *base + suffix.value_or(QString());
  }
  if (*flags & CommonNetworkRelativeLinkAndPathSuffix) {
    const auto netOffset = r.U32(at + 20);
    if (!netOffset) return {};
    const qsizetype net = at + qsizetype(*netOffset);
    const auto netSize = r.U32(net);
    const auto netNameOffset = r.U32(net + 8);
    if (!netSize || !netNameOffset || net + qsizetype(*netSize) > end) return {};
    std::optional<QString> name;
    if (*netNameOffset > 0x14) {
      if (const auto o = r.U32(net + 20)) name = r.Utf16Z(net + qsizetype(*o), net + qsizetype(*netSize));
    }
    if (!name) name = r.AnsiZ(net + qsizetype(*netNameOffset), net + qsizetype(*netSize));
    if (name && !name->isEmpty()) return JoinWindows(*name, suffix.value_or(QString()));
  }
  return {};
}

}  // namespace

QString ParseShellLink(const QByteArray& bytes) {
  const TReader r(bytes);
  if (r.U32(0) != kHeaderSize || bytes.mid(4, 16) != kLinkClsid) return QString();
  const auto flags = r.U32(20);
  if (!flags) return QString();
  qsizetype at = kHeaderSize;
  if (*flags & HasLinkTargetIDList) {
    const auto n = r.U16(at);
    if (!n) return QString();
    at += 2 + *n;
  }
  if (*flags & HasLinkInfo) {
    const auto size = r.U32(at);
    if (!size) return QString();
    if (const auto target = LinkInfoTarget(r, at)) return *target;
    at += qsizetype(*size);
  }
  const bool unicode = *flags & IsUnicode;
  QString relative, workingDir;
  if (*flags & HasName && !r.Counted(at, unicode)) return QString();
  if (*flags & HasRelativePath) {
    const auto s = r.Counted(at, unicode);
    if (!s) return QString();
    relative = *s;
  }
  if (*flags & HasWorkingDir) {
    const auto s = r.Counted(at, unicode);
    if (!s) return QString();
    workingDir = *s;
  }
  if (relative.isEmpty()) return QString();
  const bool absolute = relative.startsWith(QLatin1String("\\\\")) || relative.startsWith(QLatin1Char('/')) ||
                        (relative.size() > 2 && relative[1] == QLatin1Char(':'));
  if (absolute || workingDir.isEmpty()) return relative;
  QString rest = relative;
  while (rest.startsWith(QLatin1String(".\\"))) rest = rest.mid(2);
  return JoinWindows(workingDir, rest);
}

QString ReadShellLinkFile(const QString& fileName) {
  const QFileInfo info(fileName);
  if (info.isSymLink()) return info.symLinkTarget();
  QFile f(fileName);
  // A shell link is small; a large file is not one and is never read whole.
  constexpr qint64 kMax = 1 << 20;
  if (!f.open(QIODevice::ReadOnly) || f.size() > kMax) return QString();
  return ParseShellLink(f.read(kMax));
}
