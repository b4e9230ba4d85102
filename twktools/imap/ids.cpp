#include "twktools/imap/ids.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace twkimap {

namespace {

// Record layout: magic "TWIF" (folder) or "TWIM" (message), the store key,
// for a message UIDVALIDITY and UID (4 bytes each, big-endian), then the
// mailbox name.
const QByteArray kFolderMagic = QByteArrayLiteral("TWIF");
const QByteArray kMessageMagic = QByteArrayLiteral("TWIM");
constexpr int kKeySize = 8;

QString Hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

QByteArray BigEndian(std::uint32_t v) {
  char b[4];
  qToBigEndian(v, b);
  return QByteArray(b, 4);
}

}  // namespace

QByteArray StoreKeyOf(const twksession::TStoreConfig& config) {
  const QByteArray account = "imap\n" + config.Login.toUtf8() + '\n' + config.Host.toLower().toUtf8() + '\n' +
                             QByteArray::number(config.Port);
  return QCryptographicHash::hash(account, QCryptographicHash::Sha1).left(kKeySize);
}

QString FolderEntryID(const QByteArray& storeKey, const QByteArray& mailbox) {
  return Hex(kFolderMagic + storeKey + mailbox);
}

QString MessageEntryID(const QByteArray& storeKey, const QByteArray& mailbox, std::uint32_t uidValidity,
                       std::uint32_t uid) {
  return Hex(kMessageMagic + storeKey + BigEndian(uidValidity) + BigEndian(uid) + mailbox);
}

std::optional<TImapID> DecodeID(const QString& entryID) {
  if (entryID.isEmpty() || entryID.size() % 2 != 0) return std::nullopt;
  for (QChar c : entryID)
    if (!std::isxdigit(c.unicode() < 128 ? c.unicode() : 'x')) return std::nullopt;
  const QByteArray raw = QByteArray::fromHex(entryID.toLatin1());
  if (raw.size() < 4 + kKeySize) return std::nullopt;
  TImapID id;
  const QByteArray magic = raw.left(4);
  id.StoreKey = raw.mid(4, kKeySize);
  qsizetype at = 4 + kKeySize;
  if (magic == kMessageMagic) {
    if (raw.size() < at + 8 + 1) return std::nullopt;
    id.IsMessage = true;
    id.UidValidity = qFromBigEndian<std::uint32_t>(raw.constData() + at);
    id.Uid = qFromBigEndian<std::uint32_t>(raw.constData() + at + 4);
    at += 8;
    if (id.Uid == 0) return std::nullopt;
  } else if (magic != kFolderMagic) {
    return std::nullopt;
  }
  id.Mailbox = raw.mid(at);
  // A name with a NUL or a line break could smuggle a command to the server.
  if (id.Mailbox.contains('\0') || id.Mailbox.contains('\r') || id.Mailbox.contains('\n')) return std::nullopt;
  return id;
}

}  // namespace twkimap
