#include "db/adtg_reader.h"

#include <algorithm>
#include <cstring>

#include "base/codepage.h"
#include "base/format.h"
#include "base/text_file.h"
#include "db/adtg_format.h"

namespace hotfix {
namespace {

using namespace adtg;

// How a column's values are laid out in a row.
enum class Layout {
  kNone,        // no bytes: the value is always Null
  kFixed,       // a fixed number of bytes (size)
  kFixedChars,  // text or bytes filling the column's maximum length
  kVariable,    // a one- or four-byte length, then the bytes
};

enum class Encoding { kNumber, kAnsiText, kWideText, kBytes };

struct Column {
  uint16_t ordinal = 0;
  std::string name;
  uint16_t db_type = 0;
  uint32_t max_length = 0;
  uint32_t precision = 0;
  int32_t scale = 0;
  uint32_t flags = 0;
  bool visible = true;

  bool nullable = false;
  Layout layout = Layout::kNone;
  Encoding encoding = Encoding::kNumber;
  size_t size = 0;        // bytes of a kFixed or kFixedChars value
  bool long_prefix = false;
  DataTypeEnum type = DataTypeEnum::adEmpty;
};

class AdtgParser {
 public:
  AdtgParser(std::string_view data, std::string_view source) : data_(data), source_(source) {}

  Recordset Parse() {
    ReadHeader();
    SkipHandlerOptions();
    ReadResultDescriptor();
    ReadMetaElements();
    PrepareColumns();
    ReadRows();
    return BuildRecordset();
  }

 private:
  [[noreturn]] void Fail(const std::string& detail) const { FailAt(detail, pos_); }

  [[noreturn]] void FailAt(const std::string& detail, size_t offset) const {
    throw EPersistedRecordsetError(Format("El archivo de recordset «%s» no es válido: %s (byte %d).",
                                          source_, detail, static_cast<long long>(offset)));
  }

  [[noreturn]] void Unsupported(const std::string& detail) const {
    throw EPersistedRecordsetError(
        Format("El archivo de recordset «%s» no se puede leer: %s.", source_, detail));
  }

  void Need(size_t count) const {
    if (count > data_.size() - pos_) Fail("el archivo termina antes de tiempo");
  }

  uint8_t U8() {
    Need(1);
    return static_cast<uint8_t>(data_[pos_++]);
  }
  uint16_t U16() {
    Need(2);
    const uint16_t v = static_cast<uint16_t>(Byte(0) | (Byte(1) << 8));
    pos_ += 2;
    return v;
  }
  uint32_t U32() {
    Need(4);
    const uint32_t v = static_cast<uint32_t>(Byte(0)) | (static_cast<uint32_t>(Byte(1)) << 8) |
                       (static_cast<uint32_t>(Byte(2)) << 16) |
                       (static_cast<uint32_t>(Byte(3)) << 24);
    pos_ += 4;
    return v;
  }
  uint64_t U64() {
    const uint64_t low = U32();
    const uint64_t high = U32();
    return low | (high << 32);
  }
  std::string_view Take(size_t count) {
    Need(count);
    const std::string_view bytes = data_.substr(pos_, count);
    pos_ += count;
    return bytes;
  }
  unsigned Byte(size_t offset) const { return static_cast<unsigned char>(data_[pos_ + offset]); }

  // A length-prefixed string: a count of UTF-16 characters, then the characters.
  std::string LengthPrefixedString() {
    const uint16_t chars = U16();
    return Utf16LeToUtf8(Take(static_cast<size_t>(chars) * 2));
  }

  // An element that starts with a two-byte size: the offset just past it.
  size_t SizedElementEnd() {
    const uint16_t size = U16();
    Need(size);
    return pos_ + size;
  }

  void ReadHeader() {
    if (data_.empty()) Fail("el archivo está vacío");
    if (U8() != kTokenHeader) {
      FailAt("no empieza como un recordset guardado en formato binario de ADO", 0);
    }
    const uint8_t size = U8();
    if (size < kHeaderSize) Fail("el encabezado es demasiado corto");
    const size_t end = pos_ + size;
    Need(size);
    if (Take(3) != std::string_view(kSignature, 3)) {
      FailAt("falta la firma «TG!» del formato binario de ADO", 2);
    }
    pos_ += 2;  // version
    const uint8_t byte_order = U8();
    if (byte_order != 0) Unsupported("el orden de bytes big-endian no se admite");
    unicode_text_ = U8() != 0;
    pos_ = end;
  }

