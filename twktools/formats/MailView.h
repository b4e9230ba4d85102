// What the file writers read of a message, through the public interfaces
// only: the header block, the body text, the attachments as listed.
#pragma once

#include "twktools/TWKtools.h"

#include <QList>
#include <QString>

namespace twkformats {

struct TAddress {
  QString Name;
  QString Address;
  int Type = olTo;
};

// "Name <address>", or whichever of the two is present.
QString FormatAddress(const TAddress& a);
QString FormatAddressList(const QList<TAddress>& list);

TAddress SenderOf(IRDOMail* mail);
TAddress SentRepresentingOf(IRDOMail* mail);
TAddress RecipientAddress(IRDORecipient* recipient);
QList<TAddress> RecipientsOf(IRDOMail* mail);

// The name an attachment is listed and saved under: its file name, else its
// display name, else "Untitled Attachment".
QString AttachmentName(IRDOAttachment* attachment);

// One line of the header block: a label ("From") and its text.
struct THeaderLine {
  QString Label;
  QString Value;
};

// From, Sent, To, Cc, Subject, Attachments (visible ones, joined by "; ");
// Sent, Cc and Attachments are left out when empty.
QList<THeaderLine> HeaderBlock(IRDOMail* mail);

// The message's date in the user's locale, long form; empty for no date.
QString FormatMailDate(TDateTimeValue value);

// The plain body, or the HTML body converted to text when there is none.
QString PlainTextOf(IRDOMail* mail);

// CR LF line ends throughout.
QString ToCrLf(const QString& text);

}  // namespace twkformats
