// The attachments of a message: its MIME leaves that are not body text.
#pragma once

#include "twktools/maildir/message.h"

namespace twkmaildir {

TwkPtr<IRDOAttachments> NewAttachments(TwkPtr<TMessage> message);

}  // namespace twkmaildir
