#include "core/BufferedReadFile.h"

#include "core/AnsiCodePage.h"

#include <QFile>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

EUnexpectedEOFError::EUnexpectedEOFError(const QString& AFilename)
    : Exception(QStringLiteral("Unexpected end of file - file damaged: %1").arg(AFilename)) {}

TBufferedReadFile::TBufferedReadFile() = default;

TBufferedReadFile::~TBufferedReadFile() { Close(); }

void TBufferedReadFile::Open(const QString& Filename, std::int32_t BufSize) {
  Close();
  FFilename = Filename;
  FBufSize = BufSize;
  // Writers replace these files by rename, so a reader always sees one
  // complete version; no lock is needed to keep writers out.
  FS = ::open(QFile::encodeName(Filename).constData(), O_RDONLY | O_CLOEXEC);
  if (FS < 0) RaiseLastOSError(Filename);
  struct stat st {};
  if (::fstat(FS, &st) != 0 || S_ISDIR(st.st_mode)) {
    const int code = S_ISDIR(st.st_mode) ? EISDIR : errno;
    Close();
    throw EOSError::FromErrno(code, Filename);
  }
  FFileSize = st.st_size;
  FTotalRead = 0;
  FHaveRead = 0;
  const std::int64_t size = (BufSize <= 0) ? FFileSize : std::min<std::int64_t>(BufSize, FFileSize);
  try {
    FBufSize = std::int32_t(std::min<std::int64_t>(size, INT32_MAX));
    FBuffer.resize(FBufSize);
  } catch (...) {
    Close();
    throw;
  }
  FInBuffer = 0;
  FNextByte = FBuffer.constData();
}

bool TBufferedReadFile::FillBuffer() {
  FInBuffer = 0;
  FNextByte = FBuffer.constData();
  if (FTotalRead >= FFileSize) return false;
  const auto want = std::int32_t(std::min<std::int64_t>(FFileSize - FTotalRead, FBufSize));
  std::int32_t got = 0;
  while (got < want) {
    const ssize_t n = ::read(FS, FBuffer.data() + got, size_t(want - got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) RaiseLastOSError(FFilename);
    // The file shrank since Open: what was promised is missing.
    if (n == 0) throw EUnexpectedEOFError(FFilename);
    got += std::int32_t(n);
  }
  FInBuffer = want;
  FTotalRead += want;
  return true;
}

std::int32_t TBufferedReadFile::Read(void* Dest, std::int32_t Count) {
  if (Count <= 0) return 0;
  if (FInBuffer == 0 && !FillBuffer()) return 0;
  auto* dst = static_cast<char*>(Dest);
  std::int32_t result = 0;
  while (FInBuffer < Count - result) {
    std::memcpy(dst, FNextByte, size_t(FInBuffer));
    FHaveRead += FInBuffer;
    result += FInBuffer;
    dst += FInBuffer;
    FInBuffer = 0;
    if (!FillBuffer()) return result;
  }
  const std::int32_t rest = Count - result;
  std::memcpy(dst, FNextByte, size_t(rest));
  FNextByte += rest;
  FInBuffer -= rest;
  FHaveRead += rest;
  return result + rest;
}

void TBufferedReadFile::ReadExactly(void* Dest, std::int32_t Count) {
  if (Read(Dest, Count) < Count) throw EUnexpectedEOFError(FFilename);
}

std::int32_t TBufferedReadFile::ReadInteger() {
  unsigned char b[4];
  ReadExactly(b, 4);
  return qFromLittleEndian<std::int32_t>(b);
}

bool TBufferedReadFile::ReadBool() {
  char b = 0;
  ReadExactly(&b, 1);
  return b != 0;
}

double TBufferedReadFile::ReadDateTime() {
  unsigned char b[8];
  ReadExactly(b, 8);
  const quint64 bits = qFromLittleEndian<quint64>(b);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

QByteArray TBufferedReadFile::ReadCounted(int unitSize) {
  const std::int32_t n = ReadInteger();
  if (n <= 0) return QByteArray();
  const std::int64_t bytes = std::int64_t(n) * unitSize;
  // A length past the end is damage; checked before allocating, so a
  // damaged length cannot ask for gigabytes.
  if (bytes > FFileSize - FHaveRead || bytes > INT32_MAX) throw EUnexpectedEOFError(FFilename);
  QByteArray data(qsizetype(bytes), Qt::Uninitialized);
  ReadExactly(data.data(), std::int32_t(bytes));
  return data;
}

QString TBufferedReadFile::ReadString() {
  const QByteArray data = ReadCounted(2);
  QString s(data.size() / 2, Qt::Uninitialized);
  for (qsizetype i = 0; i < s.size(); ++i)
    s[i] = QChar(qFromLittleEndian<quint16>(data.constData() + 2 * i));
  return s;
}

void TBufferedReadFile::ReadStrings(QStringList& v) {
  v.clear();
  const std::int32_t count = ReadInteger();
  for (std::int32_t i = 0; i < count; ++i) v.append(ReadString());
}

QString TBufferedReadFile::ReadAnsiString() { return AnsiToUnicode(ReadCounted(1)); }

void TBufferedReadFile::ReadAnsiStrings(QStringList& v) {
  v.clear();
  const std::int32_t count = ReadInteger();
  for (std::int32_t i = 0; i < count; ++i) v.append(ReadAnsiString());
}

bool TBufferedReadFile::Eof() {
  if (FInBuffer > 0) return false;
  return !FillBuffer();
}

std::int64_t TBufferedReadFile::CopyTo(QIODevice& Dest) {
  std::int64_t result = 0;
  while (!Eof()) {
    if (Dest.write(FNextByte, FInBuffer) != FInBuffer)
      throw Exception(QStringLiteral("Cannot write the data of %1: %2").arg(FFilename, Dest.errorString()));
    FHaveRead += FInBuffer;
    result += FInBuffer;
    FNextByte += FInBuffer;
    FInBuffer = 0;
  }
  return result;
}

void TBufferedReadFile::Close() {
  FBuffer = QByteArray();
  if (FS >= 0) ::close(FS);
  FS = -1;
  FFileSize = 0;
  FTotalRead = 0;
  FHaveRead = 0;
  FInBuffer = 0;
  FNextByte = nullptr;
}
