#include "twktools/maildir/simplefields.h"

#include <cstring>

namespace twkmaildir {

namespace {

bool IsAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void SkipSpaces(const char*& p) {
  while (*p == ' ') ++p;
}

// The end of the value: its line end, nothing after it.
bool AtEnd(const char* p) { return *p == 0 || (p[0] == '\n' && p[1] == 0) || (p[0] == '\r' && p[1] == '\n' && p[2] == 0); }

// local@domain: dot-separated runs of letters, digits, '_', '+', '-' on the
// left, of letters, digits, '-' on the right (no IDN labels).
bool AddrSpec(const char*& p, QString& out) {
  const char* start = p;
  auto run = [&p](bool local) {
    const char* s = p;
    while (IsAlnum(*p) || *p == '-' || (local && (*p == '_' || *p == '+'))) ++p;
    return p > s;
  };
  do {
    if (!run(true)) return false;
  } while (*p == '.' && (++p, true));
  if (*p != '@') return false;
  ++p;
  do {
    if (std::strncmp(p, "xn--", 4) == 0 || std::strncmp(p, "XN--", 4) == 0) return false;
    if (!run(false)) return false;
  } while (*p == '.' && (++p, true));
  out = QString::fromLatin1(start, p - start);
  return true;
}

// Words of letters and digits, one space apart; or one quoted string of
// printable characters without quotes, backslashes, '=', '?' and without
// leading, trailing or doubled spaces.
bool Phrase(const char*& p, QString& out) {
  const char* start = p;
  if (*p == '"') {
    const char* q = ++p;
    while (*p >= 32 && *p < 127 && *p != '"' && *p != '\\' && *p != '=' && *p != '?') {
      if (*p == ' ' && (p == q || p[1] == ' ' || p[1] == '"')) return false;
      ++p;
    }
    if (*p != '"' || p == q) return false;
    out = QString::fromLatin1(q, p - q);
    ++p;
    return true;
  }
  while (IsAlnum(*p)) {
    while (IsAlnum(*p)) ++p;
    if (*p != ' ' || !IsAlnum(p[1])) break;
    ++p;
  }
  if (p == start) return false;
  out = QString::fromLatin1(start, p - start);
  return true;
}

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return std::int64_t(era) * 146097 + doe - 719468;
}

bool Number(const char*& p, int digits, int& value) {
  value = 0;
  for (int i = 0; i < digits; ++i, ++p) {
    if (!IsDigit(*p)) return false;
    value = value * 10 + (*p - '0');
  }
  return true;
}

}  // namespace

std::optional<std::vector<TAddress>> SimpleAddressList(const char* raw) {
  if (!raw) return std::nullopt;
  std::vector<TAddress> out;
  const char* p = raw;
  for (;;) {
    SkipSpaces(p);
    TAddress a;
    // A bare address runs up to its '@'; anything else starts with a name.
    const char* q = p;
    while (IsAlnum(*q) || *q == '.' || *q == '_' || *q == '+' || *q == '-') ++q;
    if (*p != '"' && *q == '@') {
      if (!AddrSpec(p, a.Address)) return std::nullopt;
      a.Name = a.Address;
    } else {
      if (!Phrase(p, a.Name) || *p != ' ') return std::nullopt;
      SkipSpaces(p);
      if (*p != '<') return std::nullopt;
      ++p;
      if (!AddrSpec(p, a.Address) || *p != '>') return std::nullopt;
      ++p;
    }
    out.push_back(std::move(a));
    SkipSpaces(p);
    if (*p == ',') {
      ++p;
      continue;
    }
    if (!AtEnd(p)) return std::nullopt;
    return out;
  }
}

std::optional<std::int64_t> SimpleDate(const char* text) {
  static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (!text) return std::nullopt;
  const char* p = text;
  SkipSpaces(p);
  for (const char* day : kDays)
    if (std::strncmp(p, day, 3) == 0 && p[3] == ',' && p[4] == ' ') {
      p += 5;
      SkipSpaces(p);
      break;
    }
  int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0, zh = 0, zm = 0;
  // p[1] only when p[0] is no terminator: the text may end right here.
  if (!Number(p, IsDigit(p[0]) && IsDigit(p[1]) ? 2 : 1, day) || *p++ != ' ') return std::nullopt;
  for (int i = 0; i < 12 && !month; ++i)
    if (std::strncmp(p, kMonths[i], 3) == 0 && p[3] == ' ') month = i + 1;
  if (!month) return std::nullopt;
  p += 4;
  if (!Number(p, 4, year) || *p++ != ' ') return std::nullopt;
  if (!Number(p, 2, hour) || *p++ != ':' || !Number(p, 2, minute) || *p++ != ':' || !Number(p, 2, second) ||
      *p++ != ' ')
    return std::nullopt;
  const char sign = *p++;
  if ((sign != '+' && sign != '-') || !Number(p, 2, zh) || !Number(p, 2, zm)) return std::nullopt;
  SkipSpaces(p);
  if (!AtEnd(p)) return std::nullopt;
  if (year < 1971 || year > 2099 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
      second > 59 || zh > 14 || zm > 59)
    return std::nullopt;
  const std::int64_t offset = (zh * 3600 + zm * 60) * (sign == '-' ? -1 : 1);
  return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - offset;
}

}  // namespace twkmaildir