  void SkipHandlerOptions() {
    const size_t at = pos_;
    if (U8() != kTokenHandlerOptions) FailAt("faltan las opciones del manejador", at);
    pos_ = SizedElementEnd();
  }

  void ReadResultDescriptor() {
    const size_t at = pos_;
    const uint8_t token = U8();
    if (token != kTokenResultDescriptor) FailAt("falta la descripción del resultado", at);
    const size_t end = SizedElementEnd();
    if (end - pos_ < kResultDescriptorFixedSize) Fail("la descripción del resultado es demasiado corta");
    pos_ += 16 + 1 + 1;  // identifier, reserved, cursor model
    if (U8() != 0) Unsupported("las filas normalizadas no se admiten");
    U16();  // visible columns: the column descriptors say which
    total_columns_ = U16();
    pos_ = end;
  }

  void ReadMetaElements() {
    for (;;) {
      const size_t at = pos_;
      const uint8_t token = U8();
      switch (token) {
        case kTokenResultContext:
        case kTokenTableDescriptor:
          pos_ = SizedElementEnd();
          break;
        case kTokenColumnDescriptor:
          ReadColumnDescriptor(at);
          break;
        case kTokenResultDescriptor:
          Unsupported("los recordsets jerárquicos (con recordsets hijos) no se admiten");
        default:
          pos_ = at;
          return;
      }
    }
  }

  void ReadColumnDescriptor(size_t at) {
    const size_t end = SizedElementEnd();
    Column column;
    const uint32_t presence_high = U8();
    const uint32_t presence_middle = U8();
    const uint32_t presence = (presence_high << 16) | (presence_middle << 8) | U8();
    column.ordinal = U16();
    if (presence & kHasFriendlyName) column.name = LengthPrefixedString();
    if (presence & kHasBaseTableOrdinal) U16();
    if (presence & kHasBaseColumnOrdinal) U16();
    if (presence & kHasBaseColumnName) LengthPrefixedString();
    column.db_type = U16();
    column.max_length = U32();
    column.precision = U32();
    column.scale = static_cast<int32_t>(U32());
    column.flags = U32();
    if (presence & kHasBaseCatalogName) LengthPrefixedString();
    if (presence & kHasBaseSchemaName) LengthPrefixedString();
    if (pos_ > end || end - pos_ < 2) FailAt("la descripción de una columna está incompleta", at);
    // The remaining optional fields are of no use here; the visibility flag
    // closes the element.
    pos_ = end - 2;
    column.visible = U16() != 0;
    if (presence & kHasCalculationInfo) {
      const uint32_t size = U32();
      Take(size);
    }
    if (column.db_type == kTypeChapter || (column.flags & kFlagIsChapter)) {
      Unsupported("los recordsets jerárquicos (con columnas de capítulo) no se admiten");
    }
    if (columns_.size() >= total_columns_) {
      FailAt("hay más columnas que las que anuncia la descripción del resultado", at);
    }
    columns_.push_back(std::move(column));
  }

  void PrepareColumns() {
    if (columns_.size() != total_columns_) {
      Fail(Format("se anuncian %d columnas y se describen %d", static_cast<int>(total_columns_),
                  static_cast<int>(columns_.size())));
    }
    std::sort(columns_.begin(), columns_.end(),
              [](const Column& a, const Column& b) { return a.ordinal < b.ordinal; });
    for (size_t i = 0; i < columns_.size(); ++i) {
      if (columns_[i].ordinal != i + 1) {
        Fail(Format("los números de columna no van de 1 a %d", static_cast<int>(columns_.size())));
      }
      DescribeLayout(columns_[i]);
      if (columns_[i].nullable) ++nullable_count_;
    }
  }

