#include "twktools/maildir/utf7.h"

#include <QByteArray>
#include <QStringList>

namespace twkmaildir {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+,";

int Sextet(QChar c) {
  const ushort u = c.unicode();
  if (u >= 'A' && u <= 'Z') return u - 'A';
  if (u >= 'a' && u <= 'z') return u - 'a' + 26;
  if (u >= '0' && u <= '9') return u - '0' + 52;
  if (u == '+') return 62;
  if (u == ',') return 63;
  return -1;
}

// Decodes the base64 run between "&" and "-" into UTF-16; false when it is
// not a well-formed run (bad letters, bits left over).
bool DecodeRun(const QString& run, QString& out) {
  quint32 bits = 0;
  int count = 0;
  for (QChar c : run) {
    const int v = Sextet(c);
    if (v < 0) return false;
    bits = (bits << 6) | quint32(v);
    count += 6;
    if (count >= 16) {
      count -= 16;
      out += QChar(ushort((bits >> count) & 0xFFFF));
    }
  }
  return (bits & ((1u << count) - 1)) == 0 && count < 6;
}

void EncodeRun(const QString& run, QString& out) {
  out += QLatin1Char('&');
  quint32 bits = 0;
  int count = 0;
  for (QChar c : run) {
    bits = (bits << 16) | c.unicode();
    count += 16;
    while (count >= 6) {
      count -= 6;
      out += QLatin1Char(kAlphabet[(bits >> count) & 0x3F]);
    }
  }
  if (count > 0) out += QLatin1Char(kAlphabet[(bits << (6 - count)) & 0x3F]);
  out += QLatin1Char('-');
}

}  // namespace

QString DecodeFolderName(const QString& onDisk) {
  QString out;
  for (qsizetype i = 0; i < onDisk.size(); ++i) {
    const QChar c = onDisk[i];
    if (c.unicode() < 0x20 || c.unicode() > 0x7E) return onDisk;  // not UTF-7: shown as is
    if (c != QLatin1Char('&')) {
      out += c;
      continue;
    }
    const qsizetype end = onDisk.indexOf(QLatin1Char('-'), i + 1);
    if (end < 0) return onDisk;
    if (end == i + 1) {
      out += QLatin1Char('&');
    } else if (!DecodeRun(onDisk.mid(i + 1, end - i - 1), out)) {
      return onDisk;
    }
    i = end;
  }
  return out;
}

QString EncodeFolderName(const QString& name, const QString& escape) {
  static const QStringList reserved = {QStringLiteral("cur"), QStringLiteral("new"), QStringLiteral("tmp")};
  const bool reservedName = reserved.contains(name);
  QString out;
  QString run;
  for (qsizetype i = 0; i < name.size(); ++i) {
    const QChar c = name[i];
    const ushort u = c.unicode();
    const bool mustEncode = u < 0x20 || u > 0x7E || escape.contains(c) || (i == 0 && (u == '.' || reservedName));
    if (mustEncode) {
      run += c;
      continue;
    }
    if (!run.isEmpty()) {
      EncodeRun(run, out);
      run.clear();
    }
    out += u == '&' ? QStringLiteral("&-") : QString(c);
  }
  if (!run.isEmpty()) EncodeRun(run, out);
  return out;
}

}  // namespace twkmaildir
