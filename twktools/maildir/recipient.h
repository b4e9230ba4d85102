// Recipients and address entries of a message, read from its address
// headers: plain SMTP entries, never resolved against an address book.
#pragma once

#include "twktools/maildir/comobject.h"

#include <gmime/gmime.h>
#include <vector>

namespace twkmaildir {

struct TAddress {
  QString Name;
  QString Address;
};

// The mailboxes of a list in order, groups expanded. A mailbox without a
// display name is named by its address.
std::vector<TAddress> ExpandAddressList(InternetAddressList* list);

TwkPtr<IRDOAddressEntry> NewAddressEntry(const TAddress& address);

struct TRecipientValue {
  TAddress Who;
  int Type = olTo;
};

// To:, Cc:, Bcc: of the message, in this order.
std::vector<TRecipientValue> RecipientsOf(GMimeMessage* message);
TwkPtr<IRDORecipients> NewRecipients(std::vector<TRecipientValue> recipients);

}  // namespace twkmaildir
