#include "twktools/pst/ids.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace twkpst {

namespace {

// Record layout: magic "TWPF" (folder) or "TWPM" (item), the store key, the
// folder's node (4 bytes), for an item its node (4), the file's size (8)
// and time (8), big-endian.
const QByteArray kFolderMagic = QByteArrayLiteral("TWPF");
const QByteArray kMessageMagic = QByteArrayLiteral("TWPM");
constexpr int kKeySize = 8;

template <class T>
QByteArray BigEndian(T v) {
  char b[sizeof(T)];
  qToBigEndian(v, b);
  return QByteArray(b, sizeof(T));
}

QString Hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

}  // namespace

QByteArray StoreKeyOf(const QString& path) {
  return QCryptographicHash::hash("pst\n" + path.toUtf8(), QCryptographicHash::Sha1).left(kKeySize);
}

QString FolderEntryID(const QByteArray& storeKey, std::uint32_t folder) {
  return Hex(kFolderMagic + storeKey + BigEndian(folder));
}

QString MessageEntryID(const QByteArray& storeKey, std::uint32_t folder, std::uint32_t node, const TStamp& stamp) {
  return Hex(kMessageMagic + storeKey + BigEndian(folder) + BigEndian(node) + BigEndian(std::uint64_t(stamp.Size)) +
             BigEndian(std::uint64_t(stamp.MTimeNs)));
}

std::optional<TPstID> DecodeID(const QString& entryID) {
  if (entryID.isEmpty() || entryID.size() % 2 != 0) return std::nullopt;
  for (QChar c : entryID)
    if (!std::isxdigit(c.unicode() < 128 ? c.unicode() : 'x')) return std::nullopt;
  const QByteArray raw = QByteArray::fromHex(entryID.toLatin1());
  const QByteArray magic = raw.left(4);
  TPstID id;
  constexpr qsizetype kFolderSize = 4 + kKeySize + 4;
  if (magic == kFolderMagic && raw.size() == kFolderSize) {
  } else if (magic == kMessageMagic && raw.size() == kFolderSize + 4 + 16) {
    id.IsMessage = true;
    id.Node = qFromBigEndian<std::uint32_t>(raw.constData() + kFolderSize);
    id.Stamp.Size = std::int64_t(qFromBigEndian<std::uint64_t>(raw.constData() + kFolderSize + 4));
    id.Stamp.MTimeNs = std::int64_t(qFromBigEndian<std::uint64_t>(raw.constData() + kFolderSize + 12));
  } else {
    return std::nullopt;
  }
  id.StoreKey = raw.mid(4, kKeySize);
  id.Folder = qFromBigEndian<std::uint32_t>(raw.constData() + 4 + kKeySize);
  return id;
}

}  // namespace twkpst
