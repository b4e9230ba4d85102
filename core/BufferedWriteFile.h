// Typed writing of flat binary record files through a memory buffer.
//
// The file is written beside its final name (TFileBeside) and renamed into
// place, synced, by CloseFile, so a write that fails half-way (disk full, I/O error) keeps the
// old file and leaves no partial one.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class TFileBeside;

class TBufferedWriteFile {
public:
  TBufferedWriteFile();
  // Without a successful CloseFile the new file is dropped: the destructor
  // runs only on the way out of a failed write.
  ~TBufferedWriteFile();
  TBufferedWriteFile(const TBufferedWriteFile&) = delete;
  TBufferedWriteFile& operator=(const TBufferedWriteFile&) = delete;

  // Starts a new file that will replace Filename; BufSize bytes of buffer
  // (at least 1). A directory that does not allow it raises EOSError.
  void CreateFile(const QString& Filename, std::int32_t BufSize);
  void WriteBuffer(const void* Buffer, std::int32_t Count);
  void WriteInteger(std::int32_t v);
  void WriteBool(bool v);
  void WriteDateTime(double v);
  void WriteString(const QString& v);
  void WriteStrings(const QStringList& v);
  void WriteAnsiString(const QString& v);
  // Flushes, syncs to disk and renames the file into place; on failure the
  // new file is removed, the old one stays and the error passes on.
  // Harmless when nothing is open.
  void CloseFile();

  const QString& Filename() const { return FFilename; }
  std::int32_t InBuffer() const { return FInBuffer; }  // bytes not yet written

private:
  void FlushBuffer();
  void Discard();

  QString FFilename;
  std::int32_t FBufSize = 0;
  int FS = -1;                          // file descriptor of the temporary file
  std::unique_ptr<TFileBeside> FBeside;  // where the file is written until CloseFile
  QString FTargetName;                  // where it goes (a symbolic link's target)
  QByteArray FBuffer;
  std::int32_t FInBuffer = 0;
};
