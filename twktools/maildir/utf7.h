// Folder names on disk: IMAP modified UTF-7 (RFC 3501, 5.1.3), and the escape
// for characters a layout cannot hold in a name.
#pragma once

#include <QString>

namespace twkmaildir {

// Decodes a modified UTF-7 name; a name that is not valid modified UTF-7 is
// shown as it is on disk.
QString DecodeFolderName(const QString& onDisk);

// Encodes a display name for the disk. Besides what modified UTF-7 always
// encodes, `escape` characters, a leading "." and the names "cur", "new",
// "tmp" (first letter) are written in the base64 form, which every modified
// UTF-7 reader decodes back to the typed name.
QString EncodeFolderName(const QString& name, const QString& escape);

}  // namespace twkmaildir
