#include "core/DateTimeUtils.h"

#include <cmath>

namespace {

constexpr std::int64_t kMSecsPerDay = 86400000;

// Days from 1899-12-30 for a proleptic Gregorian date (civil-from-days inverse).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t unixDays = era * 146097 + std::int64_t(doe) - 719468;
  return unixDays + 25569;  // 1970-01-01 is day 25569
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  std::int64_t z = days - 25569 + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = std::int64_t(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = int(doy - (153 * mp + 2) / 5 + 1);
  month = int(mp < 10 ? mp + 3 : mp - 9);
  year = int(y + (month <= 2));
}

}  // namespace

TDateTimeParts DecodeDateTime(TDateTime value) {
  TDateTimeParts p;
  // A value no calendar holds (NaN, infinite, millions of years: a damaged
  // job file) is no date; converting it to a day count would be undefined.
  if (!std::isfinite(value) || std::fabs(value) >= 1e9) value = 0;
  // The day is the integer part; the time is the fraction's absolute value,
  // also for dates before 1899-12-30.
  double dayPart = std::trunc(value);
  std::int64_t ms = std::llround(std::fabs(value - dayPart) * double(kMSecsPerDay));
  std::int64_t days = std::int64_t(dayPart);
  if (ms >= kMSecsPerDay) {
    ms -= kMSecsPerDay;
    days += value < 0 ? -1 : 1;
  }
  CivilFromDays(days, p.Year, p.Month, p.Day);
  p.Hour = int(ms / 3600000);
  p.Minute = int(ms / 60000 % 60);
  p.Second = int(ms / 1000 % 60);
  p.MSec = int(ms % 1000);
  return p;
}

TDateTime EncodeDateTime(const TDateTimeParts& p) {
  const double days = double(DaysFromCivil(p.Year, unsigned(p.Month), unsigned(p.Day)));
  const double frac =
      double(((p.Hour * 60 + p.Minute) * 60 + p.Second) * 1000 + p.MSec) / double(kMSecsPerDay);
  return days < 0 ? days - frac : days + frac;
}

TDateTime DateTimeFromQDateTime(const QDateTime& value) {
  if (!value.isValid()) return 0;
  const QDateTime local = value.toLocalTime();
  const QDate d = local.date();
  const QTime t = local.time();
  return EncodeDateTime({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()});
}

QDateTime QDateTimeFromDateTime(TDateTime value) {
  const TDateTimeParts p = DecodeDateTime(value);
  return QDateTime(QDate(p.Year, p.Month, p.Day), QTime(p.Hour, p.Minute, p.Second, p.MSec),
                   Qt::LocalTime);
}

TDateTime DateTimeFromUnixTime(std::int64_t secondsSinceEpoch, int msec) {
  return DateTimeFromQDateTime(
      QDateTime::fromMSecsSinceEpoch(secondsSinceEpoch * 1000 + msec, Qt::LocalTime));
}

std::int64_t UnixTimeFromDateTime(TDateTime value) {
  return QDateTimeFromDateTime(value).toSecsSinceEpoch();
}

TDateTime Now() { return DateTimeFromQDateTime(QDateTime::currentDateTime()); }
