// The message class of a message, from its MIME structure.
#pragma once

#include "twktools/maildir/mimeparts.h"

#include <QString>

namespace twkmaildir {

// The class when the root's content type alone decides it; empty when the
// structure has to be looked at (multipart bodies, calendars, reports).
QString MessageClassFromRootType(GMimeObject* root);
QString MessageClassFromRootType(GMimeContentType* root);
// The class from the whole structure.
QString MessageClassOf(GMimeObject* root, const TMimeLayout& layout);

}  // namespace twkmaildir
