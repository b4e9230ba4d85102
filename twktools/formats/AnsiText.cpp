#include "twktools/formats/AnsiText.h"

#include "twktools/TWKerrors.h"

#include <QList>
#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace twkformats {

namespace {

const char* const kVariable = "TWK_ANSI_CODEPAGE";

QString Setting() { return QString::fromLocal8Bit(qgetenv(kVariable)); }

class TIconv {
public:
  explicit TIconv(const TAnsiCodePage& cp) : FHandle(iconv_open(cp.IconvName.constData(), "UTF-8")) {}
  ~TIconv() {
    if (Ok()) iconv_close(FHandle);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
  bool Ok() const { return FHandle != reinterpret_cast<iconv_t>(-1); }
  iconv_t Handle() const { return FHandle; }

private:
  iconv_t FHandle;
};

int Utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

TAnsiCodePage AnsiCodePage() {
  TAnsiCodePage cp;
  const QString value = Setting().trimmed();
  if (!value.isEmpty()) {
    bool ok = false;
    cp.Number = value.toInt(&ok);
    if (!ok || cp.Number <= 0)
      throw EComError(E_INVALIDARG, QStringLiteral("%1=%2 is not a code page number").arg(QLatin1String(kVariable), value));
    cp.IconvName = cp.Number == 65001 ? QByteArray("UTF-8") : "CP" + QByteArray::number(cp.Number);
  }
  if (!TIconv(cp).Ok())
    throw EComError(E_INVALIDARG, QStringLiteral("ANSI code page %1 is not supported by iconv (%2=%3)")
                                      .arg(QString::fromLatin1(cp.IconvName), QLatin1String(kVariable), value));
  return cp;
}

QByteArray ToAnsi(const QString& text, const TAnsiCodePage& codePage, bool htmlReferences) {
  TIconv cv(codePage);
  if (!cv.Ok()) throw EComError(E_INVALIDARG, QStringLiteral("ANSI code page %1 is not supported by iconv").arg(QString::fromLatin1(codePage.IconvName)));
  const QByteArray input = text.toUtf8();
  QByteArray out(input.size() + 16, '\0');
  char* in = const_cast<char*>(input.constData());
  size_t inLeft = size_t(input.size());
  size_t used = 0;
  while (inLeft > 0) {
    char* dst = out.data() + used;
    size_t outLeft = size_t(out.size()) - used;
    const size_t rc = iconv(cv.Handle(), &in, &inLeft, &dst, &outLeft);
    used = size_t(out.size()) - outLeft;
    if (rc != size_t(-1)) continue;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // Cannot be held: a replacement, then on after this character.
    const int n = std::min<int>(int(inLeft), Utf8SequenceLength(static_cast<unsigned char>(*in)));
    QByteArray replacement = "?";
    if (htmlReferences) {
      const QList<uint> code = QString::fromUtf8(in, n).toUcs4();
      if (!code.isEmpty()) replacement = "&#" + QByteArray::number(code.first()) + ';';
    }
    out.resize(qsizetype(used));
    out.append(replacement);
    used = size_t(out.size());
    out.resize(out.size() + qsizetype(inLeft) + 16);
    in += n;
    inLeft -= size_t(n);
  }
  out.resize(qsizetype(used));
  return out;
}

}  // namespace twkformats
