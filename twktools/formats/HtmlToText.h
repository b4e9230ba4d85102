// Plain text from an HTML body, for the text-based files of a message that
// has no plain body.
#pragma once

#include <QString>

namespace twkformats {

// Block elements and <br> become line breaks, list items start with "* ",
// table cells are separated by tabs, white space runs collapse outside <pre>,
// entities are decoded; head, script and style content is dropped. Lines end
// with LF.
QString HtmlToText(const QString& html);

}  // namespace twkformats
