#include "base/date_time.h"

#include <cmath>
#include <cstdio>

#include "base/text.h"

namespace hotfix {
namespace {

// Days from 0000-03-01 based civil calendar (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

const long long kDelphiEpoch = DaysFromCivil(1899, 12, 30);

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2) {
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return leap ? 29 : 28;
  }
  return kDays[month - 1];
}

bool ReadNumber(std::string_view& text, int& value, size_t max_digits) {
  size_t n = 0;
  value = 0;
  while (n < text.size() && n < max_digits && text[n] >= '0' && text[n] <= '9') {
    value = value * 10 + (text[n] - '0');
    ++n;
  }
  text.remove_prefix(n);
  return n > 0;
}

bool Expect(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

}  // namespace

double DateTime::ToSerial() const {
  const double days = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month),
                                                        static_cast<unsigned>(day)) -
                                          kDelphiEpoch);
  const double fraction = DayFraction();
  // Before the epoch Delphi keeps the time part positive after the sign.
  return days >= 0 ? days + fraction : days - fraction;
}

DateTime DateTime::FromSerial(double serial) {
  DateTime out;
  const double whole = std::trunc(serial);
  double fraction = std::fabs(serial - whole);
  long long ms = std::llround(fraction * 86400000.0);
  long long days = static_cast<long long>(whole);
  if (ms >= 86400000) {
    ms -= 86400000;
    days += serial >= 0 ? 1 : -1;
  }
  CivilFromDays(days + kDelphiEpoch, out.year, out.month, out.day);
  out.hour = static_cast<int>(ms / 3600000);
  out.minute = static_cast<int>(ms / 60000 % 60);
  out.second = static_cast<int>(ms / 1000 % 60);
  out.millisecond = static_cast<int>(ms % 1000);
  return out;
}

double DateTime::DayFraction() const {
  return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / 86400000.0;
}

bool DateTime::IsValid() const {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month) && hour >= 0 && hour < 24 && minute >= 0 &&
         minute < 60 && second >= 0 && second < 60 && millisecond >= 0 && millisecond < 1000;
}

std::string FormatDateTimeAr(const DateTime& v) {
  char buffer[40];
  if (v.hour == 0 && v.minute == 0 && v.second == 0 && v.millisecond == 0) {
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", v.day, v.month, v.year);
  } else {
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d", v.day, v.month, v.year,
                  v.hour, v.minute, v.second);
  }
  return buffer;
}

std::optional<DateTime> ParseDateTimeAr(std::string_view text) {
  std::string_view t = TrimView(text);
  DateTime v;
  if (!ReadNumber(t, v.day, 2) || !Expect(t, '/') || !ReadNumber(t, v.month, 2) ||
      !Expect(t, '/') || !ReadNumber(t, v.year, 4)) {
    return std::nullopt;
  }
  if (!t.empty()) {
    if (!Expect(t, ' ')) return std::nullopt;
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    if (!ReadNumber(t, v.hour, 2) || !Expect(t, ':') || !ReadNumber(t, v.minute, 2)) {
      return std::nullopt;
    }
    if (!t.empty() && (!Expect(t, ':') || !ReadNumber(t, v.second, 2))) return std::nullopt;
    if (!t.empty()) return std::nullopt;
  }
  if (!v.IsValid()) return std::nullopt;
  return v;
}

std::string FormatLogTimestamp(const DateTime& v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %02d:%02d:%02d:%03d", v.year, v.month,
                v.day, v.hour, v.minute, v.second, v.millisecond);
  return buffer;
}

}  // namespace hotfix
