// The offsets of an mbox file kept between sessions, so a later session
// lists a big folder without reading the whole file again. One cache file
// per mbox file, under $XDG_CACHE_HOME/tarnwick/mbox/ (~/.cache without it),
// named by the hash of the file's canonical path and made for one path, size
// and modification time; used only when all three still hold, else the file
// is scanned again and the cache replaced.
//
// A cache file that is not whole and our own (damaged, truncated, of another
// version or another file) is ignored. Its entries are no more trusted than
// the scan's: a message's first bytes are checked against the entry's hash
// when it is read (TMboxMessage), so a stale offset gives a mail error of
// that message, never another message.
#pragma once

#include "twktools/mbox/scan.h"

#include <QIODevice>
#include <optional>

namespace twkmbox {

// The directory of the cache files.
QString IndexCacheDir();
// The cache file of the mbox file at canonicalPath.
QString IndexCachePath(const QString& canonicalPath);

// The index a cache holds, read in one pass into the entries (nothing more
// is held); none unless the data is a whole cache made for this path, size
// and time, with entries in order inside the file.
std::optional<TMboxIndex> ReadIndexCache(QIODevice& in, const QByteArray& nativePath, std::int64_t size,
                                         std::int64_t mtimeNs);
// Writes the cache of index (made for nativePath) to out.
void WriteIndexCache(QIODevice& out, const QByteArray& nativePath, const TMboxIndex& index);

// The folder's index: from the cache when it was made for the file as it is
// now (size and time as the caller found them), else a new scan, which is
// then kept in the cache. Throws as ScanMboxFile.
TMboxIndex LoadMboxIndex(const QString& path, std::int64_t size, std::int64_t mtimeNs);

}  // namespace twkmbox
