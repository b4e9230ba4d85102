#include "twktools/formats/DateValue.h"

#include <cmath>

namespace twkformats {

QDateTime DateTimeFromValue(TDateTimeValue value) {
  if (value == 0 || !std::isfinite(value)) return QDateTime();
  // The day is the integer part; the time is the fraction's absolute value.
  const double day = std::trunc(value);
  qint64 ms = std::llround(std::fabs(value - day) * 86400000.0);
  qint64 days = qint64(day);
  if (ms >= 86400000) {
    ms -= 86400000;
    days += value < 0 ? -1 : 1;
  }
  const QDate date = QDate(1899, 12, 30).addDays(days);
  return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms)));
}

std::uint64_t FileTimeFromValue(TDateTimeValue value) {
  const QDateTime dt = DateTimeFromValue(value);
  if (!dt.isValid()) return 0;
  const qint64 ms = dt.toMSecsSinceEpoch() + 11644473600000LL;
  return ms < 0 ? 0 : std::uint64_t(ms) * 10000u;
}

}  // namespace twkformats
