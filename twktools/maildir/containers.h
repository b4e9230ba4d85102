// Files that other leaves of a message carry: the files of a TNEF stream
// (winmail.dat) and the uuencoded blocks of a plain body text. Each becomes
// an attachment of its own; a container that does not read whole stays one
// ordinary attachment with its original bytes.
#pragma once

#include "twktools/maildir/mimeparts.h"
#include "twktools/maildir/mimesupport.h"

namespace twkmaildir {

// Replaces readable containers among the layout's attachments by the files
// they carry, and adds the uuencoded files of its text leaves; the parts
// made for these files are kept alive by `owned`.
void UnpackContainers(TMimeLayout& layout, std::vector<TGPtr<GMimeObject>>& owned);

}  // namespace twkmaildir
