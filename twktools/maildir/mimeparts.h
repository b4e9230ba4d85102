// Which MIME leaves of a message are body text and which are attachments.
#pragma once

#include "twktools/maildir/mimewalk.h"

#include <gmime/gmime.h>

namespace twkmaildir {

using TAttachmentPart = TAttachmentPartOf<GMimeObject*>;
using TMimeLayout = TMimeLayoutOf<GMimeObject*>;

// Body: text/plain and text/html of the main body (multipart/alternative,
// the root of multipart/related) and every other text leaf without a file
// name and without "attachment" disposition. Everything else is an
// attachment; parts of multipart/related that the HTML references are
// hidden, so are the signature of multipart/signed and the control part of
// multipart/encrypted. message/rfc822 parts are not descended into.
TMimeLayout AnalyseLayout(GMimeObject* root);

// Whether a leaf of this type, disposition and declared name is body text.
bool IsBodyTextLeaf(const QByteArray& mimeType, bool attachmentDisposition, bool hasDeclaredName);

}  // namespace twkmaildir
