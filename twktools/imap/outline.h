// The outline of a message for the field walk: its header block as the
// server has it, followed by its MIME structure (BODYSTRUCTURE) written out
// as MIME with every part's headers and no content. The message side reads
// it like any message, so class, addresses, dates and attachment names come
// through the same readers as for a stored file, without the bodies.
#pragma once

#include <QByteArray>

struct mailimap_body;

namespace twkimap {

// Appends the structure below the header block to out. False when the
// outline cannot stand for the message in sorting its attachments (a
// multipart/related, whose hidden parts depend on the HTML text; a
// multipart without its boundary).
bool WriteStructure(const mailimap_body* body, QByteArray& out);

}  // namespace twkimap