  void DescribeLayout(Column& c) {
    c.nullable = (c.flags & (kFlagIsNullable | kFlagMayBeNull)) != 0;
    const bool fixed = (c.flags & kFlagFixedLength) != 0;
    const bool is_long = (c.flags & kFlagIsLong) != 0;
    const auto fixed_size = [&c](DataTypeEnum type, size_t size) {
      c.type = type;
      c.layout = Layout::kFixed;
      c.size = size;
    };
    switch (c.db_type) {
      case kTypeEmpty:
      case kTypeNull: c.type = DataTypeEnum::adEmpty; c.layout = Layout::kNone; return;
      case kTypeI2: return fixed_size(DataTypeEnum::adSmallInt, 2);
      case kTypeI4: return fixed_size(DataTypeEnum::adInteger, 4);
      case kTypeR4: return fixed_size(DataTypeEnum::adSingle, 4);
      case kTypeR8: return fixed_size(DataTypeEnum::adDouble, 8);
      case kTypeCy: return fixed_size(DataTypeEnum::adCurrency, 8);
      case kTypeDate: return fixed_size(DataTypeEnum::adDate, 8);
      case kTypeBool: return fixed_size(DataTypeEnum::adBoolean, 2);
      case kTypeDecimal: return fixed_size(DataTypeEnum::adDecimal, 16);
      case kTypeI1: return fixed_size(DataTypeEnum::adTinyInt, 1);
      case kTypeUi1: return fixed_size(DataTypeEnum::adUnsignedTinyInt, 1);
      case kTypeUi2: return fixed_size(DataTypeEnum::adUnsignedSmallInt, 2);
      case kTypeUi4: return fixed_size(DataTypeEnum::adUnsignedInt, 4);
      case kTypeI8: return fixed_size(DataTypeEnum::adBigInt, 8);
      case kTypeUi8: return fixed_size(DataTypeEnum::adUnsignedBigInt, 8);
      case kTypeFileTime: return fixed_size(DataTypeEnum::adFileTime, 8);
      case kTypeGuid: return fixed_size(DataTypeEnum::adGUID, 16);
      case kTypeNumeric: return fixed_size(DataTypeEnum::adNumeric, 19);
      case kTypeDbDate: return fixed_size(DataTypeEnum::adDBDate, 6);
      case kTypeDbTime: return fixed_size(DataTypeEnum::adDBTime, 6);
      case kTypeDbTimestamp: return fixed_size(DataTypeEnum::adDBTimeStamp, 16);
      case kTypeVarNumeric:
        if (c.max_length < 3) Fail("una columna numérica variable tiene un tamaño menor que 3");
        return fixed_size(DataTypeEnum::adVarNumeric, c.max_length);
      case kTypeBstr:
        c.type = DataTypeEnum::adBSTR;
        c.encoding = Encoding::kWideText;
        break;
      case kTypeWStr:
        c.type = is_long ? DataTypeEnum::adLongVarWChar
                 : fixed ? DataTypeEnum::adWChar : DataTypeEnum::adVarWChar;
        c.encoding = Encoding::kWideText;
        break;
      case kTypeStr:
        c.type = is_long ? DataTypeEnum::adLongVarChar
                 : fixed ? DataTypeEnum::adChar : DataTypeEnum::adVarChar;
        c.encoding = unicode_text_ ? Encoding::kWideText : Encoding::kAnsiText;
        break;
      case kTypeBytes:
        c.type = is_long ? DataTypeEnum::adLongVarBinary
                 : fixed ? DataTypeEnum::adBinary : DataTypeEnum::adVarBinary;
        c.encoding = Encoding::kBytes;
        break;
      default:
        Unsupported(Format("la columna «%s» es de un tipo de datos no admitido (%d)", c.name,
                           static_cast<int>(c.db_type)));
    }
    if (fixed) {
      if (c.max_length == 0xFFFFFFFFu) Fail(Format("la columna «%s» es de largo fijo y no tiene tamaño", c.name));
      c.layout = Layout::kFixedChars;
      c.size = static_cast<size_t>(c.max_length) * (c.encoding == Encoding::kWideText ? 2 : 1);
    } else {
      c.layout = Layout::kVariable;
      c.long_prefix = c.max_length > kShortLengthLimit;
    }
  }

