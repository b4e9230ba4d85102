#include "core/AnsiCodePage.h"

#include "core/Exception.h"

#include <iconv.h>

#include <cerrno>
#include <algorithm>

namespace {

const char* const kCodePageVariable = "TWK_ANSI_CODEPAGE";

// An open iconv conversion, closed on every way out.
class TConverter {
public:
  TConverter(const QByteArray& to, const QByteArray& from) : FHandle(iconv_open(to.constData(), from.constData())) {
    if (FHandle == reinterpret_cast<iconv_t>(-1))
      throw Exception(QStringLiteral("ANSI code page %1 is not supported by iconv (%2=%3)")
                          .arg(AnsiCodePageName(), QString::fromLatin1(kCodePageVariable),
                               QString::fromLocal8Bit(qgetenv(kCodePageVariable))));
  }
  ~TConverter() { iconv_close(FHandle); }
  TConverter(const TConverter&) = delete;
  TConverter& operator=(const TConverter&) = delete;

  // Converts all of input; at an unconvertible or incomplete sequence it
  // writes "?" and skips `skip(rest)` input bytes, so it always ends.
  template <typename TSkip>
  QByteArray Convert(const QByteArray& input, TSkip skip) {
    QByteArray out;
    out.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.constData());
    size_t inLeft = size_t(input.size());
    size_t used = 0;
    auto grow = [&] { out.resize(out.size() * 2 + 16); };
    while (inLeft > 0) {
      char* dst = out.data() + used;
      size_t outLeft = size_t(out.size()) - used;
      const size_t rc = iconv(FHandle, &in, &inLeft, &dst, &outLeft);
      used = size_t(out.size()) - outLeft;
      if (rc != size_t(-1)) continue;
      if (errno == E2BIG) {
        grow();
        continue;
      }
      // EILSEQ or EINVAL: replace what cannot be converted, go on after it.
      if (used >= size_t(out.size())) grow();
      out[qsizetype(used++)] = '?';
      const size_t n = std::min(inLeft, std::max<size_t>(1, skip(in, inLeft)));
      in += n;
      inLeft -= n;
    }
    // Ends a stateful encoding's shift sequence.
    while (true) {
      char* dst = out.data() + used;
      size_t outLeft = size_t(out.size()) - used;
      const size_t rc = iconv(FHandle, nullptr, nullptr, &dst, &outLeft);
      used = size_t(out.size()) - outLeft;
      if (rc != size_t(-1) || errno != E2BIG) break;
      grow();
    }
    out.resize(qsizetype(used));
    return out;
  }

private:
  iconv_t FHandle;
};

// Length of the UTF-8 sequence that starts at p (1 for a stray byte).
size_t Utf8SequenceLength(const char* p, size_t left) {
  const auto lead = static_cast<unsigned char>(*p);
  size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  return std::min(n, left);
}

}  // namespace

QString AnsiCodePageName() {
  const QByteArray value = qgetenv(kCodePageVariable).trimmed();
  if (value.isEmpty()) return QStringLiteral("CP1252");
  bool ok = false;
  const uint number = value.toUInt(&ok);
  if (!ok || number == 0)
    throw Exception(QStringLiteral("%1: expected a code page number such as 1252, not \"%2\"")
                        .arg(QString::fromLatin1(kCodePageVariable), QString::fromLocal8Bit(value)));
  if (number == 65001) return QStringLiteral("UTF-8");
  if (number == 20127) return QStringLiteral("ASCII");
  if (number >= 28591 && number <= 28599) return QStringLiteral("ISO-8859-%1").arg(number - 28590);
  return QStringLiteral("CP%1").arg(number);
}

QString AnsiToUnicode(const QByteArray& bytes) {
  if (bytes.isEmpty()) return QString();
  TConverter conv("UTF-8", AnsiCodePageName().toLatin1());
  // A byte the code page does not define is skipped alone.
  return QString::fromUtf8(conv.Convert(bytes, [](const char*, size_t) { return size_t(1); }));
}

QByteArray UnicodeToAnsi(const QString& text) {
  if (text.isEmpty()) return QByteArray();
  TConverter conv(AnsiCodePageName().toLatin1(), "UTF-8");
  // A character the code page lacks is skipped whole (its UTF-8 sequence).
  return conv.Convert(text.toUtf8(), Utf8SequenceLength);
}
