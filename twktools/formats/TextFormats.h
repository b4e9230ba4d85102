// The text-based files of a message: plain text, HTML, MHTML web archive and
// RTF, each the header block followed by the body.
#pragma once

#include "twktools/TWKtools.h"

#include <gmime/gmime.h>

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
// A leaf part of the type holding data in the transfer encoding (a new reference).
GMimePart* BytesPart(const char* type, const char* subtype, const QByteArray& data, GMimeContentEncoding encoding);
// RTF with \uN escapes for everything outside ASCII.
QByteArray RtfFile(IRDOMail* mail);

}  // namespace twkformats
