// Date-time values of the store interface (days since 30 December 1899,
// local time) as the writers need them. The component links no part of the
// system, so it carries this conversion of its own.
#pragma once

#include "twktools/TWKtools.h"

#include <QDateTime>
#include <cstdint>

namespace twkformats {

// Invalid for 0 (no date).
QDateTime DateTimeFromValue(TDateTimeValue value);
// A FILETIME (100 ns since 1601-01-01 UTC); 0 for no date.
std::uint64_t FileTimeFromValue(TDateTimeValue value);

}  // namespace twkformats
