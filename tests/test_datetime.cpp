// Date-time doubles: days since 30 December 1899, the time as the fraction.
#include "core/DateTimeUtils.h"

#include <gtest/gtest.h>
#include <limits>

TEST(DateTime, DecodesKnownValues) {
  struct Case {
    double Value;
    TDateTimeParts Want;
  };
  const Case cases[] = {
      {0.0, {1899, 12, 30, 0, 0, 0, 0}},
      {1.5, {1899, 12, 31, 12, 0, 0, 0}},
      {-1.25, {1899, 12, 29, 6, 0, 0, 0}},  // time is the fraction's absolute value
      {36526.0, {2000, 1, 1, 0, 0, 0, 0}},
      {45053.0 + (9 * 3600 + 4 * 60 + 2) / 86400.0, {2023, 5, 7, 9, 4, 2, 0}},
      {45053.0 + (9 * 3600 + 4 * 60 + 2.9994) / 86400.0, {2023, 5, 7, 9, 4, 2, 999}},  // seconds not rounded up
      {45053.0 + 0.99999999999, {2023, 5, 8, 0, 0, 0, 0}},  // rounds to the next midnight, not to 24:00
      // No calendar holds these (a damaged file): no date.
      {1e300, {1899, 12, 30, 0, 0, 0, 0}},
      {-1.42553e+248, {1899, 12, 30, 0, 0, 0, 0}},
      {std::numeric_limits<double>::quiet_NaN(), {1899, 12, 30, 0, 0, 0, 0}},
      {-std::numeric_limits<double>::infinity(), {1899, 12, 30, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const TDateTimeParts p = DecodeDateTime(c.Value);
    EXPECT_EQ(p.Year, c.Want.Year) << c.Value;
    EXPECT_EQ(p.Month, c.Want.Month) << c.Value;
    EXPECT_EQ(p.Day, c.Want.Day) << c.Value;
    EXPECT_EQ(p.Hour, c.Want.Hour) << c.Value;
    EXPECT_EQ(p.Minute, c.Want.Minute) << c.Value;
    EXPECT_EQ(p.Second, c.Want.Second) << c.Value;
    EXPECT_EQ(p.MSec, c.Want.MSec) << c.Value;
  }
}

TEST(DateTime, EncodeIsTheInverseOfDecode) {
  for (double v : {0.0, 1.5, 36526.25, 45053.5, 2.0, -700000.0, 2958465.0}) {
    const TDateTimeParts p = DecodeDateTime(v);
    EXPECT_DOUBLE_EQ(EncodeDateTime(p), v) << v;
  }
}

TEST(DateTime, LocalTimeRoundTrip) {
  const QDateTime t(QDate(2024, 2, 29), QTime(23, 59, 58), Qt::LocalTime);
  const double v = DateTimeFromQDateTime(t);
  EXPECT_EQ(QDateTimeFromDateTime(v), t);
  EXPECT_EQ(UnixTimeFromDateTime(DateTimeFromUnixTime(t.toSecsSinceEpoch())), t.toSecsSinceEpoch());
}
