#include "db/recordset.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "base/codepage.h"
#include "base/format.h"
#include "base/text.h"
#include "db/recordset_filter.h"

namespace hotfix {
namespace {

struct IntegerRange {
  long long min;
  unsigned long long max;
};

IntegerRange RangeOf(DataTypeEnum type) {
  switch (type) {
    case DataTypeEnum::adTinyInt: return {-128, 127};
    case DataTypeEnum::adUnsignedTinyInt: return {0, 255};
    case DataTypeEnum::adSmallInt: return {-32768, 32767};
    case DataTypeEnum::adUnsignedSmallInt: return {0, 65535};
    case DataTypeEnum::adInteger: return {INT32_MIN, INT32_MAX};
    case DataTypeEnum::adUnsignedInt: return {0, UINT32_MAX};
    case DataTypeEnum::adBigInt: return {INT64_MIN, INT64_MAX};
    default: return {0, UINT64_MAX};
  }
}

[[noreturn]] void ThrowDoesNotFit(const Field& field, const std::string& shown) {
  throw ERecordsetError(Format("El valor «%s» no sirve para el campo «%s» de tipo %s.", shown,
                               field.name, DataTypeName(field.type)));
}

// The number as a Decimal when it is an exact kind; nothing for floating values.
std::optional<Decimal> ExactNumber(const FieldValue& value) {
  switch (value.kind()) {
    case FieldValue::Kind::kInteger: return Decimal::FromInteger(value.AsInteger());
    case FieldValue::Kind::kUnsigned: return Decimal(false, 0, value.AsUnsigned(), 0);
    case FieldValue::Kind::kDecimal: return value.AsDecimal();
    case FieldValue::Kind::kCurrency: {
      const int64_t v = value.AsCurrency().ten_thousandths;
      const Decimal whole = Decimal::FromInteger(v);
      return Decimal(whole.negative(), whole.mantissa_high(), whole.mantissa_low(), 4);
    }
    default: return std::nullopt;
  }
}

bool IsNumberKind(FieldValue::Kind kind) {
  return kind == FieldValue::Kind::kInteger || kind == FieldValue::Kind::kUnsigned ||
         kind == FieldValue::Kind::kFloat || kind == FieldValue::Kind::kDecimal ||
         kind == FieldValue::Kind::kCurrency;
}

double AsDouble(const FieldValue& value) {
  if (value.kind() == FieldValue::Kind::kFloat) return value.AsFloat();
  return ExactNumber(value)->ToDouble();
}

std::optional<Decimal> DecimalFromDouble(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (result.ec != std::errc()) return std::nullopt;
  return Decimal::Parse(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
}

int CompareNumbers(const FieldValue& a, const FieldValue& b) {
  if (a.kind() == FieldValue::Kind::kFloat || b.kind() == FieldValue::Kind::kFloat) {
    const double x = AsDouble(a);
    const double y = AsDouble(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  return Compare(*ExactNumber(a), *ExactNumber(b));
}

// Integer value of a number, when it is one and fits in the range.
std::optional<long long> IntegralSigned(const FieldValue& value) {
  if (value.kind() == FieldValue::Kind::kInteger) return value.AsInteger();
  if (value.kind() == FieldValue::Kind::kUnsigned) {
    if (value.AsUnsigned() > static_cast<uint64_t>(INT64_MAX)) return std::nullopt;
    return static_cast<long long>(value.AsUnsigned());
  }
  std::optional<Decimal> exact = ExactNumber(value);
  if (value.kind() == FieldValue::Kind::kFloat) exact = DecimalFromDouble(value.AsFloat());
  if (!exact) return std::nullopt;
  const std::optional<Decimal> whole = exact->Rescaled(0);
  if (!whole || whole->mantissa_high() != 0) return std::nullopt;
  const uint64_t magnitude = whole->mantissa_low();
  if (whole->negative()) {
    if (magnitude > static_cast<uint64_t>(INT64_MAX) + 1) return std::nullopt;
    return magnitude == static_cast<uint64_t>(INT64_MAX) + 1 ? INT64_MIN
                                                             : -static_cast<long long>(magnitude);
  }
  if (magnitude > static_cast<uint64_t>(INT64_MAX)) return std::nullopt;
  return static_cast<long long>(magnitude);
}

size_t TextLengthInField(const Field& field, const std::string& text) {
  if (IsWideTextType(field.type)) return Utf8ToUtf16Le(text).size() / 2;
  size_t count = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    DecodeUtf8(text, pos);
    ++count;
  }
  return count;
}

std::optional<bool> ParseBooleanText(std::string_view text) {
  const std::string_view t = TrimView(text);
  for (const char* yes : {"True", "Verdadero", "1", "-1", "Sí", "Si", "Yes"}) {
    if (SameText(t, yes)) return true;
  }
  for (const char* no : {"False", "Falso", "0", "No"}) {
    if (SameText(t, no)) return false;
  }
  return std::nullopt;
}

std::optional<std::string> ParseHexBytes(std::string_view text) {
  std::string_view t = TrimView(text);
  if (t.size() >= 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) t.remove_prefix(2);
  if (t.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < t.size(); i += 2) {
    unsigned value = 0;
    const auto result = std::from_chars(t.data() + i, t.data() + i + 2, value, 16);
    if (result.ec != std::errc() || result.ptr != t.data() + i + 2) return std::nullopt;
    out.push_back(static_cast<char>(value));
  }
  return out;
}

}  // namespace

Field MakeField(std::string name, DataTypeEnum type, uint32_t size, bool nullable,
                uint8_t precision, int numeric_scale) {
  Field field;
  field.name = std::move(name);
  field.type = type;
  field.nullable = nullable;
  struct Fixed {
    DataTypeEnum type;
    uint32_t size;
    uint8_t precision;
  };
  static constexpr Fixed kFixed[] = {
      {DataTypeEnum::adTinyInt, 1, 3},         {DataTypeEnum::adUnsignedTinyInt, 1, 3},
      {DataTypeEnum::adSmallInt, 2, 5},        {DataTypeEnum::adUnsignedSmallInt, 2, 5},
      {DataTypeEnum::adInteger, 4, 10},        {DataTypeEnum::adUnsignedInt, 4, 10},
      {DataTypeEnum::adBigInt, 8, 19},         {DataTypeEnum::adUnsignedBigInt, 8, 20},
      {DataTypeEnum::adSingle, 4, 7},          {DataTypeEnum::adDouble, 8, 15},
      {DataTypeEnum::adCurrency, 8, 19},       {DataTypeEnum::adDate, 8, 0},
      {DataTypeEnum::adDBDate, 6, 0},          {DataTypeEnum::adDBTime, 6, 0},
      {DataTypeEnum::adDBTimeStamp, 16, 0},    {DataTypeEnum::adFileTime, 8, 0},
      {DataTypeEnum::adBoolean, 2, 0},         {DataTypeEnum::adGUID, 16, 0},
      {DataTypeEnum::adDecimal, 16, 18},       {DataTypeEnum::adNumeric, 19, 18},
      {DataTypeEnum::adVarNumeric, 19, 18},    {DataTypeEnum::adEmpty, 0, 0},
  };
  for (const Fixed& fixed : kFixed) {
    if (fixed.type == type) {
      field.defined_size = fixed.size;
      field.precision = IsExactNumericType(type) && precision != 0 ? precision : fixed.precision;
      field.numeric_scale = IsExactNumericType(type) ? numeric_scale : 0;
      if (type == DataTypeEnum::adCurrency) field.numeric_scale = 4;
      return field;
    }
  }
  if (size == 0) size = IsLongType(type) ? 2147483647u : (IsFixedLengthType(type) ? 1u : 255u);
  field.defined_size = size;
  return field;
}

FieldValue ConvertForField(const Field& field, const FieldValue& value) {
  using Kind = FieldValue::Kind;
  if (value.IsNull()) {
    if (!field.nullable) {
      throw ERecordsetError(Format("El campo «%s» no admite valores nulos.", field.name));
    }
    return value;
  }
  const DataTypeEnum type = field.type;
  if (IsIntegerType(type)) {
    if (type == DataTypeEnum::adUnsignedBigInt) {
      if (value.kind() == Kind::kUnsigned) return value;
      const std::optional<long long> v = IntegralSigned(value);
      if (!v || *v < 0) ThrowDoesNotFit(field, value.ToText());
      return FieldValue::Unsigned(static_cast<uint64_t>(*v));
    }
    if (value.kind() == Kind::kText) return ParseForField(field, value.AsText());
    const std::optional<long long> v = IntegralSigned(value);
    const IntegerRange range = RangeOf(type);
    if (!v || *v < range.min || (*v > 0 && static_cast<unsigned long long>(*v) > range.max)) {
      ThrowDoesNotFit(field, value.ToText());
    }
    return FieldValue::Integer(*v);
  }
  if (IsFloatType(type)) {
    if (value.kind() == Kind::kText) return ParseForField(field, value.AsText());
    if (!IsNumberKind(value.kind())) ThrowDoesNotFit(field, value.ToText());
    double v = AsDouble(value);
    if (type == DataTypeEnum::adSingle) v = static_cast<double>(static_cast<float>(v));
    return FieldValue::Float(v);
  }
  if (type == DataTypeEnum::adCurrency) {
    if (value.kind() == Kind::kCurrency) return value;
    if (value.kind() == Kind::kText) return ParseForField(field, value.AsText());
    if (!IsNumberKind(value.kind())) ThrowDoesNotFit(field, value.ToText());
    std::optional<Decimal> exact = ExactNumber(value);
    if (value.kind() == Kind::kFloat) exact = DecimalFromDouble(std::round(value.AsFloat() * 1e4) / 1e4);
    const std::optional<Currency> currency =
        exact ? Currency::Parse(exact->ToString()) : std::nullopt;
    if (!currency) ThrowDoesNotFit(field, value.ToText());
    return FieldValue::FromCurrency(*currency);
  }
  if (IsExactNumericType(type)) {
    if (value.kind() == Kind::kText) return ParseForField(field, value.AsText());
    if (!IsNumberKind(value.kind())) ThrowDoesNotFit(field, value.ToText());
    std::optional<Decimal> exact = ExactNumber(value);
    if (value.kind() == Kind::kFloat) exact = DecimalFromDouble(value.AsFloat());
    if (!exact) ThrowDoesNotFit(field, value.ToText());
    if (type == DataTypeEnum::adDecimal &&
        (exact->scale() > 28 || (exact->mantissa_high() >> 32) != 0)) {
      ThrowDoesNotFit(field, value.ToText());
    }
    if (type != DataTypeEnum::adDecimal && exact->scale() > 127) ThrowDoesNotFit(field, value.ToText());
    return FieldValue::FromDecimal(*exact);
  }
  if (type == DataTypeEnum::adBoolean) {
    if (value.kind() == Kind::kBoolean) return value;
    if (value.kind() == Kind::kText) return ParseForField(field, value.AsText());
    if (!IsNumberKind(value.kind())) ThrowDoesNotFit(field, value.ToText());
    return FieldValue::Boolean(CompareNumbers(value, FieldValue::Integer(0)) != 0);
  }
  if (IsDateType(type)) {
    if (value.kind() == Kind::kDateTime) {
      if (!value.AsDateTime().IsValid()) ThrowDoesNotFit(field, value.ToText());
      return value;
    }
    if (value.kind() == Kind::kText) return ParseForField(field, value.AsText());
    if (!IsNumberKind(value.kind())) ThrowDoesNotFit(field, value.ToText());
    const std::optional<Timestamp> date = Timestamp::FromSerial(AsDouble(value));
    if (!date) ThrowDoesNotFit(field, value.ToText());
    return FieldValue::FromTimestamp(*date);
  }
  if (IsTextType(type)) {
    FieldValue text = value.kind() == Kind::kText ? value : FieldValue::Text(value.ToText());
    if (!IsLongType(type) && field.defined_size != 0 &&
        TextLengthInField(field, text.AsText()) > field.defined_size) {
      throw ERecordsetError(Format("El valor «%s» excede el tamaño del campo «%s» (%d caracteres).",
                                   text.AsText(), field.name, field.defined_size));
    }
    return text;
  }
  if (type == DataTypeEnum::adGUID) {
    if (value.kind() == Kind::kGuid) return value;
    if (value.kind() == Kind::kText) return ParseForField(field, value.AsText());
    ThrowDoesNotFit(field, value.ToText());
  }
  if (IsBinaryType(type)) {
    if (value.kind() != Kind::kBytes) ThrowDoesNotFit(field, value.ToText());
    if (!IsLongType(type) && value.AsBytes().size() > field.defined_size) {
      throw ERecordsetError(Format("El valor binario excede el tamaño del campo «%s» (%d bytes).",
                                   field.name, field.defined_size));
    }
    return value;
  }
  // adEmpty fields hold nothing but Null.
  ThrowDoesNotFit(field, value.ToText());
}

FieldValue ParseForField(const Field& field, std::string_view text) {
  const DataTypeEnum type = field.type;
  const std::string shown(text);
  const std::string_view t = TrimView(text);
  if (IsIntegerType(type)) {
    if (type == DataTypeEnum::adUnsignedBigInt) {
      unsigned long long v = 0;
      const auto result = std::from_chars(t.data(), t.data() + t.size(), v);
      if (result.ec != std::errc() || result.ptr != t.data() + t.size()) ThrowDoesNotFit(field, shown);
      return FieldValue::Unsigned(v);
    }
    long long v = 0;
    if (!TryParseInt(t, v)) ThrowDoesNotFit(field, shown);
    return ConvertForField(field, FieldValue::Integer(v));
  }
  if (IsFloatType(type)) {
    double v = 0;
    std::string_view digits = t;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size()) {
      ThrowDoesNotFit(field, shown);
    }
    return ConvertForField(field, FieldValue::Float(v));
  }
  if (type == DataTypeEnum::adCurrency) {
    const std::optional<Currency> v = Currency::Parse(t);
    if (!v) ThrowDoesNotFit(field, shown);
    return FieldValue::FromCurrency(*v);
  }
  if (IsExactNumericType(type)) {
    const std::optional<Decimal> v = Decimal::Parse(t);
    if (!v) ThrowDoesNotFit(field, shown);
    return ConvertForField(field, FieldValue::FromDecimal(*v));
  }
  if (type == DataTypeEnum::adBoolean) {
    const std::optional<bool> v = ParseBooleanText(t);
    if (!v) ThrowDoesNotFit(field, shown);
    return FieldValue::Boolean(*v);
  }
  if (IsDateType(type)) {
    const std::optional<Timestamp> v = Timestamp::Parse(t);
    if (!v) ThrowDoesNotFit(field, shown);
    return FieldValue::FromTimestamp(*v);
  }
  if (IsTextType(type)) return ConvertForField(field, FieldValue::Text(shown));
  if (type == DataTypeEnum::adGUID) {
    const std::optional<GuidBytes> v = ParseGuidText(t);
    if (!v) ThrowDoesNotFit(field, shown);
    return FieldValue::Guid(*v);
  }
  if (IsBinaryType(type)) {
    const std::optional<std::string> v = ParseHexBytes(t);
    if (!v) ThrowDoesNotFit(field, shown);
    return ConvertForField(field, FieldValue::Bytes(*v));
  }
  ThrowDoesNotFit(field, shown);
}

int CompareFieldValues(const FieldValue& a, const FieldValue& b) {
  using Kind = FieldValue::Kind;
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull() ? 0 : (a.IsNull() ? -1 : 1);
  if (IsNumberKind(a.kind()) && IsNumberKind(b.kind())) return CompareNumbers(a, b);
  if (a.kind() != b.kind()) {
    return CompareText(a.ToText(), b.ToText());
  }
  switch (a.kind()) {
    case Kind::kBoolean:
      return static_cast<int>(a.AsBoolean()) - static_cast<int>(b.AsBoolean());
    case Kind::kDateTime: {
      const auto order = a.AsDateTime() <=> b.AsDateTime();
      return order < 0 ? -1 : (order > 0 ? 1 : 0);
    }
    case Kind::kText:
      return CompareText(a.AsText(), b.AsText());
    case Kind::kGuid:
      return std::memcmp(a.AsGuid().data(), b.AsGuid().data(), a.AsGuid().size());
    case Kind::kBytes: {
      const int order = a.AsBytes().compare(b.AsBytes());
      return order < 0 ? -1 : (order > 0 ? 1 : 0);
    }
    default:
      return 0;
  }
}

Recordset::Recordset() = default;

Recordset::Recordset(std::vector<Field> fields) : open_(true), fields_(std::move(fields)) {}

Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::~Recordset() = default;

void Recordset::Close() { *this = Recordset(); }

void Recordset::CheckOpen(const char* operation) const {
  if (!open_) {
    throw ERecordsetError(Format("No se puede %s: el recordset está cerrado.", operation));
  }
}

int Recordset::FieldIndex(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (SameText(fields_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

void Recordset::AddRow(std::vector<FieldValue> values) {
  CheckOpen("agregar un registro");
  if (values.size() != fields_.size()) {
    throw ERecordsetError(Format("El registro tiene %d valores y el recordset tiene %d campos.",
                                 values.size(), fields_.size()));
  }
  for (size_t i = 0; i < values.size(); ++i) values[i] = ConvertForField(fields_[i], values[i]);
  AddLoadedRow(std::move(values));
}

void Recordset::AddLoadedRow(std::vector<FieldValue> values) {
  CheckOpen("agregar un registro");
  values.resize(fields_.size());
  rows_.push_back(std::move(values));
  if (!filter_ || filter_->Matches(rows_.back())) {
    // The new row joins the view at the end until the next sort or filter;
    // a cursor after the last row stays after it.
    const bool was_eof = !view_.empty() && Eof();
    view_.push_back(rows_.size() - 1);
    if (view_.size() == 1) position_ = 0;
    else if (was_eof) position_ = static_cast<long long>(view_.size());
  }
}

bool Recordset::Bof() const { return view_.empty() || position_ < 0; }

bool Recordset::Eof() const {
  return view_.empty() || position_ >= static_cast<long long>(view_.size());
}

void Recordset::MoveFirst() {
  CheckOpen("ir al primer registro");
  position_ = view_.empty() ? -1 : 0;
}

void Recordset::MoveLast() {
  CheckOpen("ir al último registro");
  position_ = static_cast<long long>(view_.size()) - 1;
}

void Recordset::MoveNext() {
  CheckOpen("avanzar al siguiente registro");
  if (Eof()) {
    throw ERecordsetError(
        "No se puede avanzar al siguiente registro: el cursor ya está después del último.");
  }
  ++position_;
}

void Recordset::MovePrevious() {
  CheckOpen("retroceder al registro anterior");
  if (Bof()) {
    throw ERecordsetError(
        "No se puede retroceder al registro anterior: el cursor ya está antes del primero.");
  }
  --position_;
}

size_t Recordset::CurrentRow() const {
  if (Bof() || Eof()) {
    throw ERecordsetError(
        "No hay un registro actual: el cursor está antes del primero o después del último.");
  }
  return view_[static_cast<size_t>(position_)];
}

const FieldValue& Recordset::Value(std::string_view field_name) const {
  CheckOpen("leer un campo");
  const int index = FieldIndex(field_name);
  if (index < 0) {
    throw ERecordsetError(Format("El campo «%s» no existe en el recordset.", field_name));
  }
  return rows_[CurrentRow()][static_cast<size_t>(index)];
}

const FieldValue& Recordset::Value(int field_index) const {
  CheckOpen("leer un campo");
  if (field_index < 0 || static_cast<size_t>(field_index) >= fields_.size()) {
    throw ERecordsetError(Format("El campo número %d no existe en el recordset.", field_index));
  }
  return rows_[CurrentRow()][static_cast<size_t>(field_index)];
}

void Recordset::SetFilter(std::string_view text) {
  CheckOpen("aplicar un filtro");
  std::unique_ptr<FilterExpression> parsed;
  if (!TrimView(text).empty()) parsed = ParseFilter(text, fields_);
  filter_ = std::move(parsed);
  filter_text_ = std::string(text);
  RebuildView();
}

void Recordset::SetSort(std::string_view text) {
  CheckOpen("ordenar");
  std::vector<SortKey> keys;
  for (const std::string& item : Split(text, ',')) {
    std::string_view part = TrimView(item);
    if (part.empty()) {
      if (TrimView(text).empty()) break;
      throw ERecordsetError(Format("El orden «%s» no es válido: falta un nombre de campo.", text));
    }
    SortKey key;
    const size_t blank = part.find_last_of(" \t");
    if (blank != std::string_view::npos) {
      const std::string_view word = part.substr(blank + 1);
      if (SameText(word, "DESC") || SameText(word, "ASC")) {
        key.descending = SameText(word, "DESC");
        part = TrimView(part.substr(0, blank));
      }
    }
    if (part.size() >= 2 && part.front() == '[' && part.back() == ']') {
      part = part.substr(1, part.size() - 2);
    }
    key.field = FieldIndex(part);
    if (key.field < 0) {
      throw ERecordsetError(
          Format("El orden «%s» no es válido: el campo «%s» no existe.", text, part));
    }
    keys.push_back(key);
  }
  sort_keys_ = std::move(keys);
  sort_text_ = std::string(text);
  RebuildView();
}

void Recordset::RebuildView() {
  view_.clear();
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (!filter_ || filter_->Matches(rows_[i])) view_.push_back(i);
  }
  if (!sort_keys_.empty()) {
    std::stable_sort(view_.begin(), view_.end(), [this](size_t a, size_t b) {
      for (const SortKey& key : sort_keys_) {
        const size_t f = static_cast<size_t>(key.field);
        const int order = CompareFieldValues(rows_[a][f], rows_[b][f]);
        if (order != 0) return key.descending ? order > 0 : order < 0;
      }
      return false;
    });
  }
  position_ = view_.empty() ? -1 : 0;
}

}  // namespace hotfix
