// Entry IDs and store IDs: upper-case hexadecimal text of a small binary
// record, so a message's entry ID alone names its store, folder and file.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace twkmaildir {

// The eight bytes that name a store: the start of the SHA-1 of its path.
QByteArray StoreKeyOf(const QString& storePath);

struct TDecodedID {
  bool IsMessage = false;
  QByteArray StoreKey;  // 8 bytes
  QString FolderKey;    // on-disk names from the root, joined by "/"; empty: the root
  QString UniqueName;   // messages only
};

QString FolderEntryID(const QByteArray& storeKey, const QString& folderKey);
QString MessageEntryIDOf(const QByteArray& storeKey, const QString& folderKey, const QString& uniqueName);
// Empty when the text is not one of our IDs.
std::optional<TDecodedID> DecodeEntryID(const QString& entryID);
// The store key of a store ID; empty when malformed.
QByteArray DecodeStoreID(const QString& storeID);

}  // namespace twkmaildir
