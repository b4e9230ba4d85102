#include "twktools/maildir/ids.h"

#include <QCryptographicHash>
#include <QStringList>
#include <cctype>

namespace twkmaildir {

namespace {

// Record layout: magic "TWF1" (folder) or "TWM1" (message), the store key,
// the folder key in UTF-8, and for a message a NUL and the unique name.
const QByteArray kFolderMagic = QByteArrayLiteral("TWF1");
const QByteArray kMessageMagic = QByteArrayLiteral("TWM1");
constexpr int kKeySize = 8;

QString Hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

std::optional<QByteArray> Unhex(const QString& text) {
  if (text.isEmpty() || text.size() % 2 != 0) return std::nullopt;
  for (QChar c : text)
    if (!isxdigit(c.unicode() < 128 ? c.unicode() : 'x')) return std::nullopt;
  return QByteArray::fromHex(text.toLatin1());
}

bool ValidUtf8(const QByteArray& bytes, QString& out) {
  out = QString::fromUtf8(bytes);
  return out.toUtf8() == bytes;
}

}  // namespace

QByteArray StoreKeyOf(const QString& storePath) {
  return QCryptographicHash::hash(storePath.toUtf8(), QCryptographicHash::Sha1).left(kKeySize);
}

QString FolderEntryID(const QByteArray& storeKey, const QString& folderKey) {
  return Hex(kFolderMagic + storeKey + folderKey.toUtf8());
}

QString MessageEntryIDOf(const QByteArray& storeKey, const QString& folderKey, const QString& uniqueName) {
  return Hex(kMessageMagic + storeKey + folderKey.toUtf8() + '\0' + uniqueName.toUtf8());
}

std::optional<TDecodedID> DecodeEntryID(const QString& entryID) {
  const auto raw = Unhex(entryID);
  if (!raw || raw->size() < 4 + kKeySize) return std::nullopt;
  TDecodedID id;
  const QByteArray magic = raw->left(4);
  if (magic == kMessageMagic)
    id.IsMessage = true;
  else if (magic != kFolderMagic)
    return std::nullopt;
  id.StoreKey = raw->mid(4, kKeySize);
  QByteArray rest = raw->mid(4 + kKeySize);
  if (id.IsMessage) {
    const qsizetype nul = rest.indexOf('\0');
    if (nul < 0 || !ValidUtf8(rest.mid(nul + 1), id.UniqueName) || id.UniqueName.isEmpty()) return std::nullopt;
    rest = rest.left(nul);
  }
  if (rest.contains('\0') || !ValidUtf8(rest, id.FolderKey)) return std::nullopt;
  // A key never climbs out of its store.
  for (const QString& part : id.FolderKey.split(QLatin1Char('/')))
    if (part == QStringLiteral("..") || part == QStringLiteral(".") || (part.isEmpty() && !id.FolderKey.isEmpty()))
      return std::nullopt;
  if (id.UniqueName.contains(QLatin1Char('/'))) return std::nullopt;
  return id;
}

QByteArray DecodeStoreID(const QString& storeID) {
  const auto raw = Unhex(storeID);
  if (!raw || raw->size() != kKeySize) return {};
  return *raw;
}

}  // namespace twkmaildir
