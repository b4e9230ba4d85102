// The text-based files of a message: plain text, HTML, MHTML web archive and
// RTF, each the header block followed by the body.
#pragma once

#include "twktools/TWKtools.h"

#include <QByteArray>
#include <QString>

namespace twkformats {

// UTF-8 without a byte-order mark, CR LF line ends.
QByteArray TextFile(IRDOMail* mail);
// A UTF-8 HTML document (charset declared) without script; cid: references
// stay as they are.
QString HtmlDocument(IRDOMail* mail);
// multipart/related: the HTML document and every attachment its cid: URLs name.
QByteArray MhtFile(IRDOMail* mail);
// RTF with \uN escapes for everything outside ASCII.
QByteArray RtfFile(IRDOMail* mail);

}  // namespace twkformats
