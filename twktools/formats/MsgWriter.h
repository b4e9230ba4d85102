// The Outlook item file writer: a message as property streams, recipient,
// attachment and embedded-message storages and the named-property storage
// inside a compound file.
#pragma once

#include "twktools/TWKtools.h"

#include <QIODevice>

namespace twkformats {

// unicode: PT_UNICODE strings and a store-support mask with STORE_UNICODE_OK;
// otherwise PT_STRING8 strings in the ANSI code page (AnsiCodePage()).
// Attachment data goes to the file as each attachment is reached; a big one
// is saved to a hidden file in spillDir first and copied in by pieces, so
// memory stays flat whatever its size. out must be seekable.
void WriteMsgFile(IRDOMail* mail, QIODevice* out, bool unicode, const QString& spillDir);

}  // namespace twkformats
