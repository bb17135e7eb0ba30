#include "db/uVmDB.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "base/codepage.h"
#include "base/date_time.h"
#include "base/format.h"
#include "base/hex.h"
#include "base/text.h"

namespace hotfix {
namespace {

[[noreturn]] void NotAnInteger(std::string_view field_name, const FieldValue& value) {
  throw ERecordsetError(Format("El valor «%s» del campo «%s» no es un número entero.",
                               value.ToText(), field_name));
}

int CheckedInt(double rounded, std::string_view field_name, const FieldValue& value) {
  if (!std::isfinite(rounded) || rounded < INT32_MIN || rounded > INT32_MAX) {
    NotAnInteger(field_name, value);
  }
  return static_cast<int>(rounded);
}

std::string WithDecimalComma(std::string text) {
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

// Fifteen significant digits, as the system writes floating numbers.
std::string FloatText(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  return WithDecimalComma(buffer);
}

std::string DateText(const Timestamp& t) {
  const bool no_date = t.year == 1899 && t.month == 12 && t.day == 30;
  const bool no_time = t.hour == 0 && t.minute == 0 && t.second == 0 && t.nanosecond == 0;
  if (no_date && !no_time) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buffer;
  }
  return FormatDateTimeAr(t.ToDateTime());
}

}  // namespace

bool TVmDB::TieneRegistros(const Recordset* recordset) {
  if (recordset == nullptr) return false;
  if (!recordset->Bof()) return true;
  return !recordset->Eof();
}

void TVmDB::IrAlPrimero(Recordset* recordset) {
  if (TieneRegistros(recordset)) recordset->MoveFirst();
}

void TVmDB::IrAlSiguiente(Recordset* recordset) {
  if (TieneRegistros(recordset)) recordset->MoveNext();
}

int TVmDB::LeerEntero(const Recordset* recordset, std::string_view field_name) {
  if (!TieneRegistros(recordset)) return 0;
  const FieldValue& value = recordset->Value(field_name);
  switch (value.kind()) {
    case FieldValue::Kind::kNull:
      return 0;
    case FieldValue::Kind::kText: {
      const std::string_view text = TrimView(value.AsText());
      if (text.empty()) return 0;
      long long number = 0;
      if (TryParseInt(text, number)) return CheckedInt(static_cast<double>(number), field_name, value);
      const std::optional<Decimal> exact = Decimal::Parse(text);
      if (!exact) NotAnInteger(field_name, value);
      return CheckedInt(std::nearbyint(exact->ToDouble()), field_name, value);
    }
    case FieldValue::Kind::kInteger:
      return CheckedInt(static_cast<double>(value.AsInteger()), field_name, value);
    case FieldValue::Kind::kUnsigned:
      return CheckedInt(static_cast<double>(value.AsUnsigned()), field_name, value);
    case FieldValue::Kind::kFloat:
      return CheckedInt(std::nearbyint(value.AsFloat()), field_name, value);
    case FieldValue::Kind::kDecimal:
      return CheckedInt(std::nearbyint(value.AsDecimal().ToDouble()), field_name, value);
    case FieldValue::Kind::kCurrency:
      return CheckedInt(std::nearbyint(static_cast<double>(value.AsCurrency().ten_thousandths) / 1e4),
                        field_name, value);
    case FieldValue::Kind::kBoolean:
      return value.AsBoolean() ? -1 : 0;
    case FieldValue::Kind::kDateTime:
      return CheckedInt(std::nearbyint(value.AsDateTime().ToSerial()), field_name, value);
    case FieldValue::Kind::kGuid:
    case FieldValue::Kind::kBytes:
      break;
  }
  NotAnInteger(field_name, value);
}

std::string TVmDB::LeerTexto(const Recordset* recordset, std::string_view field_name) {
  if (!TieneRegistros(recordset)) return "";
  return SystemText(recordset->Value(field_name));
}

std::string SystemText(const FieldValue& value) {
  switch (value.kind()) {
    case FieldValue::Kind::kNull:
      return "";
    case FieldValue::Kind::kFloat:
      return FloatText(value.AsFloat());
    case FieldValue::Kind::kDecimal:
      return WithDecimalComma(value.AsDecimal().ToString());
    case FieldValue::Kind::kCurrency: {
      std::string text = value.AsCurrency().ToString();
      while (text.back() == '0') text.pop_back();
      if (text.back() == '.') text.pop_back();
      return WithDecimalComma(text);
    }
    case FieldValue::Kind::kDateTime:
      return DateText(value.AsDateTime());
    default:
      return value.ToText();
  }
}

std::unique_ptr<Recordset> CopiarRecordset(const Recordset* source) {
  if (source == nullptr || !source->IsOpen()) return nullptr;
  auto copy = std::make_unique<Recordset>(source->Fields());
  for (size_t i = 0; i < source->RowCount(); ++i) copy->AddLoadedRow(source->Row(i));
  copy->MoveFirst();
  return copy;
}

std::string ArmarConnectionString(std::string_view server, std::string_view user,
                                  std::string_view password, std::string_view catalog,
                                  bool integrated_security, bool data_shaping) {
  std::string out = data_shaping
                        ? "Provider=MSDataShape.1;Data Provider=SQLOLEDB.1;Persist Security Info=True;"
                        : "Provider=SQLOLEDB.1;Persist Security Info=True;";
  if (!catalog.empty()) out += Format("Initial Catalog=%s;", catalog);
  if (integrated_security) {
    out += "Integrated Security=SSPI;";
  } else {
    if (!user.empty()) out += Format("User ID=%s;", user);
    if (!password.empty()) out += Format("Password=%s;", password);
  }
  out += Format("Data Source= %s;", server.empty() ? std::string_view("(Local)") : server);
  return out;
}

std::string InvertirTexto(std::string_view text) {
  std::vector<char32_t> characters;
  size_t pos = 0;
  while (pos < text.size()) characters.push_back(DecodeUtf8(text, pos));
  std::string out;
  out.reserve(text.size());
  for (auto it = characters.rbegin(); it != characters.rend(); ++it) AppendUtf8(out, *it);
  return out;
}

std::string BytesAHex(std::string_view bytes) { return BytesToHex(bytes); }

std::string HexABytes(std::string_view text) { return HexToBytes(text); }

}  // namespace hotfix
