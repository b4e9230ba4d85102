#include "twktools/formats/CompoundFile.h"

#include "twktools/TWKerrors.h"
#include "twktools/formats/Bytes.h"

#include <algorithm>

namespace twkformats {

namespace {

constexpr std::uint32_t kFreeSect = 0xFFFFFFFFu;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr std::uint32_t kFatSect = 0xFFFFFFFDu;
constexpr std::uint32_t kDifSect = 0xFFFFFFFCu;
constexpr std::uint32_t kNoStream = 0xFFFFFFFFu;
constexpr int kSector = 512;
constexpr int kMiniSector = 64;
constexpr int kMiniCutoff = 4096;
constexpr int kEntriesPerSector = kSector / 4;  // allocation-table entries
constexpr int kHeaderDifat = 109;

QByteArray Padded(const QByteArray& b, int unit, char fill = 0) {
  QByteArray r = b;
  const qsizetype rest = r.size() % unit;
  if (rest) r.append(unit - rest, fill);
  return r;
}

QByteArray TableBytes(const QList<std::uint32_t>& table, int sectors) {
  QByteArray b;
  b.reserve(qsizetype(sectors) * kSector);
  for (std::uint32_t v : table) PutU32(b, v);
  while (b.size() < qsizetype(sectors) * kSector) PutU32(b, kFreeSect);
  return b;
}

int SectorsFor(qsizetype bytes, int unit) { return int((bytes + unit - 1) / unit); }

}  // namespace

TCompoundFileWriter::TCompoundFileWriter(QIODevice* out) : FOut(out) {
  AddEntry(-1, QStringLiteral("Root Entry"), 5, QByteArray());
  Write(QByteArray(kSector, '\0'));  // the header's place; written by Finish
}

void TCompoundFileWriter::SetRootClsid(const QByteArray& clsid) { FEntries[RootId].Clsid = clsid; }

int TCompoundFileWriter::CompareNames(const QString& a, const QString& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (qsizetype i = 0; i < a.size(); ++i) {
    const char16_t ca = a[i].toUpper().unicode(), cb = b[i].toUpper().unicode();
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return 0;
}

int TCompoundFileWriter::AddEntry(int parent, const QString& name, int type, const QByteArray& clsid) {
  if (FFinished) throw EComError(E_FAIL, QStringLiteral("Compound file already finished"));
  if (name.isEmpty() || name.size() > 31)
    throw EComError(E_INVALIDARG, QStringLiteral("Invalid compound file entry name \"%1\"").arg(name));
  if (parent >= 0) {
    if (parent >= FEntries.size() || FEntries[parent].Type == 2)
      throw EComError(E_INVALIDARG, QStringLiteral("No storage for compound file entry \"%1\"").arg(name));
    for (int sibling : FEntries[parent].Children)
      if (CompareNames(FEntries[sibling].Name, name) == 0)
        throw EComError(E_INVALIDARG, QStringLiteral("Duplicate compound file entry \"%1\"").arg(name));
  }
  TEntry e;
  e.Name = name;
  e.Type = type;
  e.Clsid = clsid;
  FEntries.append(e);
  const int id = int(FEntries.size() - 1);
  if (parent >= 0) FEntries[parent].Children.append(id);
  return id;
}

int TCompoundFileWriter::AddStorage(int parent, const QString& name, const QByteArray& clsid) {
  return AddEntry(parent, name, 1, clsid);
}

void TCompoundFileWriter::AddStream(int parent, const QString& name, const QByteArray& data) {
  if (quint64(data.size()) > 0x7FFFFFFFull)
    throw EComError(E_INVALIDARG, QStringLiteral("Stream \"%1\" is too big for a compound file").arg(name));
  const int id = AddEntry(parent, name, 2, QByteArray());
  TEntry& e = FEntries[id];
  e.Size = std::uint64_t(data.size());
  if (data.isEmpty()) {
    e.Start = kEndOfChain;
  } else if (data.size() < kMiniCutoff) {
    const std::uint32_t start = std::uint32_t(FMiniFat.size());
    const int n = SectorsFor(data.size(), kMiniSector);
    for (int i = 1; i < n; ++i) FMiniFat.append(start + std::uint32_t(i));
    FMiniFat.append(kEndOfChain);
    FMiniStream.append(Padded(data, kMiniSector));
    e.Start = start;
  } else {
    e.Start = WriteSectors(data);
  }
}

void TCompoundFileWriter::AddStreamFrom(int parent, const QString& name, QIODevice* in, qint64 size) {
  if (size < kMiniCutoff) {
    const QByteArray data = in->read(size);
    if (data.size() != size)
      throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot read the data of \"%1\": %2").arg(name, in->errorString()));
    return AddStream(parent, name, data);
  }
  if (quint64(size) > 0x7FFFFFFFull)
    throw EComError(E_INVALIDARG, QStringLiteral("Stream \"%1\" is too big for a compound file").arg(name));
  const int id = AddEntry(parent, name, 2, QByteArray());
  const std::uint32_t start = WriteSectorsFrom(in, size, name);
  FEntries[id].Size = std::uint64_t(size);
  FEntries[id].Start = start;
}

