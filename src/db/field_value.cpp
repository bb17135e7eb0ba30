#include "db/field_value.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/text.h"

namespace hotfix {
namespace {

struct TypeName {
  DataTypeEnum type;
  const char* name;
};

constexpr TypeName kTypeNames[] = {
    {DataTypeEnum::adEmpty, "adEmpty"},
    {DataTypeEnum::adSmallInt, "adSmallInt"},
    {DataTypeEnum::adInteger, "adInteger"},
    {DataTypeEnum::adSingle, "adSingle"},
    {DataTypeEnum::adDouble, "adDouble"},
    {DataTypeEnum::adCurrency, "adCurrency"},
    {DataTypeEnum::adDate, "adDate"},
    {DataTypeEnum::adBSTR, "adBSTR"},
    {DataTypeEnum::adBoolean, "adBoolean"},
    {DataTypeEnum::adDecimal, "adDecimal"},
    {DataTypeEnum::adTinyInt, "adTinyInt"},
    {DataTypeEnum::adUnsignedTinyInt, "adUnsignedTinyInt"},
    {DataTypeEnum::adUnsignedSmallInt, "adUnsignedSmallInt"},
    {DataTypeEnum::adUnsignedInt, "adUnsignedInt"},
    {DataTypeEnum::adBigInt, "adBigInt"},
    {DataTypeEnum::adUnsignedBigInt, "adUnsignedBigInt"},
    {DataTypeEnum::adFileTime, "adFileTime"},
    {DataTypeEnum::adGUID, "adGUID"},
    {DataTypeEnum::adBinary, "adBinary"},
    {DataTypeEnum::adChar, "adChar"},
    {DataTypeEnum::adWChar, "adWChar"},
    {DataTypeEnum::adNumeric, "adNumeric"},
    {DataTypeEnum::adDBDate, "adDBDate"},
    {DataTypeEnum::adDBTime, "adDBTime"},
    {DataTypeEnum::adDBTimeStamp, "adDBTimeStamp"},
    {DataTypeEnum::adVarNumeric, "adVarNumeric"},
    {DataTypeEnum::adVarChar, "adVarChar"},
    {DataTypeEnum::adLongVarChar, "adLongVarChar"},
    {DataTypeEnum::adVarWChar, "adVarWChar"},
    {DataTypeEnum::adLongVarWChar, "adLongVarWChar"},
    {DataTypeEnum::adVarBinary, "adVarBinary"},
    {DataTypeEnum::adLongVarBinary, "adLongVarBinary"},
};

constexpr long long kNanosPerDay = 86400LL * 1000000000LL;

// Days between 0001-01-01 and 1899-12-30, and up to 9999-12-31 inclusive.
constexpr double kFirstSerial = -693593.0;
constexpr double kPastLastSerial = 2958466.0;

bool ReadDigits(std::string_view& text, int& value, size_t min_digits, size_t max_digits) {
  size_t n = 0;
  value = 0;
  while (n < text.size() && n < max_digits && text[n] >= '0' && text[n] <= '9') {
    value = value * 10 + (text[n] - '0');
    ++n;
  }
  text.remove_prefix(n);
  return n >= min_digits;
}

bool Take(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

// "hh:nn[:ss[.fffffffff]]" into the timestamp; the whole text must be used.
bool ParseTimePart(std::string_view t, Timestamp& v) {
  if (!ReadDigits(t, v.hour, 1, 2) || !Take(t, ':') || !ReadDigits(t, v.minute, 2, 2)) return false;
  if (Take(t, ':')) {
    if (!ReadDigits(t, v.second, 2, 2)) return false;
    if (Take(t, '.')) {
      uint32_t nanos = 0;
      size_t digits = 0;
      while (!t.empty() && t.front() >= '0' && t.front() <= '9') {
        if (digits < 9) nanos = nanos * 10 + static_cast<uint32_t>(t.front() - '0');
        ++digits;
        t.remove_prefix(1);
      }
      if (digits == 0) return false;
      for (size_t d = digits; d < 9; ++d) nanos *= 10;
      v.nanosecond = nanos;
    }
  }
  return t.empty();
}

}  // namespace

std::string DataTypeName(DataTypeEnum type) {
  for (const TypeName& entry : kTypeNames) {
    if (entry.type == type) return entry.name;
  }
  return std::to_string(static_cast<int>(type));
}

std::optional<DataTypeEnum> DataTypeFromName(std::string_view name) {
  const std::string_view trimmed = TrimView(name);
  for (const TypeName& entry : kTypeNames) {
    const std::string_view full(entry.name);
    if (SameText(trimmed, full) || SameText(trimmed, full.substr(2))) return entry.type;
  }
  return std::nullopt;
}

bool IsIntegerType(DataTypeEnum type) {
  switch (type) {
    case DataTypeEnum::adSmallInt:
    case DataTypeEnum::adInteger:
    case DataTypeEnum::adTinyInt:
    case DataTypeEnum::adUnsignedTinyInt:
    case DataTypeEnum::adUnsignedSmallInt:
    case DataTypeEnum::adUnsignedInt:
    case DataTypeEnum::adBigInt:
    case DataTypeEnum::adUnsignedBigInt:
      return true;
    default:
      return false;
  }
}

bool IsFloatType(DataTypeEnum type) {
  return type == DataTypeEnum::adSingle || type == DataTypeEnum::adDouble;
}

bool IsExactNumericType(DataTypeEnum type) {
  return type == DataTypeEnum::adDecimal || type == DataTypeEnum::adNumeric ||
         type == DataTypeEnum::adVarNumeric;
}

bool IsNumericType(DataTypeEnum type) {
  return IsIntegerType(type) || IsFloatType(type) || IsExactNumericType(type) ||
         type == DataTypeEnum::adCurrency;
}

bool IsDateType(DataTypeEnum type) {
  return type == DataTypeEnum::adDate || type == DataTypeEnum::adDBDate ||
         type == DataTypeEnum::adDBTime || type == DataTypeEnum::adDBTimeStamp ||
         type == DataTypeEnum::adFileTime;
}

bool IsWideTextType(DataTypeEnum type) {
  return type == DataTypeEnum::adWChar || type == DataTypeEnum::adVarWChar ||
         type == DataTypeEnum::adLongVarWChar || type == DataTypeEnum::adBSTR;
}

bool IsTextType(DataTypeEnum type) {
  return IsWideTextType(type) || type == DataTypeEnum::adChar || type == DataTypeEnum::adVarChar ||
         type == DataTypeEnum::adLongVarChar;
}

bool IsBinaryType(DataTypeEnum type) {
  return type == DataTypeEnum::adBinary || type == DataTypeEnum::adVarBinary ||
         type == DataTypeEnum::adLongVarBinary;
}

bool IsFixedLengthType(DataTypeEnum type) {
  return type == DataTypeEnum::adChar || type == DataTypeEnum::adWChar ||
         type == DataTypeEnum::adBinary;
}

bool IsLongType(DataTypeEnum type) {
  return type == DataTypeEnum::adLongVarChar || type == DataTypeEnum::adLongVarWChar ||
         type == DataTypeEnum::adLongVarBinary;
}

bool Timestamp::IsValid() const {
  DateTime date;
  date.year = year;
  date.month = month;
  date.day = day;
  return date.IsValid() && hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 &&
         second < 60 && nanosecond < 1000000000u;
}

double Timestamp::ToSerial() const {
  DateTime date = ToDateTime();
  date.hour = date.minute = date.second = date.millisecond = 0;
  const double days = date.ToSerial();
  const double fraction =
      ((hour * 3600.0 + minute * 60.0 + second) * 1e9 + nanosecond) / static_cast<double>(kNanosPerDay);
  return days >= 0 ? days + fraction : days - fraction;
}

std::optional<Timestamp> Timestamp::FromSerial(double serial) {
  if (!std::isfinite(serial) || serial <= kFirstSerial - 1 || serial >= kPastLastSerial) {
    return std::nullopt;
  }
  const Timestamp value = FromDateTime(DateTime::FromSerial(serial));
  if (!value.IsValid()) return std::nullopt;
  return value;
}

Timestamp Timestamp::FromDateTime(const DateTime& value) {
  Timestamp out;
  out.year = value.year;
  out.month = value.month;
  out.day = value.day;
  out.hour = value.hour;
  out.minute = value.minute;
  out.second = value.second;
  out.nanosecond = static_cast<uint32_t>(value.millisecond) * 1000000u;
  return out;
}

DateTime Timestamp::ToDateTime() const {
  DateTime out;
  out.year = year;
  out.month = month;
  out.day = day;
  out.hour = hour;
  out.minute = minute;
  out.second = second;
  out.millisecond = static_cast<int>(nanosecond / 1000000u);
  return out;
}

std::string Timestamp::ToIsoText() const {
  char buffer[64];
  if (hour == 0 && minute == 0 && second == 0 && nanosecond == 0) {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
    return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour,
                minute, second);
  std::string out = buffer;
  if (nanosecond != 0) {
    std::snprintf(buffer, sizeof buffer, ".%09u", static_cast<unsigned>(nanosecond));
    std::string fraction = buffer;
    while (fraction.back() == '0') fraction.pop_back();
    out += fraction;
  }
  return out;
}

std::optional<Timestamp> Timestamp::Parse(std::string_view text) {
  std::string_view t = TrimView(text);
  Timestamp v;
  if (t.find(':') != std::string_view::npos && t.find_first_of("-/") == std::string_view::npos) {
    // A time of day alone.
    if (!ParseTimePart(t, v) || !v.IsValid()) return std::nullopt;
    return v;
  }
  v.year = 0;
  std::string_view iso = t;
  if (ReadDigits(iso, v.year, 4, 4) && Take(iso, '-')) {
    if (!ReadDigits(iso, v.month, 1, 2) || !Take(iso, '-') || !ReadDigits(iso, v.day, 1, 2)) {
      return std::nullopt;
    }
    if (!iso.empty()) {
      if (!Take(iso, ' ') && !Take(iso, 'T')) return std::nullopt;
      while (Take(iso, ' ')) {
      }
      if (!ParseTimePart(iso, v)) return std::nullopt;
    }
  } else {
    std::string_view ar = t;
    if (!ReadDigits(ar, v.day, 1, 2) || !Take(ar, '/') || !ReadDigits(ar, v.month, 1, 2) ||
        !Take(ar, '/') || !ReadDigits(ar, v.year, 4, 4)) {
      return std::nullopt;
    }
    if (!ar.empty()) {
      if (!Take(ar, ' ')) return std::nullopt;
      while (Take(ar, ' ')) {
      }
      if (!ParseTimePart(ar, v)) return std::nullopt;
    }
  }
  if (!v.IsValid()) return std::nullopt;
  return v;
}

std::string Currency::ToString() const {
  const bool negative = ten_thousandths < 0;
  const uint64_t magnitude = negative ? static_cast<uint64_t>(-(ten_thousandths + 1)) + 1
                                      : static_cast<uint64_t>(ten_thousandths);
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%s%llu.%04llu", negative ? "-" : "",
                static_cast<unsigned long long>(magnitude / 10000),
                static_cast<unsigned long long>(magnitude % 10000));
  return buffer;
}

std::optional<Currency> Currency::Parse(std::string_view text) {
  const std::optional<Decimal> number = Decimal::Parse(TrimView(text));
  if (!number || number->scale() > 4) return std::nullopt;
  const std::optional<Decimal> scaled = number->Rescaled(4);
  if (!scaled || scaled->mantissa_high() != 0) return std::nullopt;
  const uint64_t magnitude = scaled->mantissa_low();
  if (scaled->negative()) {
    if (magnitude > static_cast<uint64_t>(INT64_MAX) + 1) return std::nullopt;
    return Currency{magnitude == static_cast<uint64_t>(INT64_MAX) + 1
                        ? INT64_MIN
                        : -static_cast<int64_t>(magnitude)};
  }
  if (magnitude > static_cast<uint64_t>(INT64_MAX)) return std::nullopt;
  return Currency{static_cast<int64_t>(magnitude)};
}

std::string FieldValue::ToText() const {
  switch (kind()) {
    case Kind::kNull:
      return "";
    case Kind::kInteger:
      return std::to_string(AsInteger());
    case Kind::kUnsigned:
      return std::to_string(AsUnsigned());
    case Kind::kFloat: {
      char buffer[64];
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, AsFloat());
      return std::string(buffer, result.ptr);
    }
    case Kind::kDecimal:
      return AsDecimal().ToString();
    case Kind::kCurrency:
      return AsCurrency().ToString();
    case Kind::kBoolean:
      return AsBoolean() ? "True" : "False";
    case Kind::kDateTime:
      return AsDateTime().ToIsoText();
    case Kind::kText:
      return AsText();
    case Kind::kGuid:
      return GuidToBracedText(AsGuid());
    case Kind::kBytes: {
      static constexpr char kDigits[] = "0123456789ABCDEF";
      std::string out;
      for (unsigned char byte : AsBytes()) {
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0x0F]);
      }
      return out;
    }
  }
  return "";
}

std::optional<GuidBytes> ParseGuidText(std::string_view text) {
  std::string_view t = TrimView(text);
  if (t.size() >= 2 && t.front() == '{' && t.back() == '}') t = t.substr(1, t.size() - 2);
  std::string digits;
  for (char c : t) {
    if (c == '-') continue;
    digits.push_back(c);
  }
  if (digits.size() != 32) return std::nullopt;
  GuidBytes guid{};
  for (size_t i = 0; i < 16; ++i) {
    unsigned value = 0;
    const auto result = std::from_chars(digits.data() + 2 * i, digits.data() + 2 * i + 2, value, 16);
    if (result.ec != std::errc() || result.ptr != digits.data() + 2 * i + 2) return std::nullopt;
    guid[i] = static_cast<uint8_t>(value);
  }
  return guid;
}

}  // namespace hotfix
