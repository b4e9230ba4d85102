// Typed reading of flat binary record files (job file, inbox task file)
// through a memory buffer.
#pragma once

#include "core/Exception.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <cstdint>

// A damaged or foreign file.
class EUnexpectedEOFError : public Exception {
public:
  explicit EUnexpectedEOFError(const QString& AFilename);
};

class TBufferedReadFile {
public:
  TBufferedReadFile();
  ~TBufferedReadFile();
  TBufferedReadFile(const TBufferedReadFile&) = delete;
  TBufferedReadFile& operator=(const TBufferedReadFile&) = delete;

  // Opens Filename read-only; the buffer is never larger than the file (a
  // BufSize <= 0 means the file's size). A missing or unreadable file raises
  // EOSError naming the path.
  void Open(const QString& Filename, std::int32_t BufSize);
  // Copies up to Count bytes; fewer only at the end of the file.
  std::int32_t Read(void* Dest, std::int32_t Count);

  std::int32_t ReadInteger();
  bool ReadBool();
  double ReadDateTime();
  QString ReadString();
  void ReadStrings(QStringList& v);
  QString ReadAnsiString();
  void ReadAnsiStrings(QStringList& v);

  // True when no unread byte is left ("EOF"; that name is a C macro).
  bool Eof();
  // Writes every unread byte to Dest; returns their number.
  std::int64_t CopyTo(QIODevice& Dest);
  void Close();

  const QString& Filename() const { return FFilename; }
  std::int64_t FileSize() const { return FFileSize; }
  std::int64_t HaveRead() const { return FHaveRead; }

private:
  bool FillBuffer();
  void ReadExactly(void* Dest, std::int32_t Count);
  // Reads a length-prefixed value of n units of unitSize bytes.
  QByteArray ReadCounted(int unitSize);

  QString FFilename;
  std::int32_t FBufSize = 0;
  int FS = -1;  // file descriptor
  QByteArray FBuffer;
  std::int64_t FFileSize = 0;
  std::int64_t FTotalRead = 0;
  std::int64_t FHaveRead = 0;
  std::int32_t FInBuffer = 0;
  const char* FNextByte = nullptr;
};
