#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "base/date_time.h"
#include "base/guid.h"
#include "db/decimal.h"

namespace hotfix {

// ADO's DataTypeEnum: the types a recordset field can have.
enum class DataTypeEnum : uint16_t {
  adEmpty = 0,
  adSmallInt = 2,
  adInteger = 3,
  adSingle = 4,
  adDouble = 5,
  adCurrency = 6,
  adDate = 7,
  adBSTR = 8,
  adBoolean = 11,
  adDecimal = 14,
  adTinyInt = 16,
  adUnsignedTinyInt = 17,
  adUnsignedSmallInt = 18,
  adUnsignedInt = 19,
  adBigInt = 20,
  adUnsignedBigInt = 21,
  adFileTime = 64,
  adGUID = 72,
  adBinary = 128,
  adChar = 129,
  adWChar = 130,
  adNumeric = 131,
  adDBDate = 133,
  adDBTime = 134,
  adDBTimeStamp = 135,
  adVarNumeric = 139,
  adVarChar = 200,
  adLongVarChar = 201,
  adVarWChar = 202,
  adLongVarWChar = 203,
  adVarBinary = 204,
  adLongVarBinary = 205,
};

// "adInteger" for adInteger; the number for a value outside the enumeration.
std::string DataTypeName(DataTypeEnum type);
// The type of an ADO name, with or without the "ad" prefix, ignoring case.
std::optional<DataTypeEnum> DataTypeFromName(std::string_view name);

// The families of types, as the recordset compares and converts them.
bool IsIntegerType(DataTypeEnum type);
bool IsFloatType(DataTypeEnum type);        // adSingle, adDouble
bool IsExactNumericType(DataTypeEnum type); // adDecimal, adNumeric, adVarNumeric
bool IsNumericType(DataTypeEnum type);      // any of the three above, or adCurrency
bool IsDateType(DataTypeEnum type);
bool IsTextType(DataTypeEnum type);
bool IsWideTextType(DataTypeEnum type);
bool IsBinaryType(DataTypeEnum type);
// adChar, adWChar, adBinary: every value has the defined size.
bool IsFixedLengthType(DataTypeEnum type);
// adLongVarChar, adLongVarWChar, adLongVarBinary.
bool IsLongType(DataTypeEnum type);

// A calendar date and time with nanoseconds, as the database's timestamps
// hold it. A time without a date lies on 1899-12-30, a date has 00:00:00.
struct Timestamp {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  uint32_t nanosecond = 0;

  friend bool operator==(const Timestamp&, const Timestamp&) = default;
  friend auto operator<=>(const Timestamp&, const Timestamp&) = default;

  bool IsValid() const;
  // Days since 1899-12-30, the time as the fraction (ADO's date).
  double ToSerial() const;
  // Nothing for a serial outside the years 1 to 9999, or not a number.
  static std::optional<Timestamp> FromSerial(double serial);
  static Timestamp FromDateTime(const DateTime& value);
  DateTime ToDateTime() const;  // milliseconds, truncated

  // "yyyy-mm-dd hh:nn:ss" with ".fffffffff" trimmed of trailing zeros when
  // there are nanoseconds, and without the time at midnight.
  std::string ToIsoText() const;
  // "yyyy-mm-dd", "yyyy-mm-dd hh:nn[:ss[.f...]]" (also with a "T"), the
  // system's day/month/year style with the same optional time, or a time
  // alone ("hh:nn[:ss]", on 1899-12-30); nothing otherwise.
  static std::optional<Timestamp> Parse(std::string_view text);
};

// Currency: a count of ten-thousandths, as ADO's currency holds it.
struct Currency {
  int64_t ten_thousandths = 0;
  friend bool operator==(const Currency&, const Currency&) = default;
  std::string ToString() const;  // "-12.3400"
  static std::optional<Currency> Parse(std::string_view text);
};

// Bytes of a binary field, kept apart from text.
struct ByteString {
  std::string bytes;
  friend bool operator==(const ByteString&, const ByteString&) = default;
};

// The value of one field in one row. Text is UTF-8 whatever the field's
// width; a GUID is kept in the order it is written.
class FieldValue {
 public:
  enum class Kind { kNull, kInteger, kUnsigned, kFloat, kDecimal, kCurrency, kBoolean, kDateTime,
                    kText, kGuid, kBytes };

  FieldValue() = default;
  static FieldValue Null() { return FieldValue(); }
  static FieldValue Integer(int64_t value) { return FieldValue(Storage(value)); }
  static FieldValue Unsigned(uint64_t value) { return FieldValue(Storage(value)); }
  static FieldValue Float(double value) { return FieldValue(Storage(value)); }
  static FieldValue FromDecimal(const Decimal& value) { return FieldValue(Storage(value)); }
  static FieldValue FromCurrency(Currency value) { return FieldValue(Storage(value)); }
  static FieldValue Boolean(bool value) { return FieldValue(Storage(value)); }
  static FieldValue FromTimestamp(const Timestamp& value) { return FieldValue(Storage(value)); }
  static FieldValue Text(std::string value) { return FieldValue(Storage(std::move(value))); }
  static FieldValue Guid(const GuidBytes& value) { return FieldValue(Storage(value)); }
  static FieldValue Bytes(std::string value) {
    return FieldValue(Storage(ByteString{std::move(value)}));
  }

  Kind kind() const { return static_cast<Kind>(value_.index()); }
  bool IsNull() const { return kind() == Kind::kNull; }

  int64_t AsInteger() const { return std::get<int64_t>(value_); }
  uint64_t AsUnsigned() const { return std::get<uint64_t>(value_); }
  double AsFloat() const { return std::get<double>(value_); }
  const Decimal& AsDecimal() const { return std::get<Decimal>(value_); }
  Currency AsCurrency() const { return std::get<Currency>(value_); }
  bool AsBoolean() const { return std::get<bool>(value_); }
  const Timestamp& AsDateTime() const { return std::get<Timestamp>(value_); }
  const std::string& AsText() const { return std::get<std::string>(value_); }
  const GuidBytes& AsGuid() const { return std::get<GuidBytes>(value_); }
  const std::string& AsBytes() const { return std::get<ByteString>(value_).bytes; }

  // The value as plain text: numbers with a point, dates as ToIsoText,
  // Booleans "True"/"False", GUIDs braced, bytes in hexadecimal, Null empty.
  std::string ToText() const;

  friend bool operator==(const FieldValue&, const FieldValue&) = default;

 private:
  using Storage = std::variant<std::monostate, int64_t, uint64_t, double, Decimal, Currency, bool,
                               Timestamp, std::string, GuidBytes, ByteString>;
  explicit FieldValue(Storage value) : value_(std::move(value)) {}

  Storage value_;
};

// A GUID written as 32 hexadecimal digits, with or without braces and dashes.
std::optional<GuidBytes> ParseGuidText(std::string_view text);

}  // namespace hotfix
