// A compound-file writer (version 3, 512-byte sectors): storages and streams
// laid out the way Outlook item files need them.
//
// Streams of 4096 bytes and more are written to their sectors as they are
// added, so a big attachment passes through once and is not kept; smaller
// streams are gathered in the mini stream. Finish writes the mini stream, the
// directory, the allocation tables and, last, the header at offset 0.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>
#include <cstdint>

namespace twkformats {

class TCompoundFileWriter {
public:
  static constexpr int RootId = 0;

  // out must be open for writing and seekable; it is written from offset 0.
  explicit TCompoundFileWriter(QIODevice* out);

  // clsid: 16 bytes or empty (all zero).
  void SetRootClsid(const QByteArray& clsid);
  int AddStorage(int parent, const QString& name, const QByteArray& clsid = QByteArray());
  void AddStream(int parent, const QString& name, const QByteArray& data);
  // The same with the data read from in (size bytes), by pieces.
  void AddStreamFrom(int parent, const QString& name, QIODevice* in, qint64 size);
  void Finish();

  // The order of names inside a storage's tree: shorter first, then by the
  // upper-cased UTF-16 code units.
  static int CompareNames(const QString& a, const QString& b);

private:
  struct TEntry {
    QString Name;
    int Type = 0;  // 1 storage, 2 stream, 5 root
    QByteArray Clsid;
    QList<int> Children;
    std::uint32_t Start = 0xFFFFFFFEu;
    std::uint64_t Size = 0;
    std::uint32_t Left = 0xFFFFFFFFu, Right = 0xFFFFFFFFu, Child = 0xFFFFFFFFu;
    bool Red = false;
  };

  int AddEntry(int parent, const QString& name, int type, const QByteArray& clsid);
  std::uint32_t WriteSectors(const QByteArray& bytes);  // a chain of regular sectors; returns its start
  std::uint32_t WriteSectorsFrom(QIODevice* in, qint64 size, const QString& name);
  std::uint32_t BuildTree(QList<int>& sorted, int from, int to, int depth, int fullDepth);
  void Write(const QByteArray& bytes);

  QIODevice* FOut;
  QList<TEntry> FEntries;
  QList<std::uint32_t> FFat;
  QByteArray FMiniStream;
  QList<std::uint32_t> FMiniFat;
  bool FFinished = false;
};

}  // namespace twkformats
