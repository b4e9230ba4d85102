#include "core/BufferedWriteFile.h"

#include "core/AnsiCodePage.h"
#include "core/Exception.h"
#include "core/FileBeside.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// Mode for the new file: the old file's, else what creat() would give.
mode_t NewFileMode(const QString& target) {
  struct stat st {};
  if (::stat(QFile::encodeName(target).constData(), &st) == 0) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Where the file is really written: a symbolic link stays a link.
QString TargetOf(const QString& filename) {
  const QFileInfo info(filename);
  if (!info.isSymLink()) return filename;
  return info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
}

}  // namespace

TBufferedWriteFile::TBufferedWriteFile() = default;

TBufferedWriteFile::~TBufferedWriteFile() { Discard(); }

void TBufferedWriteFile::CreateFile(const QString& Filename, std::int32_t BufSize) {
  CloseFile();
  FFilename = Filename;
  // A buffer of no bytes could never take a byte.
  FBufSize = BufSize < 1 ? 1 : BufSize;
  FTargetName = TargetOf(Filename);
  FBeside = std::make_unique<TFileBeside>(FTargetName);
  try {
    FS = FBeside->Create(0600, Filename);
  } catch (...) {
    Discard();
    throw;
  }
  if (::fchmod(FS, NewFileMode(FTargetName)) != 0) {
    const int code = errno;
    Discard();
    throw EOSError::FromErrno(code, Filename);
  }
  try {
    FBuffer.resize(FBufSize);
  } catch (...) {
    Discard();
    throw;
  }
  FInBuffer = 0;
}

void TBufferedWriteFile::WriteBuffer(const void* Buffer, std::int32_t Count) {
  const auto* src = static_cast<const char*>(Buffer);
  while (FBufSize - FInBuffer < Count) {
    const std::int32_t free = FBufSize - FInBuffer;
    std::memcpy(FBuffer.data() + FInBuffer, src, size_t(free));
    FInBuffer += free;
    src += free;
    Count -= free;
    FlushBuffer();
  }
  if (Count > 0) {
    std::memcpy(FBuffer.data() + FInBuffer, src, size_t(Count));
    FInBuffer += Count;
    if (FInBuffer == FBufSize) FlushBuffer();
  }
}

void TBufferedWriteFile::FlushBuffer() {
  if (FInBuffer <= 0) return;
  std::int32_t done = 0;
  while (done < FInBuffer) {
    const ssize_t n = ::write(FS, FBuffer.constData() + done, size_t(FInBuffer - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) RaiseLastOSError(FFilename);
    done += std::int32_t(n);
  }
  FInBuffer = 0;
}

void TBufferedWriteFile::WriteInteger(std::int32_t v) {
  unsigned char b[4];
  qToLittleEndian(v, b);
  WriteBuffer(b, 4);
}

void TBufferedWriteFile::WriteBool(bool v) {
  const char b = v ? 1 : 0;
  WriteBuffer(&b, 1);
}

void TBufferedWriteFile::WriteDateTime(double v) {
  quint64 bits;
  std::memcpy(&bits, &v, sizeof bits);
  unsigned char b[8];
  qToLittleEndian(bits, b);
  WriteBuffer(b, 8);
}

void TBufferedWriteFile::WriteString(const QString& v) {
  WriteInteger(std::int32_t(v.size()));
  QByteArray data(v.size() * 2, Qt::Uninitialized);
  for (qsizetype i = 0; i < v.size(); ++i) qToLittleEndian(v[i].unicode(), data.data() + 2 * i);
  WriteBuffer(data.constData(), std::int32_t(data.size()));
}

void TBufferedWriteFile::WriteStrings(const QStringList& v) {
  WriteInteger(std::int32_t(v.size()));
  for (const QString& s : v) WriteString(s);
}

void TBufferedWriteFile::WriteAnsiString(const QString& v) {
  const QByteArray data = UnicodeToAnsi(v);
  WriteInteger(std::int32_t(data.size()));
  WriteBuffer(data.constData(), std::int32_t(data.size()));
}

void TBufferedWriteFile::CloseFile() {
  if (FS < 0) return;
  try {
    FlushBuffer();
    const int fd = FS;
    FS = -1;
    if (::close(fd) != 0) RaiseLastOSError(FFilename);
    // A job file replaces the old one: it is on disk before its name is.
    FBeside->Commit(FTargetName, TSyncRule::Durable, TExistRule::Replace);
  } catch (const EOSError& e) {
    Discard();
    // Errors name the file as the caller knows it.
    throw EOSError(e.ErrorCode(), QString(e.Message()).replace(FTargetName, FFilename));
  } catch (...) {
    Discard();
    throw;
  }
  FBeside.reset();
  FBuffer = QByteArray();
  FInBuffer = 0;
}

void TBufferedWriteFile::Discard() {
  if (FS >= 0) ::close(FS);
  FS = -1;
  FBeside.reset();
  FBuffer = QByteArray();
  FInBuffer = 0;
}
