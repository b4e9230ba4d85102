// Date-time values are doubles: days since 30 December 1899, local time,
// the time of day as the fraction; 0 means no date.
#pragma once

#include <QDateTime>
#include <cstdint>

using TDateTime = double;

struct TDateTimeParts {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, MSec = 0;
};

// Splits a value into proleptic Gregorian parts (milliseconds rounded,
// seconds never rounded up).
TDateTimeParts DecodeDateTime(TDateTime value);
TDateTime EncodeDateTime(const TDateTimeParts& parts);

// Local-time conversions.
TDateTime DateTimeFromQDateTime(const QDateTime& value);
QDateTime QDateTimeFromDateTime(TDateTime value);
TDateTime DateTimeFromUnixTime(std::int64_t secondsSinceEpoch, int msec = 0);
std::int64_t UnixTimeFromDateTime(TDateTime value);
TDateTime Now();
