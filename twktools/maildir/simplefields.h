// The plain forms of address lists and dates, which most messages use, read
// without GMime's general parsers (each of which builds objects). Anything
// beyond the plain form is declined and goes to GMime; on the plain form
// the answer is GMime's (checked against it by the tests).
#pragma once

#include "twktools/maildir/recipient.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace twkmaildir {

// A list of `local@domain` and `Name <local@domain>` entries (the name plain
// words or one simple quoted string), each mailbox as ExpandAddressList
// gives it; none when the list is anything else.
std::optional<std::vector<TAddress>> SimpleAddressList(const char* raw);

// "[Ddd, ]D Mon YYYY HH:MM:SS +ZZZZ" as Unix time; none for anything else.
std::optional<std::int64_t> SimpleDate(const char* text);

}  // namespace twkmaildir