std::uint32_t TCompoundFileWriter::WriteSectorsFrom(QIODevice* in, qint64 size, const QString& name) {
  const std::uint32_t start = std::uint32_t(FFat.size());
  constexpr qint64 kPiece = 1 << 20;
  for (qint64 done = 0; done < size;) {
    const QByteArray piece = in->read(std::min(kPiece, size - done));
    if (piece.isEmpty())
      throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot read the data of \"%1\": %2").arg(name, in->errorString()));
    Write(piece);
    done += piece.size();
  }
  if (size % kSector) Write(QByteArray(kSector - size % kSector, '\0'));
  const int n = SectorsFor(size, kSector);
  for (int i = 1; i < n; ++i) FFat.append(start + std::uint32_t(i));
  FFat.append(kEndOfChain);
  return start;
}

void TCompoundFileWriter::Write(const QByteArray& bytes) {
  if (FOut->write(bytes) != bytes.size())
    throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot write the file: %1").arg(FOut->errorString()));
}

std::uint32_t TCompoundFileWriter::WriteSectors(const QByteArray& bytes) {
  if (bytes.isEmpty()) return kEndOfChain;
  const std::uint32_t start = std::uint32_t(FFat.size());
  const int n = SectorsFor(bytes.size(), kSector);
  Write(bytes);
  if (bytes.size() % kSector) Write(QByteArray(kSector - bytes.size() % kSector, '\0'));
  for (int i = 1; i < n; ++i) FFat.append(start + std::uint32_t(i));
  FFat.append(kEndOfChain);
  return start;
}

// A balanced tree over the sorted names: every level but the last is full, so
// colouring the last level red (and all others black) keeps the red-black
// rules: equal black height on every path, no red child under a red node.
std::uint32_t TCompoundFileWriter::BuildTree(QList<int>& sorted, int from, int to, int depth, int fullDepth) {
  if (from > to) return kNoStream;
  const int mid = (from + to) / 2;
  TEntry& e = FEntries[sorted[mid]];
  e.Red = depth >= fullDepth;
  const std::uint32_t left = BuildTree(sorted, from, mid - 1, depth + 1, fullDepth);
  const std::uint32_t right = BuildTree(sorted, mid + 1, to, depth + 1, fullDepth);
  FEntries[sorted[mid]].Left = left;
  FEntries[sorted[mid]].Right = right;
  return std::uint32_t(sorted[mid]);
}

