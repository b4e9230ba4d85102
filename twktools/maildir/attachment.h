// The attachments of a message: its MIME leaves that are not body text.
#pragma once

#include "twktools/maildir/message.h"

namespace twkmaildir {

TwkPtr<IRDOAttachments> NewAttachments(TwkPtr<TMessage> message);

// The decoded text of the first body leaf text/<subtype>; empty when there is none.
QString FirstBodyText(const TMimeLayout& layout, const char* subtype);

}  // namespace twkmaildir
