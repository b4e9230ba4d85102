// The attachments of a message: its MIME leaves that are not body text.
#pragma once

#include "twktools/maildir/message.h"

#include <functional>

namespace twkmaildir {

TwkPtr<IRDOAttachments> NewAttachments(TwkPtr<TMessage> message);

// Writes object's stream (written by write) to file, buffered; the file is
// not synced (a GMime file stream's flush would). Errors name path.
void WriteGMimeTo(QFile& file, const QString& what, const QString& path, const std::function<gint64(GMimeStream*)>& write);

}  // namespace twkmaildir
