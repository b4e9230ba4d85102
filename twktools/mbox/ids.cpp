#include "twktools/mbox/ids.h"

#include <QCryptographicHash>
#include <QStringList>
#include <QtEndian>

namespace twkmbox {

namespace {

// Record layout: magic "TWXF" (folder) or "TWXM" (message), the store key,
// for a message the offset (8 bytes) and the check (4 bytes), big-endian,
// then the folder key in UTF-8.
const QByteArray kFolderMagic = QByteArrayLiteral("TWXF");
const QByteArray kMessageMagic = QByteArrayLiteral("TWXM");
constexpr int kKeySize = 8;

QString Hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

template <class T>
QByteArray BigEndian(T v) {
  char b[sizeof(T)];
  qToBigEndian(v, b);
  return QByteArray(b, sizeof(T));
}

}  // namespace

QByteArray StoreKeyOf(const QString& path) {
  return QCryptographicHash::hash("mbox\n" + path.toUtf8(), QCryptographicHash::Sha1).left(kKeySize);
}

QString FolderEntryID(const QByteArray& storeKey, const QString& folder) {
  return Hex(kFolderMagic + storeKey + folder.toUtf8());
}

QString MessageEntryID(const QByteArray& storeKey, const QString& folder, std::int64_t offset, std::uint32_t check) {
  return Hex(kMessageMagic + storeKey + BigEndian(std::uint64_t(offset)) + BigEndian(check) + folder.toUtf8());
}

std::optional<TMboxID> DecodeID(const QString& entryID) {
  if (entryID.isEmpty() || entryID.size() % 2 != 0) return std::nullopt;
  for (QChar c : entryID)
    if (!std::isxdigit(c.unicode() < 128 ? c.unicode() : 'x')) return std::nullopt;
  const QByteArray raw = QByteArray::fromHex(entryID.toLatin1());
  if (raw.size() < 4 + kKeySize) return std::nullopt;
  TMboxID id;
  const QByteArray magic = raw.left(4);
  id.StoreKey = raw.mid(4, kKeySize);
  qsizetype at = 4 + kKeySize;
  if (magic == kMessageMagic) {
    if (raw.size() < at + 12) return std::nullopt;
    id.IsMessage = true;
    id.Offset = std::int64_t(qFromBigEndian<std::uint64_t>(raw.constData() + at));
    id.Check = qFromBigEndian<std::uint32_t>(raw.constData() + at + 8);
    at += 12;
    if (id.Offset < 0) return std::nullopt;
  } else if (magic != kFolderMagic) {
    return std::nullopt;
  }
  id.Folder = QString::fromUtf8(raw.mid(at));
  // A key is a relative path inside the store: never one that climbs out of it.
  if (id.Folder.startsWith(QLatin1Char('/')) || id.Folder.contains(QChar(0)) ||
      id.Folder.split(QLatin1Char('/')).contains(QStringLiteral("..")))
    return std::nullopt;
  return id;
}

}  // namespace twkmbox
