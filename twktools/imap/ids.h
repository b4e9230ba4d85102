// Entry IDs of an IMAP store: upper-case hexadecimal text of a small record
// naming the store, the mailbox and, for a message, UIDVALIDITY and UID, so
// an ID stays valid across sessions and never names another message after
// the server renumbered the mailbox.
#pragma once

#include "twktools/session/Profile.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace twkimap {

// The eight bytes that name the store: the start of the SHA-1 of its account.
QByteArray StoreKeyOf(const twksession::TStoreConfig& config);

struct TImapID {
  bool IsMessage = false;
  QByteArray StoreKey;
  QByteArray Mailbox;  // the server's name; empty: the root
  std::uint32_t UidValidity = 0;
  std::uint32_t Uid = 0;
};

QString FolderEntryID(const QByteArray& storeKey, const QByteArray& mailbox);
QString MessageEntryID(const QByteArray& storeKey, const QByteArray& mailbox, std::uint32_t uidValidity,
                       std::uint32_t uid);
// None when the text is not an ID of an IMAP store.
std::optional<TImapID> DecodeID(const QString& entryID);

}  // namespace twkimap
