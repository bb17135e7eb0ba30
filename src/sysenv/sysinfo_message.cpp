#include "sysenv/sysinfo_message.h"

#include <cstring>
#include <limits>

#include "base/codepage.h"
#include "base/text.h"
#include "sysenv/sysinfo_errors.h"

namespace hotfix {
namespace {

// The least bytes one encoded item can take: a parameter or field is a name
// count, a type byte and at least one value byte; an element is its field count.
constexpr size_t kMinFieldBytes = 4 + 1 + 1;
constexpr size_t kMinElementBytes = 4;
constexpr size_t kHeaderBytes = 4 + 1 + 1 + 2 + 16;

[[noreturn]] void Malformed(size_t offset, const std::string& what) {
  throw ESysInfoMessageError("Mensaje del Servicio de Información del Sistema mal formado (posición " +
                             std::to_string(offset) + "): " + what + ".");
}

class Writer {
 public:
  void Byte(uint8_t value) { out_.push_back(static_cast<char>(value)); }
  void U32(uint32_t value) {
    for (int i = 0; i < 4; ++i) Byte(static_cast<uint8_t>(value >> (8 * i)));
  }
  void Bytes(std::string_view bytes) { out_.append(bytes); }

  void Name(std::string_view utf8) {
    const std::string bytes = Utf8ToCp1252(utf8);
    if (bytes.size() > kSysInfoMaxNameBytes) {
      throw ESysInfoMessageError("Nombre demasiado largo para un mensaje del Servicio de Información del Sistema: " +
                                 std::string(utf8.substr(0, 40)) + "...");
    }
    U32(static_cast<uint32_t>(bytes.size()));
    Bytes(bytes);
  }
  void AnsiText(std::string_view utf8) {
    const std::string bytes = Utf8ToCp1252(utf8);
    U32(Count(bytes.size()));
    Bytes(bytes);
  }
  void WideText(std::string_view utf8) {
    const std::string bytes = Utf8ToUtf16Le(utf8);
    U32(Count(bytes.size() / 2));
    Bytes(bytes);
  }

  void Fields(const std::vector<SysInfoField>& fields, int depth) {
    U32(Count(fields.size()));
    for (const SysInfoField& field : fields) Field(field, depth);
  }

  void Field(const SysInfoField& field, int depth) {
    Name(field.name);
    std::visit(
        [&](const auto& value) {
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, SysInfoAnsiText>) {
            Byte(static_cast<uint8_t>(SysInfoWireType::kAnsiText));
            AnsiText(value.text);
          } else if constexpr (std::is_same_v<T, SysInfoWideText>) {
            Byte(static_cast<uint8_t>(SysInfoWireType::kWideText));
            WideText(value.text);
          } else if constexpr (std::is_same_v<T, int32_t>) {
            Byte(static_cast<uint8_t>(SysInfoWireType::kInteger));
            U32(static_cast<uint32_t>(value));
          } else if constexpr (std::is_same_v<T, bool>) {
            Byte(static_cast<uint8_t>(SysInfoWireType::kBoolean));
            Byte(value ? 1 : 0);
          } else {
            if (depth >= kSysInfoMaxArrayNesting) {
              throw ESysInfoMessageError(
                  "Estructuras anidadas en exceso para un mensaje del Servicio de Información del Sistema.");
            }
            Byte(static_cast<uint8_t>(SysInfoWireType::kStructArray));
            Name(value.element_type);
            U32(Count(value.elements.size()));
            for (const SysInfoStruct& element : value.elements) Fields(element.fields, depth + 1);
          }
        },
        field.value);
  }

  std::string Take() { return std::move(out_); }

 private:
  static uint32_t Count(size_t count) {
    if (count > std::numeric_limits<uint32_t>::max()) {
      throw ESysInfoMessageError("Mensaje demasiado grande para el Servicio de Información del Sistema.");
    }
    return static_cast<uint32_t>(count);
  }

  std::string out_;
};

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  size_t offset() const { return pos_; }
  size_t Remaining() const { return bytes_.size() - pos_; }

