// Date-time values of the component: days since 30 December 1899, local
// time, as doubles (0 = no date). The component links no part of the system,
// so it carries this small conversion of its own.
#pragma once

#include "twktools/TWKtools.h"

#include <glib.h>
#include <cstdint>
#include <optional>

namespace twkmaildir {

TDateTimeValue DateValueFromUnix(std::int64_t seconds, int msec = 0);
// 0 for a null date.
TDateTimeValue DateValueFromGDateTime(GDateTime* value);
// The date of a Received: header's raw value (after its last ';'), as Unix time.
std::optional<std::int64_t> ReceivedDateOf(const char* rawValue);

}  // namespace twkmaildir