  // Column values are allowed while the cells stay within what the file's
  // size can honestly describe (a Null costs one bit, any value a byte).
  void CountCells() {
    cells_ += columns_.size();
    if (cells_ > data_.size() * 8 + 65536) Fail("el archivo describe más datos de los que contiene");
  }

  void ReadRows() {
    std::vector<bool> deleted;
    bool after_original = false;
    for (;;) {
      const size_t at = pos_;
      const uint8_t token = U8();
      switch (token) {
        case kTokenOriginalRow:
          CountCells();
          rows_.push_back(ReadOriginalRow());
          deleted.push_back(false);
          after_original = true;
          continue;
        case kTokenChangeRow:
          if (!after_original) FailAt("un cambio de fila no sigue a una fila", at);
          ReadUpdate(rows_.back());
          after_original = false;
          continue;
        case kTokenDeleteRow:
          if (!after_original) FailAt("un borrado de fila no sigue a una fila", at);
          deleted.back() = true;
          after_original = false;
          continue;
        case kTokenInsertRow:
          CountCells();
          rows_.emplace_back(columns_.size());
          deleted.push_back(false);
          ReadUpdate(rows_.back());
          after_original = false;
          continue;
        case kTokenDone:
          break;
        case kTokenChildResultRow:
        case kTokenChildChangeRow:
        case kTokenChildDeleteRow:
        case kTokenChildInsertRow:
          Unsupported("los recordsets jerárquicos (con filas hijas) no se admiten");
        default:
          FailAt(Format("se encontró un elemento desconocido (%d) donde se esperaba una fila",
                        static_cast<int>(token)),
                 at);
      }
      break;
    }
    size_t kept = 0;
    for (size_t i = 0; i < rows_.size(); ++i) {
      if (deleted[i]) continue;
      if (kept != i) rows_[kept] = std::move(rows_[i]);
      ++kept;
    }
    rows_.resize(kept);
  }

  std::vector<bool> ReadBitMap(size_t bits) {
    const std::string_view bytes = Take((bits + 7) / 8);
    std::vector<bool> map(bits);
    for (size_t i = 0; i < bits; ++i) {
      map[i] = (static_cast<unsigned char>(bytes[i / 8]) >> (7 - i % 8)) & 1;
    }
    return map;
  }

  std::vector<FieldValue> ReadOriginalRow() {
    const std::vector<bool> present = ReadBitMap(nullable_count_);
    std::vector<FieldValue> row(columns_.size());
    size_t nullable_index = 0;
    for (size_t i = 0; i < columns_.size(); ++i) {
      if (columns_[i].nullable && !present[nullable_index++]) continue;
      row[i] = ReadValue(columns_[i]);
    }
    return row;
  }

  void ReadUpdate(std::vector<FieldValue>& row) {
    const std::vector<bool> updated = ReadBitMap(columns_.size());
    const std::vector<bool> force_null = ReadBitMap(columns_.size());
    for (size_t i = 0; i < columns_.size(); ++i) {
      if (!updated[i]) continue;
      row[i] = force_null[i] ? FieldValue::Null() : ReadValue(columns_[i]);
    }
  }

  FieldValue ReadValue(const Column& c) {
    const size_t at = pos_;
    switch (c.layout) {
      case Layout::kNone:
        return FieldValue::Null();
      case Layout::kFixed:
        return DecodeFixed(c, Take(c.size), at);
      case Layout::kFixedChars:
        return DecodeChars(c, Take(c.size), at);
      case Layout::kVariable: {
        const uint32_t length = c.long_prefix ? U32() : U8();
        if (c.long_prefix && length > 0x7FFFFFFFu) Fail("un valor tiene un largo negativo");
        return DecodeChars(c, Take(length), at);
      }
    }
    return FieldValue::Null();
  }

  FieldValue DecodeChars(const Column& c, std::string_view bytes, size_t at) {
    switch (c.encoding) {
      case Encoding::kAnsiText:
        return FieldValue::Text(Cp1252ToUtf8(bytes));
      case Encoding::kWideText:
        if (bytes.size() % 2 != 0) FailAt("un texto Unicode tiene un número impar de bytes", at);
        return FieldValue::Text(Utf16LeToUtf8(bytes));
      case Encoding::kBytes:
      case Encoding::kNumber:
        break;
    }
    return FieldValue::Bytes(std::string(bytes));
  }

