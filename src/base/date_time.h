#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hotfix {

// A local calendar date and time, as the machine's clock reports it.
struct DateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  friend bool operator==(const DateTime&, const DateTime&) = default;

  // Delphi's TDateTime: days since 1899-12-30, the time as the fraction.
  double ToSerial() const;
  static DateTime FromSerial(double serial);

  // The fraction of the day that has passed (0 <= f < 1).
  double DayFraction() const;

  bool IsValid() const;
};

// The fixed Spanish (Argentina) style of the system's files:
// "dd/mm/yyyy hh:nn:ss", or the date alone at midnight.
std::string FormatDateTimeAr(const DateTime& value);
// Reads that style back: "d/m/yyyy" with an optional "h:n[:s]" after a blank.
std::optional<DateTime> ParseDateTimeAr(std::string_view text);

// "yyyy/mm/dd hh:nn:ss:zzz", the stamp of a log line.
std::string FormatLogTimestamp(const DateTime& value);

}  // namespace hotfix
