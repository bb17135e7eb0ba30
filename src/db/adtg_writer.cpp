#include "db/adtg_writer.h"

#include <cmath>
#include <cstring>

#include "base/codepage.h"
#include "base/format.h"
#include "base/text_file.h"
#include "db/adtg_format.h"
#include "db/adtg_reader.h"

namespace hotfix {
namespace {

using namespace adtg;

class ByteWriter {
 public:
  void U8(unsigned v) { out_.push_back(static_cast<char>(v & 0xFF)); }
  void U16(unsigned v) {
    U8(v);
    U8(v >> 8);
  }
  void U32(uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void U64(uint64_t v) {
    U32(static_cast<uint32_t>(v));
    U32(static_cast<uint32_t>(v >> 32));
  }
  void Bytes(std::string_view bytes) { out_.append(bytes); }
  void Bytes(const uint8_t* bytes, size_t count) {
    out_.append(reinterpret_cast<const char*>(bytes), count);
  }
  // A length-prefixed string: the count of UTF-16 characters, then them.
  void LengthPrefixedString(std::string_view utf8) {
    const std::string wide = Utf8ToUtf16Le(utf8);
    if (wide.size() / 2 > 0xFFFF) throw ERecordsetError("Un nombre de campo es demasiado largo.");
    U16(static_cast<unsigned>(wide.size() / 2));
    Bytes(wide);
  }
  // Opens an element of token and two-byte size; Close fills the size in.
  size_t Open(uint8_t token) {
    U8(token);
    const size_t at = out_.size();
    U16(0);
    return at;
  }
  void Close(size_t at) {
    const size_t size = out_.size() - at - 2;
    if (size > 0xFFFF) throw ERecordsetError("La descripción de un campo es demasiado larga.");
    out_[at] = static_cast<char>(size & 0xFF);
    out_[at + 1] = static_cast<char>(size >> 8);
  }

  std::string& str() { return out_; }

 private:
  std::string out_;
};

uint16_t DbTypeOf(DataTypeEnum type) {
  switch (type) {
    case DataTypeEnum::adEmpty: return kTypeEmpty;
    case DataTypeEnum::adSmallInt: return kTypeI2;
    case DataTypeEnum::adInteger: return kTypeI4;
    case DataTypeEnum::adSingle: return kTypeR4;
    case DataTypeEnum::adDouble: return kTypeR8;
    case DataTypeEnum::adCurrency: return kTypeCy;
    case DataTypeEnum::adDate: return kTypeDate;
    case DataTypeEnum::adBSTR: return kTypeBstr;
    case DataTypeEnum::adBoolean: return kTypeBool;
    case DataTypeEnum::adDecimal: return kTypeDecimal;
    case DataTypeEnum::adTinyInt: return kTypeI1;
    case DataTypeEnum::adUnsignedTinyInt: return kTypeUi1;
    case DataTypeEnum::adUnsignedSmallInt: return kTypeUi2;
    case DataTypeEnum::adUnsignedInt: return kTypeUi4;
    case DataTypeEnum::adBigInt: return kTypeI8;
    case DataTypeEnum::adUnsignedBigInt: return kTypeUi8;
    case DataTypeEnum::adFileTime: return kTypeFileTime;
    case DataTypeEnum::adGUID: return kTypeGuid;
    case DataTypeEnum::adBinary:
    case DataTypeEnum::adVarBinary:
    case DataTypeEnum::adLongVarBinary: return kTypeBytes;
    case DataTypeEnum::adChar:
    case DataTypeEnum::adVarChar:
    case DataTypeEnum::adLongVarChar: return kTypeStr;
    case DataTypeEnum::adWChar:
    case DataTypeEnum::adVarWChar:
    case DataTypeEnum::adLongVarWChar: return kTypeWStr;
    case DataTypeEnum::adNumeric: return kTypeNumeric;
    case DataTypeEnum::adDBDate: return kTypeDbDate;
    case DataTypeEnum::adDBTime: return kTypeDbTime;
    case DataTypeEnum::adDBTimeStamp: return kTypeDbTimestamp;
    case DataTypeEnum::adVarNumeric: return kTypeVarNumeric;
  }
  throw ERecordsetError(Format("El tipo %s no se puede guardar.", DataTypeName(type)));
}

bool HasCharacters(DataTypeEnum type) { return IsTextType(type) || IsBinaryType(type); }

// The maximum length the descriptor carries: characters or bytes for text
// and binary, the storage size for the rest.
uint32_t MaxLengthOf(const Field& field) {
  if (HasCharacters(field.type)) return field.defined_size;
  if (field.type == DataTypeEnum::adVarNumeric) return 19;
  return MakeField("", field.type).defined_size;
}

uint32_t FlagsOf(const Field& field) {
  uint32_t flags = kFlagWrite;
  if (!HasCharacters(field.type) || IsFixedLengthType(field.type)) flags |= kFlagFixedLength;
  if (IsLongType(field.type)) flags |= kFlagIsLong;
  if (field.nullable) flags |= kFlagIsNullable | kFlagMayBeNull;
  return flags;
}

class AdtgSerializer {
 public:
  explicit AdtgSerializer(const Recordset& recordset) : rs_(recordset) {}