  static uint64_t Little(std::string_view b, size_t offset, size_t count) {
    uint64_t v = 0;
    for (size_t i = 0; i < count; ++i) {
      v |= static_cast<uint64_t>(static_cast<unsigned char>(b[offset + i])) << (8 * i);
    }
    return v;
  }

  FieldValue Date(const Timestamp& value, size_t at) const {
    if (!value.IsValid()) FailAt("una fecha u hora no es válida", at);
    return FieldValue::FromTimestamp(value);
  }

  // mantissa (up to 16 little-endian bytes) * 10^-scale with a sign.
  FieldValue Numeric(bool negative, int scale, std::string_view mantissa, size_t at) const {
    for (size_t i = 16; i < mantissa.size(); ++i) {
      if (mantissa[i] != 0) FailAt("un número exacto no cabe en 38 dígitos", at);
    }
    const size_t used = std::min<size_t>(mantissa.size(), 16);
    const uint64_t low = Little(mantissa, 0, std::min<size_t>(used, 8));
    const uint64_t high = used > 8 ? Little(mantissa, 8, used - 8) : 0;
    Decimal value(negative, high, low, scale < 0 ? 0 : scale);
    if (scale < 0) {
      const Decimal whole(negative, high, low, 0);
      const std::optional<Decimal> shifted =
          Decimal::Parse(whole.ToString() + std::string(static_cast<size_t>(-scale), '0'));
      if (!shifted) FailAt("un número exacto no cabe en 38 dígitos", at);
      value = *shifted;
    }
    return FieldValue::FromDecimal(value);
  }

  FieldValue DecodeFixed(const Column& c, std::string_view b, size_t at) {
    switch (c.db_type) {
      case kTypeI2: return FieldValue::Integer(static_cast<int16_t>(Little(b, 0, 2)));
      case kTypeI4: return FieldValue::Integer(static_cast<int32_t>(Little(b, 0, 4)));
      case kTypeI1: return FieldValue::Integer(static_cast<int8_t>(Little(b, 0, 1)));
      case kTypeUi1:
      case kTypeUi2:
      case kTypeUi4: return FieldValue::Integer(static_cast<int64_t>(Little(b, 0, c.size)));
      case kTypeI8: return FieldValue::Integer(static_cast<int64_t>(Little(b, 0, 8)));
      case kTypeUi8: return FieldValue::Unsigned(Little(b, 0, 8));
      case kTypeR4: {
        const uint32_t bits = static_cast<uint32_t>(Little(b, 0, 4));
        float v;
        std::memcpy(&v, &bits, 4);
        return FieldValue::Float(v);
      }
      case kTypeR8: {
        const uint64_t bits = Little(b, 0, 8);
        double v;
        std::memcpy(&v, &bits, 8);
        return FieldValue::Float(v);
      }
      case kTypeCy:
        return FieldValue::FromCurrency(Currency{static_cast<int64_t>(Little(b, 0, 8))});
      case kTypeDate: {
        const uint64_t bits = Little(b, 0, 8);
        double serial;
        std::memcpy(&serial, &bits, 8);
        const std::optional<Timestamp> value = Timestamp::FromSerial(serial);
        if (!value) FailAt("una fecha está fuera de rango", at);
        return FieldValue::FromTimestamp(*value);
      }
      case kTypeBool: return FieldValue::Boolean(Little(b, 0, 2) != 0);
      case kTypeDecimal: {
        const int scale = static_cast<unsigned char>(b[2]);
        if (scale > 28) FailAt("un decimal tiene una escala mayor que 28", at);
        const bool negative = (static_cast<unsigned char>(b[3]) & 0x80) != 0;
        const uint64_t high = Little(b, 4, 4);
        const uint64_t low = Little(b, 8, 4) | (Little(b, 12, 4) << 32);
        return FieldValue::FromDecimal(Decimal(negative, high, low, scale));
      }
      case kTypeNumeric:
      case kTypeVarNumeric:
        return Numeric(b[2] == 0, static_cast<int8_t>(b[1]), b.substr(3), at);
      case kTypeGuid: {
        GuidBytes guid;
        static constexpr size_t kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
        for (size_t i = 0; i < 16; ++i) guid[i] = static_cast<uint8_t>(b[kOrder[i]]);
        return FieldValue::Guid(guid);
      }
      case kTypeFileTime: {
        const uint64_t ticks = Little(b, 0, 8);
        const long long days = static_cast<long long>(ticks / 864000000000ULL);
        const uint64_t rest = ticks % 864000000000ULL;
        const std::optional<Timestamp> day =
            Timestamp::FromSerial(static_cast<double>(days - kFileTimeDays1601To1899));
        if (!day) FailAt("una fecha está fuera de rango", at);
        Timestamp value = *day;
        value.hour = static_cast<int>(rest / 36000000000ULL);
        value.minute = static_cast<int>(rest / 600000000ULL % 60);
        value.second = static_cast<int>(rest / 10000000ULL % 60);
        value.nanosecond = static_cast<uint32_t>(rest % 10000000ULL) * 100u;
        return Date(value, at);
      }
      case kTypeDbDate: {
        Timestamp value;
        value.year = static_cast<int16_t>(Little(b, 0, 2));
        value.month = static_cast<int>(Little(b, 2, 2));
        value.day = static_cast<int>(Little(b, 4, 2));
        return Date(value, at);
      }
      case kTypeDbTime: {
        Timestamp value;
        value.hour = static_cast<int>(Little(b, 0, 2));
        value.minute = static_cast<int>(Little(b, 2, 2));
        value.second = static_cast<int>(Little(b, 4, 2));
        return Date(value, at);
      }
      case kTypeDbTimestamp: {
        Timestamp value;
        value.year = static_cast<int16_t>(Little(b, 0, 2));
        value.month = static_cast<int>(Little(b, 2, 2));
        value.day = static_cast<int>(Little(b, 4, 2));
        value.hour = static_cast<int>(Little(b, 6, 2));
        value.minute = static_cast<int>(Little(b, 8, 2));
        value.second = static_cast<int>(Little(b, 10, 2));
        value.nanosecond = static_cast<uint32_t>(Little(b, 12, 4));
        return Date(value, at);
      }
      default:
        return FieldValue::Null();
    }
  }

