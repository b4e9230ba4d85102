// The attachments of a message: its MIME leaves that are not body text.
#pragma once

#include "twktools/maildir/message.h"

#include <functional>

namespace twkmaildir {

TwkPtr<IRDOAttachments> NewAttachments(TwkPtr<TMessage> message);

// An attached mail without a declared name is saved under its subject, made
// a valid file name, as ".eml"; a mail without subject leaves the name to
// the caller's default before the extension.
QString EmbeddedMailFileName(const QString& subject);

// Writes object's stream (written by write) to file, buffered; the file is
// not synced (a GMime file stream's flush would). Errors name path.
void WriteGMimeTo(QFile& file, const QString& what, const QString& path, const std::function<gint64(GMimeStream*)>& write);

}  // namespace twkmaildir