void TCompoundFileWriter::Finish() {
  if (FFinished) return;
  for (int id = 0; id < FEntries.size(); ++id) {
    QList<int> sorted = FEntries[id].Children;
    if (sorted.isEmpty()) continue;
    std::sort(sorted.begin(), sorted.end(),
              [this](int a, int b) { return CompareNames(FEntries[a].Name, FEntries[b].Name) < 0; });
    int fullDepth = 0;
    while ((2 << fullDepth) - 1 <= sorted.size()) ++fullDepth;  // floor(log2(n + 1))
    FEntries[id].Child = BuildTree(sorted, 0, int(sorted.size()) - 1, 0, fullDepth);
  }

  TEntry& root = FEntries[RootId];
  root.Start = WriteSectors(FMiniStream);
  root.Size = std::uint64_t(FMiniStream.size());

  QByteArray dir;
  for (const TEntry& e : FEntries) {
    QByteArray name(64, '\0');
    for (qsizetype i = 0; i < e.Name.size(); ++i) {
      name[2 * i] = char(e.Name[i].unicode() & 0xFF);
      name[2 * i + 1] = char(e.Name[i].unicode() >> 8);
    }
    dir.append(name);
    PutU16(dir, std::uint16_t((e.Name.size() + 1) * 2));
    dir.append(char(e.Type));
    dir.append(char(e.Red ? 0 : 1));
    PutU32(dir, e.Left);
    PutU32(dir, e.Right);
    PutU32(dir, e.Type == 2 ? kNoStream : e.Child);
    dir.append(e.Clsid.size() == 16 ? e.Clsid : QByteArray(16, '\0'));
    PutU32(dir, 0);  // state bits
    PutU64(dir, 0);  // creation time
    PutU64(dir, 0);  // modification time
    PutU32(dir, e.Start);
    PutU64(dir, e.Size);
  }
  while (dir.size() % kSector) {  // unused entries
    dir.append(QByteArray(68, '\0'));
    PutU32(dir, kNoStream);
    PutU32(dir, kNoStream);
    PutU32(dir, kNoStream);
    dir.append(QByteArray(48, '\0'));
  }
  const std::uint32_t dirStart = WriteSectors(dir);

  const int miniFatSectors = SectorsFor(FMiniFat.size() * 4, kSector);
  const std::uint32_t miniFatStart =
      miniFatSectors ? WriteSectors(TableBytes(FMiniFat, miniFatSectors)) : kEndOfChain;

  // The FAT covers every sector, its own and the DIFAT's included.
  const qsizetype dataSectors = FFat.size();
  int fatSectors = 0, difatSectors = 0;
  for (;;) {
    difatSectors = fatSectors > kHeaderDifat ? (fatSectors - kHeaderDifat + 126) / 127 : 0;
    if (qsizetype(fatSectors) * kEntriesPerSector >= dataSectors + fatSectors + difatSectors) break;
    ++fatSectors;
  }
  const std::uint32_t fatStart = std::uint32_t(dataSectors);
  const std::uint32_t difatStart = fatStart + std::uint32_t(fatSectors);
  for (int i = 0; i < fatSectors; ++i) FFat.append(kFatSect);
  for (int i = 0; i < difatSectors; ++i) FFat.append(kDifSect);
  Write(TableBytes(FFat, fatSectors));

  QByteArray difat;
  for (int d = 0; d < difatSectors; ++d) {
    for (int i = 0; i < 127; ++i) {
      const int fat = kHeaderDifat + d * 127 + i;
      PutU32(difat, fat < fatSectors ? fatStart + std::uint32_t(fat) : kFreeSect);
    }
    PutU32(difat, d + 1 < difatSectors ? difatStart + std::uint32_t(d + 1) : kEndOfChain);
  }
  Write(difat);

  QByteArray h;
  h.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  h.append(QByteArray(16, '\0'));  // header CLSID
  PutU16(h, 0x003E);               // minor version
  PutU16(h, 0x0003);               // major version 3
  PutU16(h, 0xFFFE);               // little-endian
  PutU16(h, 9);                    // 512-byte sectors
  PutU16(h, 6);                    // 64-byte mini sectors
  h.append(QByteArray(6, '\0'));
  PutU32(h, 0);  // directory sectors: always 0 in version 3
  PutU32(h, std::uint32_t(fatSectors));
  PutU32(h, dirStart);
  PutU32(h, 0);  // transaction signature
  PutU32(h, kMiniCutoff);
  PutU32(h, miniFatStart);
  PutU32(h, std::uint32_t(miniFatSectors));
  PutU32(h, difatSectors ? difatStart : kEndOfChain);
  PutU32(h, std::uint32_t(difatSectors));
  for (int i = 0; i < kHeaderDifat; ++i) PutU32(h, i < fatSectors ? fatStart + std::uint32_t(i) : kFreeSect);
  if (!FOut->seek(0))
    throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot write the file: %1").arg(FOut->errorString()));
  Write(h);
  FFinished = true;
}

}  // namespace twkformats
