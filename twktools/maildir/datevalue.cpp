#include "twktools/maildir/datevalue.h"

#include "twktools/maildir/simplefields.h"

#include <QDate>
#include <cstring>
#include <gmime/gmime.h>
#include <ctime>

namespace twkmaildir {

namespace {
constexpr qint64 kJulianDayOf18991230 = 2415019;
constexpr double kMSecsPerDay = 86400000.0;
}  // namespace

TDateTimeValue DateValueFromUnix(std::int64_t seconds, int msec) {
  // localtime_r keeps the zone it loaded once, where QDateTime's local time
  // re-reads the zone file for every value.
  const time_t t = time_t(seconds);
  tm local{};
  if (!localtime_r(&t, &local)) return 0;
  const double days =
      double(QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).toJulianDay() - kJulianDayOf18991230);
  const double frac = double((local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 1000 + msec) / kMSecsPerDay;
  // Before the epoch day the fraction still counts forward in time of day.
  return days < 0 ? days - frac : days + frac;
}

TDateTimeValue DateValueFromGDateTime(GDateTime* value) {
  if (!value) return 0;
  return DateValueFromUnix(g_date_time_to_unix(value), g_date_time_get_microsecond(value) / 1000);
}

std::optional<std::int64_t> ReceivedDateOf(const char* rawValue) {
  // The date after the last ';' needs no decoding.
  const char* semicolon = rawValue ? std::strrchr(rawValue, ';') : nullptr;
  if (!semicolon) return std::nullopt;
  if (const auto simple = SimpleDate(semicolon + 1)) return simple;
  GDateTime* date = g_mime_utils_header_decode_date(semicolon + 1);
  if (!date) return std::nullopt;
  const std::int64_t t = g_date_time_to_unix(date);
  g_date_time_unref(date);
  return t;
}

}  // namespace twkmaildir