  std::string Serialize() {
    if (!rs_.IsOpen()) throw ERecordsetError("No se puede guardar un recordset cerrado.");
    if (rs_.Fields().size() > 0xFFFF) throw ERecordsetError("El recordset tiene demasiados campos.");
    WriteHeader();
    WriteHandlerOptions();
    WriteResultDescriptor();
    const size_t context = w_.Open(kTokenResultContext);
    w_.Close(context);
    for (size_t i = 0; i < rs_.Fields().size(); ++i) WriteColumnDescriptor(i);
    for (size_t r = 0; r < rs_.RowCount(); ++r) WriteRow(rs_.Row(r));
    w_.U8(kTokenDone);
    return std::move(w_.str());
  }

 private:
  void WriteHeader() {
    w_.U8(kTokenHeader);
    w_.U8(kHeaderSize);
    w_.Bytes(std::string_view(kSignature, 3));
    w_.U8(0);  // major version
    w_.U8(0);  // minor version
    w_.U8(0);  // little-endian
    w_.U8(0);  // 8-bit text in the ANSI code page
  }

  void WriteHandlerOptions() {
    const size_t at = w_.Open(kTokenHandlerOptions);
    w_.Bytes(kRecordsetGuid, sizeof kRecordsetGuid);
    w_.U8(1);                     // updates carry the changed columns only
    w_.LengthPrefixedString("");  // original URL
    w_.LengthPrefixedString("");  // update URL
    w_.LengthPrefixedString("");  // friendly name
    w_.U16(1);                    // fetch synchronously
    w_.Close(at);
  }

  void WriteResultDescriptor() {
    const unsigned columns = static_cast<unsigned>(rs_.Fields().size());
    const size_t at = w_.Open(kTokenResultDescriptor);
    w_.Bytes(kResultDescriptorGuid, sizeof kResultDescriptorGuid);
    w_.U8(0);        // reserved
    w_.U8(0);        // snapshot cursor
    w_.U8(0);        // rows not normalized
    w_.U16(columns); // visible
    w_.U16(columns); // total
    w_.U16(columns); // computed: none comes from a base table
    w_.U16(0);       // base tables
    w_.U16(0);       // order-by columns
    w_.U32(static_cast<uint32_t>(rs_.RowCount()));
    w_.Close(at);
  }

  void WriteColumnDescriptor(size_t index) {
    const Field& field = rs_.Fields()[index];
    const size_t at = w_.Open(kTokenColumnDescriptor);
    w_.U8(kHasFriendlyName >> 16);
    w_.U8(0);
    w_.U8(0);
    w_.U16(static_cast<unsigned>(index + 1));
    w_.LengthPrefixedString(field.name);
    w_.U16(DbTypeOf(field.type));
    w_.U32(MaxLengthOf(field));
    w_.U32(IsExactNumericType(field.type) || IsNumericType(field.type) ? field.precision : 0);
    w_.U32(static_cast<uint32_t>(IsExactNumericType(field.type) ? field.numeric_scale : 0));
    w_.U32(FlagsOf(field));
    w_.U16(0xFFFF);  // visible
    w_.Close(at);
  }

