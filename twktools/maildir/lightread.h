// The light reader: what a read-only walk asks of a message (class, subject,
// addresses, dates, transport headers, attachment names and flags), read
// straight from its bytes: the header block and the MIME structure
// (boundaries, part headers), no body decoded. Values go through GMime's own
// header decoders and the shared layout walk, so they are GMime's answers;
// a message with anything outside the subset handled here (8-bit or NUL
// bytes, odd header lines, repeated headers, broken or ambiguous boundaries,
// reports, calendars, referenced related parts, deep nesting) is not read,
// and the caller parses it with GMime instead.
#pragma once

#include "twktools/maildir/recipient.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace twkmaildir {

struct TLightAttachment {
  bool Embedded = false;  // a message/rfc822 part
  bool Hidden = false;
  QString FileName;
};

struct TLightMessage {
  qsizetype HeadersEnd = 0;  // the start of the blank line that ends the header block
  QString Subject;
  std::vector<TAddress> From;
  std::vector<TAddress> Sender;
  std::vector<TRecipientValue> Recipients;
  TDateTimeValue Date = 0;                  // the Date: header; 0 when none
  std::optional<std::int64_t> NewestReceived;  // Unix time of the newest Received: date
  QString Class;
  std::vector<TLightAttachment> Attachments;
};

// None when the message needs GMime's full parse.
std::optional<TLightMessage> ReadLight(const char* data, qsizetype size);

}  // namespace twkmaildir
