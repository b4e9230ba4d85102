#include "twktools/maildir/uuencode.h"

#include "twktools/maildir/mimesupport.h"

#include <QByteArrayView>
#include <QRegularExpression>

namespace twkmaildir {

namespace {

// "begin", a three or four digit octal mode, a name.
bool BeginLine(QByteArrayView line, QString& name) {
  static const QRegularExpression begin(QStringLiteral("^begin [0-7]{3,4} (\\S.*?)\\s*$"));
  if (!line.startsWith("begin ")) return false;
  const QRegularExpressionMatch m = begin.match(QString::fromLatin1(line));
  if (!m.hasMatch()) return false;
  name = From8Bit(line.data() + (m.capturedStart(1)), m.capturedLength(1));
  return true;
}

QByteArrayView Chomp(QByteArrayView line) {
  while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r')) line.chop(1);
  return line;
}

// A uuencoded line: its length character and the characters of its group.
bool IsUuLine(QByteArrayView line) {
  for (const char c : line)
    if (c < ' ' || c > '`') return false;
  return true;
}

QByteArray Decode(QByteArrayView lines) {
  GMimeEncoding state;
  g_mime_encoding_init_decode(&state, GMIME_CONTENT_ENCODING_UUENCODE);
  QByteArray out(qsizetype(g_mime_encoding_outlen(&state, size_t(lines.size()))) + 16, Qt::Uninitialized);
  const size_t n = g_mime_encoding_step(&state, lines.data(), size_t(lines.size()), out.data());
  out.truncate(qsizetype(n));
  return out;
}

}  // namespace

bool MayHoldUuencoded(const char* data, qsizetype size) {
  const QByteArrayView text(data, size);
  if (text.startsWith("begin ")) return true;
  return text.indexOf("\nbegin ") >= 0;
}

TUuSplit SplitUuencoded(const QByteArray& text) {
  TUuSplit split;
  qsizetype at = 0;
  qsizetype restFrom = 0;
  while (at < text.size()) {
    qsizetype end = text.indexOf('\n', at);
    end = end < 0 ? text.size() : end + 1;
    QString name;
    if (!BeginLine(Chomp(QByteArrayView(text).sliced(at, end - at)), name)) {
      at = end;
      continue;
    }
    // The block: its lines up to "end".
    const qsizetype blockStart = at;
    const qsizetype dataStart = end;
    qsizetype p = end;
    bool closed = false, sound = true;
    qsizetype dataEnd = p;
    while (p < text.size()) {
      qsizetype e = text.indexOf('\n', p);
      e = e < 0 ? text.size() : e + 1;
      const QByteArrayView line = Chomp(QByteArrayView(text).sliced(p, e - p));
      if (line == "end") {
        closed = true;
        dataEnd = p;
        p = e;
        break;
      }
      if (!IsUuLine(line)) sound = false;
      p = e;
    }
    if (!closed) p = text.size();
    split.Rest += text.mid(restFrom, blockStart - restFrom);
    TUuFile file;
    file.Name = name;
    file.Data = closed && sound ? Decode(QByteArrayView(text).sliced(dataStart, dataEnd - dataStart))
                                : text.mid(blockStart, p - blockStart);
    split.Files.push_back(std::move(file));
    restFrom = at = p;
  }
  split.Rest += text.mid(restFrom);
  return split;
}

}  // namespace twkmaildir