  void WriteRow(const std::vector<FieldValue>& row) {
    const std::vector<Field>& fields = rs_.Fields();
    w_.U8(kTokenOriginalRow);
    std::string map;
    size_t bit = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
      if (!fields[i].nullable) {
        if (row[i].IsNull()) {
          throw ERecordsetError(Format("El campo «%s» no admite valores nulos.", fields[i].name));
        }
        continue;
      }
      if (bit % 8 == 0) map.push_back(0);
      if (!row[i].IsNull()) map.back() = static_cast<char>(map.back() | (0x80 >> (bit % 8)));
      ++bit;
    }
    w_.Bytes(map);
    for (size_t i = 0; i < fields.size(); ++i) {
      if (!row[i].IsNull()) WriteValue(fields[i], row[i]);
    }
  }

  [[noreturn]] static void DoesNotFit(const Field& field, const FieldValue& value) {
    throw ERecordsetError(Format("El valor «%s» del campo «%s» no se puede guardar como %s.",
                                 value.ToText(), field.name, DataTypeName(field.type)));
  }

  void WriteChars(const Field& field, const FieldValue& value, std::string bytes,
                  size_t unit, char pad) {
    const uint32_t max_length = MaxLengthOf(field);
    if (IsFixedLengthType(field.type)) {
      const size_t size = static_cast<size_t>(max_length) * unit;
      if (bytes.size() > size) DoesNotFit(field, value);
      while (bytes.size() < size) {
        bytes.push_back(pad);
        if (unit == 2) bytes.push_back(0);
      }
      w_.Bytes(bytes);
      return;
    }
    if (max_length <= kShortLengthLimit) {
      if (bytes.size() > 0xFF) {
        throw ERecordsetError(Format(
            "El valor del campo «%s» ocupa %d bytes y el formato solo admite 255 en un campo de "
            "%d caracteres.", field.name, static_cast<int>(bytes.size()),
            static_cast<int>(max_length)));
      }
      w_.U8(static_cast<unsigned>(bytes.size()));
    } else {
      if (bytes.size() > 0x7FFFFFFF) DoesNotFit(field, value);
      w_.U32(static_cast<uint32_t>(bytes.size()));
    }
    w_.Bytes(bytes);
  }

  void WriteDecimal(const Field& field, const FieldValue& value) {
    const Decimal& d = value.AsDecimal();
    if (field.type == DataTypeEnum::adDecimal) {
      if (d.scale() > 28 || (d.mantissa_high() >> 32) != 0) DoesNotFit(field, value);
      w_.U16(0);
      w_.U8(static_cast<unsigned>(d.scale()));
      w_.U8(d.negative() ? 0x80 : 0x00);
      w_.U32(static_cast<uint32_t>(d.mantissa_high()));
      w_.U32(static_cast<uint32_t>(d.mantissa_low()));
      w_.U32(static_cast<uint32_t>(d.mantissa_low() >> 32));
      return;
    }
    if (d.scale() > 127) DoesNotFit(field, value);
    w_.U8(field.precision);
    w_.U8(static_cast<unsigned>(d.scale()));
    w_.U8(d.negative() ? 0 : 1);
    w_.U64(d.mantissa_low());
    w_.U64(d.mantissa_high());
  }

