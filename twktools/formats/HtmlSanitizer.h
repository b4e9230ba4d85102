// Takes everything that can run or load a page out of an e-mail's HTML
// before it is written to a file that a browser opens from local disk.
#pragma once

#include <QString>

namespace twkformats {

// The policy every written HTML document declares first in its head: no
// script, no objects, no frames, no form submission, no base URL; images
// (also remote ones, so the saved e-mail looks like the e-mail) and inline
// styles stay.
extern const QLatin1String kContentSecurityPolicy;
// The meta element that declares it.
QString ContentSecurityPolicyMeta();

// The HTML written anew from its tokens: only the markup written here
// reaches the file, text and attribute values escaped, so a browser reads
// the same elements and attributes that were checked. Dropped: script and
// iframe elements with their content; frame, frameset, object, embed,
// applet, param, base, link, portal, plaintext, the SVG animation elements
// and meta elements with http-equiv (refresh and the like) without theirs;
// event-handler (on...), srcdoc, action and formaction attributes, attribute
// values with a script URL (javascript:, vbscript:, data: other than an
// image, CSS expression()), external references of SVG use; comments,
// doctypes, CDATA and processing instructions. Style sheets keep their text
// without "<".
QString SanitizeHtml(const QString& html);

}  // namespace twkformats
