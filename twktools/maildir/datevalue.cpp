#include "twktools/maildir/datevalue.h"

#include <QDateTime>

namespace twkmaildir {

namespace {
constexpr qint64 kJulianDayOf18991230 = 2415019;
constexpr double kMSecsPerDay = 86400000.0;
}  // namespace

TDateTimeValue DateValueFromUnix(std::int64_t seconds, int msec) {
  const QDateTime local = QDateTime::fromMSecsSinceEpoch(seconds * 1000 + msec).toLocalTime();
  const double days = double(local.date().toJulianDay() - kJulianDayOf18991230);
  const double frac = double(local.time().msecsSinceStartOfDay()) / kMSecsPerDay;
  // Before the epoch day the fraction still counts forward in time of day.
  return days < 0 ? days - frac : days + frac;
}

TDateTimeValue DateValueFromGDateTime(GDateTime* value) {
  if (!value) return 0;
  return DateValueFromUnix(g_date_time_to_unix(value), g_date_time_get_microsecond(value) / 1000);
}

}  // namespace twkmaildir