  void WriteDate(const Field& field, const FieldValue& value) {
    const Timestamp& t = value.AsDateTime();
    switch (field.type) {
      case DataTypeEnum::adDate: {
        const double serial = t.ToSerial();
        uint64_t bits;
        std::memcpy(&bits, &serial, 8);
        w_.U64(bits);
        return;
      }
      case DataTypeEnum::adDBDate:
        w_.U16(static_cast<unsigned>(t.year));
        w_.U16(static_cast<unsigned>(t.month));
        w_.U16(static_cast<unsigned>(t.day));
        return;
      case DataTypeEnum::adDBTime:
        w_.U16(static_cast<unsigned>(t.hour));
        w_.U16(static_cast<unsigned>(t.minute));
        w_.U16(static_cast<unsigned>(t.second));
        return;
      case DataTypeEnum::adDBTimeStamp:
        w_.U16(static_cast<unsigned>(t.year));
        w_.U16(static_cast<unsigned>(t.month));
        w_.U16(static_cast<unsigned>(t.day));
        w_.U16(static_cast<unsigned>(t.hour));
        w_.U16(static_cast<unsigned>(t.minute));
        w_.U16(static_cast<unsigned>(t.second));
        w_.U32(t.nanosecond);
        return;
      default: {  // adFileTime
        Timestamp midnight = t;
        midnight.hour = midnight.minute = midnight.second = 0;
        midnight.nanosecond = 0;
        const long long days =
            std::llround(midnight.ToSerial()) + kFileTimeDays1601To1899;
        if (days < 0) DoesNotFit(field, value);
        const uint64_t ticks = static_cast<uint64_t>(days) * 864000000000ULL +
                               static_cast<uint64_t>(t.hour) * 36000000000ULL +
                               static_cast<uint64_t>(t.minute) * 600000000ULL +
                               static_cast<uint64_t>(t.second) * 10000000ULL + t.nanosecond / 100;
        w_.U64(ticks);
        return;
      }
    }
  }

  void WriteValue(const Field& field, const FieldValue& raw) {
    const FieldValue value = ConvertForField(field, raw);
    const DataTypeEnum type = field.type;
    if (IsIntegerType(type)) {
      const uint64_t bits = value.kind() == FieldValue::Kind::kUnsigned
                                ? value.AsUnsigned()
                                : static_cast<uint64_t>(value.AsInteger());
      const uint32_t size = MaxLengthOf(field);
      for (uint32_t i = 0; i < size; ++i) w_.U8(static_cast<unsigned>(bits >> (8 * i)));
    } else if (type == DataTypeEnum::adSingle) {
      const float f = static_cast<float>(value.AsFloat());
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      w_.U32(bits);
    } else if (type == DataTypeEnum::adDouble) {
      const double d = value.AsFloat();
      uint64_t bits;
      std::memcpy(&bits, &d, 8);
      w_.U64(bits);
    } else if (type == DataTypeEnum::adCurrency) {
      w_.U64(static_cast<uint64_t>(value.AsCurrency().ten_thousandths));
    } else if (IsExactNumericType(type)) {
      WriteDecimal(field, value);
    } else if (type == DataTypeEnum::adBoolean) {
      w_.U16(value.AsBoolean() ? 0xFFFF : 0);
    } else if (IsDateType(type)) {
      WriteDate(field, value);
    } else if (IsWideTextType(type)) {
      WriteChars(field, value, Utf8ToUtf16Le(value.AsText()), 2, ' ');
    } else if (IsTextType(type)) {
      WriteChars(field, value, Utf8ToCp1252(value.AsText()), 1, ' ');
    } else if (IsBinaryType(type)) {
      WriteChars(field, value, value.AsBytes(), 1, '\0');
    } else if (type == DataTypeEnum::adGUID) {
      static constexpr size_t kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
      uint8_t wire[16];
      for (size_t i = 0; i < 16; ++i) wire[kOrder[i]] = value.AsGuid()[i];
      w_.Bytes(wire, 16);
    }
  }

  const Recordset& rs_;
  ByteWriter w_;
};

}  // namespace

std::string SerializeAdtg(const Recordset& recordset) { return AdtgSerializer(recordset).Serialize(); }

void SaveRecordsetFile(const Recordset& recordset, const std::string& path) {
  const std::string bytes = SerializeAdtg(recordset);
  std::string reason;
  if (!WriteFileAtomic(path, bytes, &reason)) {
    throw EPersistedRecordsetError(
        Format("No se pudo guardar el archivo de recordset «%s»: %s", path, reason));
  }
}

}  // namespace hotfix
