// Entry IDs of an Outlook store: upper-case hexadecimal text of a small
// record naming the store, the folder's node and, for an item, its node and
// the size and time the file had when the ID was given, so that an ID never
// opens another item after the file was changed by another program.
#pragma once

#include "twktools/pst/props.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace twkpst {

// The eight bytes that name the store: the start of the SHA-1 of its path.
QByteArray StoreKeyOf(const QString& path);

struct TPstID {
  bool IsMessage = false;
  QByteArray StoreKey;
  std::uint32_t Folder = 0;  // the folder's node
  std::uint32_t Node = 0;    // an item's node
  TStamp Stamp;              // an item's: the file's when the ID was given
};

QString FolderEntryID(const QByteArray& storeKey, std::uint32_t folder);
QString MessageEntryID(const QByteArray& storeKey, std::uint32_t folder, std::uint32_t node, const TStamp& stamp);
// None when the text is not an ID of an Outlook store.
std::optional<TPstID> DecodeID(const QString& entryID);

}  // namespace twkpst
