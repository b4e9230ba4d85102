// Entry IDs of an mbox store: upper-case hexadecimal text of a small record
// naming the store, the folder and, for a message, the offset of its "From "
// line and the hash of its first bytes, so an ID never opens another message
// after the file was compacted or rewritten.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace twkmbox {

// The eight bytes that name the store: the start of the SHA-1 of its path.
QByteArray StoreKeyOf(const QString& path);

struct TMboxID {
  bool IsMessage = false;
  QByteArray StoreKey;
  QString Folder;  // the folder key; empty: the root
  std::int64_t Offset = 0;
  std::uint32_t Check = 0;
};

QString FolderEntryID(const QByteArray& storeKey, const QString& folder);
QString MessageEntryID(const QByteArray& storeKey, const QString& folder, std::int64_t offset, std::uint32_t check);
// None when the text is not an ID of an mbox store.
std::optional<TMboxID> DecodeID(const QString& entryID);

}  // namespace twkmbox
