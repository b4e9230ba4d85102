// Takes everything that can run out of an e-mail's HTML before it is written
// to a file that a browser opens from local disk.
#pragma once

#include <QString>

namespace twkformats {

// Drops script elements (with their content), event-handler attributes
// (on...=), attributes whose value holds a javascript: or vbscript: URL,
// srcdoc documents, refresh redirects and comments; the rest stays as it was.
QString SanitizeHtml(const QString& html);

}  // namespace twkformats
