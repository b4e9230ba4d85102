// Copying and moving stored messages between maildirs.
#pragma once

#include "twktools/maildir/Backend.h"

#include <cstdint>

namespace twkmaildir {

// The destination as a maildir folder; EComError when it is not a mail folder of this component.
MailFolder* DestinationMailFolder(IRDOFolder* folder);

// A new message file in dest with bytes (new unique name keeping the
// delivery time and the flags of sourceFileName), synced; the folder is told.
QString CopyMessageFile(const QByteArray& bytes, const QString& sourceFileName, MailFolder* dest);

// Moves the file into dest's cur/: rename(2) within one file system
// (never replacing a message there), else copy, sync, unlink. Returns the new path.
QString MoveMessageFile(const QString& oldPath, MailFolder* source, MailFolder* dest);

// A message of an archive store (its MIME bytes) copied into folder of
// another kind: a maildir folder gets a file named and timed by the arrival
// (Unix time, > 0) carrying the read flag; a folder that takes bytes
// (TMessageDestination) is handed them.
TwkPtr<IRDOMail> CopyArchivedMessage(IRDOFolder* folder, const QByteArray& bytes, bool unread, std::int64_t arrival);

}  // namespace twkmaildir
