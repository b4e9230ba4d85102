#include "core/TWKLink.h"

#include "core/AnsiCodePage.h"
#include "core/Exception.h"
#include "core/FileBeside.h"
#include "core/FilenameTools.h"

#include <QFile>
#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace {

// A link holds one path; anything larger is not a link and is never read whole.
constexpr qint64 kMaxLinkFileSize = 64 * 1024;

QString DecodeLinkText(const QByteArray& bytes) {
  if (bytes.startsWith("\xFF\xFE")) return QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2));
  if (bytes.startsWith("\xFE\xFF")) return QStringDecoder(QStringDecoder::Utf16BE)(bytes.mid(2));
  if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.mid(3));
  return AnsiToUnicode(bytes);
}

// Lines end at CR LF, a lone CR or a lone LF; a break at the very end starts
// no further line.
QStringList SplitLines(const QString& text) {
  QStringList lines;
  QString cur;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      lines << cur;
      cur.clear();
      if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
    } else {
      cur += c;
    }
  }
  if (!cur.isEmpty()) lines << cur;
  return lines;
}

}  // namespace

QByteArray LinkFileBytes(const QString& target) {
  const QString text = QStringLiteral("TWK\r\n") + target + QStringLiteral("\r\n");
  QByteArray out("\xFF\xFE", 2);
  out.resize(2 + text.size() * 2);
  qToLittleEndian<char16_t>(text.utf16(), text.size(), out.data() + 2);
  return out;
}

void WriteLinkFile(const QString& target, const QString& linkFileName) {
  // Whole or not at all; nothing relies on it being on disk (an attached
  // link travels inside the e-mail, which the store syncs).
  TFileBeside beside(linkFileName);
  const QByteArray bytes = LinkFileBytes(target);
  const int fd = beside.Create(0666, linkFileName);
  const ssize_t written = ::write(fd, bytes.constData(), size_t(bytes.size()));
  const int error = written < 0 ? errno : ENOSPC;
  if (::close(fd) != 0 || written != bytes.size()) throw EOSError::FromErrno(written == bytes.size() ? errno : error, linkFileName);
  beside.Commit(linkFileName, TSyncRule::None, TExistRule::Replace);
}

QString ReadLinkFile(const QString& linkFileName) {
  QFile f(linkFileName);
  if (!f.open(QIODevice::ReadOnly)) throw Exception(QStringLiteral("%1: %2").arg(linkFileName, f.errorString()));
  if (f.size() > kMaxLinkFileSize) return QString();
  const QByteArray bytes = f.read(kMaxLinkFileSize + 1);
  if (bytes.size() > kMaxLinkFileSize) return QString();
  const QStringList lines = SplitLines(DecodeLinkText(bytes));
  if (lines.size() != 2 || lines[0] != QLatin1String("TWK")) return QString();
  return TrimStr(lines[1]);
}

QString LinkFileNameFor(const QString& target) {
  // Links made on Windows name Windows paths: either separator ends the directory.
  const qsizetype sep = std::max(target.lastIndexOf(QLatin1Char('/')), target.lastIndexOf(QLatin1Char('\\')));
  QString name = target.mid(sep + 1);
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot >= 0 && dot + 1 < name.size()) name = name.left(dot) + QLatin1Char('-') + name.mid(dot + 1);
  return name + QStringLiteral(".twk");
}
