// A plain-text message written in the desktop's compose window: the fields
// the window edits, the forward and reply that fill them from an e-mail, and
// the RFC 5322 bytes that go to sendmail.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

class IRDOMail;

struct TComposedAttachment {
  QString FileName;
  QString MimeType;  // application/octet-stream when empty
  QByteArray Data;
};

struct TComposedMail {
  QString From;  // "Name <address>" or an address; no header when empty
  QString To;    // comma-separated addresses as typed
  QString Cc;
  QString Subject;
  QString Body;  // plain text
  QList<TComposedAttachment> Attachments;
};

// A forward of mail: "FW: " subject, the original's text quoted below a
// header block, every attachment of the original (links included) by value.
TComposedMail ForwardOf(IRDOMail* mail);
// A reply to mail's sender: "RE: " subject, the text quoted, no attachments.
TComposedMail ReplyTo(IRDOMail* mail);

// The message as MIME: text/plain in UTF-8, multipart/mixed with the
// attachments when there are any; non-ASCII header words and file names
// encoded (RFC 2047, RFC 2231); CR LF line ends are not used (LF, as
// sendmail expects on its input).
QByteArray ComposeMime(const TComposedMail& mail, const QDateTime& date, const QByteArray& messageIdDomain);
