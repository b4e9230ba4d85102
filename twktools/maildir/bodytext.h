// The body a mail reader shows for a message: the main body (of
// alternatives, the one that suits the form asked for) and, after it in
// their order, every other inline text leaf, so no text of the message is
// lost from its body.
#pragma once

#include "twktools/maildir/mimeparts.h"

#include <QString>

namespace twkmaildir {

// The plain body: text leaves as they are, HTML leaves as text; empty when
// the message has no text leaf but HTML (the HTML body serves then); the
// text of a TNEF stream when it has no body leaf at all.
QString ComposedPlainBody(GMimeObject* root, const TMimeLayout& layout);

// The HTML body: HTML leaves as they are, text leaves as preformatted
// escaped text after the HTML before it; empty when there is no HTML leaf.
QString ComposedHtmlBody(GMimeObject* root, const TMimeLayout& layout);

// A body leaf's text, converted from its charset (without the uuencoded
// files it carried).
QString BodyLeafText(GMimeObject* part, const TMimeLayout& layout);

}  // namespace twkmaildir
