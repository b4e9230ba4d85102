// The attachments of an Outlook item: files by value (their bytes read from
// the file when asked) and attached items (embedded messages).
#pragma once

#include "twktools/pst/message.h"

namespace twkpst {

// The bytes of an attachment by value; throws EComError naming the file when they cannot be read.
QByteArray AttachmentData(TPstMessage* message, const TAttachmentInfo& info);
// An attached item as a message of its own; none when it cannot be read.
TwkPtr<TPstMessage> AttachedItem(TPstMessage* message, const TAttachmentInfo& info);
// The name an attachment is saved under.
QString AttachmentFileName(TPstMessage* message, const TAttachmentInfo& info);

}  // namespace twkpst
