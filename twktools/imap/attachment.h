// The attachments of an IMAP message read from its outline: names, types and
// flags come from the outline; content, sizes and changes from the whole
// message, fetched at the first such question. A change through them marks
// the message changed, for its Save.
#pragma once

#include "twktools/imap/message.h"

namespace twkimap {

TwkPtr<IRDOAttachments> NewOutlineAttachments(TwkPtr<TImapMessage> message, TwkPtr<IRDOAttachments> outline);
// The whole message's attachments, a change through them marking the message changed.
TwkPtr<IRDOAttachments> NewWholeAttachments(TwkPtr<TImapMessage> message, TwkPtr<IRDOAttachments> whole);

}  // namespace twkimap