  Recordset BuildRecordset() {
    std::vector<Field> fields;
    std::vector<size_t> shown;
    for (size_t i = 0; i < columns_.size(); ++i) {
      const Column& c = columns_[i];
      if (!c.visible) continue;
      Field field;
      field.name = c.name;
      field.type = c.type;
      field.defined_size = c.layout == Layout::kFixed ? static_cast<uint32_t>(c.size) : c.max_length;
      field.precision = static_cast<uint8_t>(std::min<uint32_t>(c.precision, 255));
      field.numeric_scale = c.scale;
      field.nullable = c.nullable || c.layout == Layout::kNone;
      fields.push_back(std::move(field));
      shown.push_back(i);
    }
    Recordset recordset(std::move(fields));
    for (std::vector<FieldValue>& row : rows_) {
      std::vector<FieldValue> values;
      values.reserve(shown.size());
      for (size_t i : shown) values.push_back(std::move(row[i]));
      recordset.AddLoadedRow(std::move(values));
    }
    recordset.MoveFirst();
    return recordset;
  }

  std::string_view data_;
  std::string source_;
  size_t pos_ = 0;
  bool unicode_text_ = false;
  uint16_t total_columns_ = 0;
  std::vector<Column> columns_;
  size_t nullable_count_ = 0;
  size_t cells_ = 0;
  std::vector<std::vector<FieldValue>> rows_;
};

}  // namespace

Recordset ParseAdtg(std::string_view bytes, std::string_view source) {
  return AdtgParser(bytes, source).Parse();
}

Recordset LoadRecordsetFile(const std::string& path) {
  const std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) {
    throw EPersistedRecordsetError(Format("No se puede leer el archivo de recordset «%s».", path));
  }
  return ParseAdtg(*bytes, path);
}

}  // namespace hotfix