  std::string_view Take(size_t count, const char* what) {
    if (count > Remaining()) {
      Malformed(pos_, std::string(what) + " de " + std::to_string(count) +
                          " bytes excede el final del mensaje");
    }
    std::string_view out = bytes_.substr(pos_, count);
    pos_ += count;
    return out;
  }
  uint8_t Byte(const char* what) { return static_cast<uint8_t>(Take(1, what)[0]); }
  uint32_t U32(const char* what) {
    const std::string_view raw = Take(4, what);
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(raw[static_cast<size_t>(i)]);
    return value;
  }
  // A count of items of at least `min_item_bytes` each, checked against what is left.
  uint32_t Count(size_t min_item_bytes, const char* what) {
    const size_t at = pos_;
    const uint32_t count = U32(what);
    if (count > Remaining() / min_item_bytes) {
      Malformed(at, std::string(what) + " " + std::to_string(count) +
                        " imposible con los bytes restantes");
    }
    return count;
  }

  std::string Name(const char* what) {
    const size_t at = pos_;
    const uint32_t length = U32(what);
    if (length > kSysInfoMaxNameBytes) {
      Malformed(at, std::string(what) + " de " + std::to_string(length) + " bytes (máximo " +
                        std::to_string(kSysInfoMaxNameBytes) + ")");
    }
    return Cp1252ToUtf8(Take(length, what));
  }
  std::string AnsiText() {
    const uint32_t length = U32("longitud de texto");
    return Cp1252ToUtf8(Take(length, "texto"));
  }
  std::string WideText() {
    const size_t at = pos_;
    const uint32_t units = U32("longitud de texto UTF-16");
    if (units > Remaining() / 2) Malformed(at, "texto UTF-16 más largo que el mensaje");
    return Utf16LeToUtf8(Take(size_t{units} * 2, "texto UTF-16"));
  }

  std::vector<SysInfoField> Fields(int depth) {
    const uint32_t count = Count(kMinFieldBytes, "cantidad de parámetros");
    std::vector<SysInfoField> fields;
    fields.reserve(count);
    for (uint32_t i = 0; i < count; ++i) fields.push_back(Field(depth));
    return fields;
  }

  SysInfoField Field(int depth) {
    SysInfoField field;
    field.name = Name("nombre de parámetro");
    const size_t at = pos_;
    switch (static_cast<SysInfoWireType>(Byte("tipo de parámetro"))) {
      case SysInfoWireType::kAnsiText:
        field.value = SysInfoAnsiText{AnsiText()};
        break;
      case SysInfoWireType::kWideText:
        field.value = SysInfoWideText{WideText()};
        break;
      case SysInfoWireType::kInteger:
        field.value = static_cast<int32_t>(U32("entero"));
        break;
      case SysInfoWireType::kBoolean: {
        const uint8_t raw = Byte("booleano");
        if (raw > 1) Malformed(at + 1, "booleano con valor " + std::to_string(raw));
        field.value = raw == 1;
        break;
      }
      case SysInfoWireType::kStructArray: {
        if (depth >= kSysInfoMaxArrayNesting) Malformed(at, "estructuras anidadas en exceso");
        SysInfoStructArray array;
        array.element_type = Name("tipo de elemento");
        const uint32_t count = Count(kMinElementBytes, "cantidad de elementos");
        array.elements.reserve(count);
        for (uint32_t i = 0; i < count; ++i) array.elements.push_back(SysInfoStruct{Fields(depth + 1)});
        field.value = std::move(array);
        break;
      }
      default:
        Malformed(at, "tipo de parámetro desconocido " +
                          std::to_string(static_cast<uint8_t>(bytes_[at])));
    }
    return field;
  }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

const char* WireTypeName(const SysInfoValue& value) {
  switch (value.index()) {
    case 0: return "texto";
    case 1: return "texto UTF-16";
    case 2: return "entero";
    case 3: return "booleano";
    default: return "arreglo de estructuras";
  }
}

template <typename T>
const T& ReadTyped(const std::vector<SysInfoField>& fields, std::string_view name,
                   const char* expected) {
  const SysInfoField* field = FindSysInfoField(fields, name);
  if (field == nullptr) {
    throw ESysInfoMessageError("Falta el parámetro \"" + std::string(name) +
                               "\" en el mensaje del Servicio de Información del Sistema.");
  }
  const T* value = std::get_if<T>(&field->value);
  if (value == nullptr) {
    throw ESysInfoMessageError("El parámetro \"" + std::string(name) + "\" es de tipo " +
                               WireTypeName(field->value) + " y se esperaba " + expected + ".");
  }
  return *value;
}

}  // namespace

std::string EncodeSysInfoMessage(const SysInfoMessage& message) {
  Writer writer;
  writer.Bytes(std::string_view(kSysInfoMessageSignature, 4));
  writer.Byte(kSysInfoMessageVersion);
  writer.Byte(static_cast<uint8_t>(message.type));
  writer.Byte(0);
  writer.Byte(0);
  writer.Bytes(std::string_view(reinterpret_cast<const char*>(message.client_id.data()),
                                message.client_id.size()));
  writer.Name(message.library);
  writer.Name(message.interface_name);
  writer.Name(message.operation);
  if (message.type == SysInfoMessageType::kException) {
    writer.Name(message.exception_class);
    writer.WideText(message.exception_message);
  } else {
    writer.Fields(message.parameters, 0);
  }
  return writer.Take();
}

SysInfoMessage DecodeSysInfoMessage(std::string_view bytes) {
  Reader reader(bytes);
  if (bytes.size() < kHeaderBytes) Malformed(0, "cabecera incompleta");
  if (reader.Take(4, "firma") != std::string_view(kSysInfoMessageSignature, 4)) {
    Malformed(0, "firma desconocida");
  }
  const uint8_t version = reader.Byte("versión");
  if (version != kSysInfoMessageVersion) Malformed(4, "versión " + std::to_string(version) + " desconocida");
  SysInfoMessage message;
  const uint8_t type = reader.Byte("tipo de mensaje");
  if (type < 1 || type > 3) Malformed(5, "tipo de mensaje " + std::to_string(type) + " desconocido");
  message.type = static_cast<SysInfoMessageType>(type);
  if (reader.Byte("reservado") != 0 || reader.Byte("reservado") != 0) Malformed(6, "campo reservado no nulo");
  const std::string_view id = reader.Take(message.client_id.size(), "identificador de cliente");
  std::memcpy(message.client_id.data(), id.data(), id.size());
  message.library = reader.Name("nombre de biblioteca");
  message.interface_name = reader.Name("nombre de interfaz");
  message.operation = reader.Name("nombre de operación");
  if (message.type == SysInfoMessageType::kException) {
    message.exception_class = reader.Name("clase de excepción");
    message.exception_message = reader.WideText();
  } else {
    message.parameters = reader.Fields(0);
  }
  if (reader.Remaining() != 0) {
    Malformed(reader.offset(), std::to_string(reader.Remaining()) + " bytes sobrantes al final");
  }
  return message;
}

const SysInfoField* FindSysInfoField(const std::vector<SysInfoField>& fields,
                                     std::string_view name) {
  for (const SysInfoField& field : fields) {
    if (SameText(field.name, name)) return &field;
  }
  return nullptr;
}

std::string ReadAnsiField(const std::vector<SysInfoField>& fields, std::string_view name) {
  return ReadTyped<SysInfoAnsiText>(fields, name, "texto").text;
}

std::string ReadWideField(const std::vector<SysInfoField>& fields, std::string_view name) {
  return ReadTyped<SysInfoWideText>(fields, name, "texto UTF-16").text;
}

int32_t ReadIntegerField(const std::vector<SysInfoField>& fields, std::string_view name) {
  return ReadTyped<int32_t>(fields, name, "entero");
}

bool ReadBooleanField(const std::vector<SysInfoField>& fields, std::string_view name) {
  return ReadTyped<bool>(fields, name, "booleano");
}

const SysInfoStructArray& ReadStructArrayField(const std::vector<SysInfoField>& fields,
                                               std::string_view name) {
  return ReadTyped<SysInfoStructArray>(fields, name, "arreglo de estructuras");
}

std::string DescribeSysInfoValue(const SysInfoValue& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, SysInfoAnsiText> || std::is_same_v<T, SysInfoWideText>) {
          constexpr size_t kShown = 60;
          if (v.text.size() <= kShown) return "\"" + v.text + "\"";
          return "\"" + v.text.substr(0, kShown) + "...\" (" + std::to_string(v.text.size()) + " bytes)";
        } else if constexpr (std::is_same_v<T, int32_t>) {
          return std::to_string(v);
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? "True" : "False";
        } else {
          return "[" + std::to_string(v.elements.size()) + " " + v.element_type + "]";
        }
      },
      value);
}

}  // namespace hotfix
