#include "sysenv/ports/reg_file.h"

#include <cstdio>

#include "base/codepage.h"
#include "base/exception.h"
#include "base/text.h"
#include "sysenv/ports/sandbox_format_error.h"

namespace hotfix {
namespace {

constexpr std::string_view kRootName = "HKEY_LOCAL_MACHINE";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";
constexpr size_t kHexLineWidth = 76;

enum RegType : unsigned long long { kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4 };

std::vector<std::string> PathComponents(std::string_view path) {
  std::vector<std::string> parts;
  for (std::string& part : Split(path, '\\')) {
    if (!part.empty()) parts.push_back(std::move(part));
  }
  return parts;
}

std::string JoinComponents(const std::vector<std::string>& parts, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) out.push_back('\\');
    out.append(parts[i]);
  }
  return out;
}

std::string FoldedPath(std::string_view path) {
  const auto parts = PathComponents(path);
  return AnsiUpperCase(JoinComponents(parts, parts.size()));
}

std::string ValueKey(const std::string& folded_path, std::string_view name) {
  return folded_path + "\n" + AnsiUpperCase(name);
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsValidUtf8(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t start = pos;
    if (DecodeUtf8(text, pos) == 0xFFFD &&
        text.substr(start, pos - start) != "\xEF\xBF\xBD") {
      return false;
    }
  }
  return true;
}

// Reads the lines of one file and reports its malformed lines.
class LineReader {
 public:
  explicit LineReader(const std::string& file_name) : file_name_(file_name) {}
  [[noreturn]] void Fail(size_t line_index, std::string_view what) const {
    ThrowSandboxFormatError(file_name_, line_index + 1, what);
  }

 private:
  const std::string& file_name_;
};

// A quoted text with the \\ and \" escapes, starting at text[pos] == '"'.
// Advances past the closing quote.
std::string ReadQuoted(std::string_view text, size_t& pos, const LineReader& reader,
                       size_t line) {
  std::string out;
  ++pos;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == '"') {
      ++pos;
      return out;
    }
    if (c == '\\') {
      if (pos + 1 >= text.size() || (text[pos + 1] != '\\' && text[pos + 1] != '"')) {
        reader.Fail(line,
                    "barra invertida sin escapar entre comillas (escriba \\\\ para una barra "
                    "y \\\" para una comilla)");
      }
      out.push_back(text[pos + 1]);
      pos += 2;
      continue;
    }
    out.push_back(c);
    ++pos;
  }
  reader.Fail(line, "falta la comilla de cierre");
}

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

std::string HexByte(unsigned char byte) {
  char buffer[3];
  std::snprintf(buffer, sizeof buffer, "%02x", byte);
  return buffer;
}

// The bytes of "hex:" data: two-digit hexadecimal numbers separated by commas.
std::string ParseHexBytes(std::string_view data, const LineReader& reader, size_t line) {
  std::string bytes;
  const std::string_view trimmed = TrimView(data);
  if (trimmed.empty()) return bytes;
  const std::vector<std::string> items = Split(trimmed, ',');
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string_view item = TrimView(items[i]);
    if (item.empty() && i + 1 == items.size()) break;  // a trailing comma
    if (item.empty() || item.size() > 2 || !IsHexDigit(item[0]) ||
        (item.size() == 2 && !IsHexDigit(item[1]))) {
      reader.Fail(line, "byte hexadecimal no válido: \"" + std::string(item) + "\"");
    }
    unsigned long long value = 0;
    TryParseHex(item, value);
    bytes.push_back(static_cast<char>(value));
  }
  return bytes;
}

std::string TextFromUtf16(std::string_view bytes, const LineReader& reader, size_t line) {
  if (bytes.size() % 2 != 0) reader.Fail(line, "texto UTF-16 con una cantidad impar de bytes");
  std::string text = Utf16LeToUtf8(bytes);
  const size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

RegistryValue ValueFromHex(unsigned long long type, const std::string& bytes,
                           const LineReader& reader, size_t line) {
  RegistryValue value;
  switch (type) {
    case kRegSz:
      value.kind = RegistryValue::Kind::kString;
      value.text = TextFromUtf16(bytes, reader, line);
      break;
    case kRegExpandSz:
      value.kind = RegistryValue::Kind::kExpandString;
      value.text = TextFromUtf16(bytes, reader, line);
      break;
    case kRegDword:
      if (bytes.size() == 4) {
        value.kind = RegistryValue::Kind::kDWord;
        for (int i = 3; i >= 0; --i) {
          value.dword = (value.dword << 8) | static_cast<unsigned char>(bytes[static_cast<size_t>(i)]);
        }
      } else {
        value.kind = RegistryValue::Kind::kOther;
      }
      break;
    default:
      value.kind = RegistryValue::Kind::kOther;
      break;
  }
  return value;
}

// The data after "=": a quoted string, dword:, hex: or hex(N):.
RegistryValue ParseData(std::string_view data, const LineReader& reader, size_t line) {
  data = TrimView(data);
  if (!data.empty() && data.front() == '"') {
    size_t pos = 0;
    RegistryValue value;
    value.kind = RegistryValue::Kind::kString;
    value.text = ReadQuoted(data, pos, reader, line);
    if (!TrimView(data.substr(pos)).empty()) {
      reader.Fail(line, "texto de más después de la comilla de cierre");
    }
    return value;
  }
  if (StartsText("dword:", data)) {
    const std::string_view digits = TrimView(data.substr(6));
    bool valid = !digits.empty() && digits.size() <= 8;
    for (char c : digits) valid = valid && IsHexDigit(c);
    if (!valid) reader.Fail(line, "valor dword no válido (se esperan hasta 8 dígitos hexadecimales)");
    unsigned long long number = 0;
    TryParseHex(digits, number);
    RegistryValue value;
    value.kind = RegistryValue::Kind::kDWord;
    value.dword = static_cast<uint32_t>(number);
    return value;
  }
  if (StartsText("hex", data)) {
    unsigned long long type = kRegBinary;
    std::string_view rest = data.substr(3);
    if (!rest.empty() && rest.front() == '(') {
      const size_t close = rest.find(')');
      bool valid = close != std::string_view::npos && close > 1 && close <= 9;
      if (valid) {
        for (char c : rest.substr(1, close - 1)) valid = valid && IsHexDigit(c);
      }
      if (!valid) reader.Fail(line, "tipo hex(...) no válido");
      TryParseHex(rest.substr(1, close - 1), type);
      rest = rest.substr(close + 1);
    }
    if (rest.empty() || rest.front() != ':') reader.Fail(line, "falta \":\" después de hex");
    return ValueFromHex(type, ParseHexBytes(rest.substr(1), reader, line), reader, line);
  }
  if (data == "-") reader.Fail(line, "no se admite borrar valores (\"=-\")");
  reader.Fail(line, "tipo de dato no reconocido (se espera \"texto\", dword: o hex:)");
}

std::string HexData(std::string_view prefix, std::string_view bytes) {
  std::string out(prefix);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) out.push_back(',');
    out.append(HexByte(static_cast<unsigned char>(bytes[i])));
  }
  return out;
}

// Wraps a long hex line the way the registry editor does: a "\" at the end
// of each line but the last, continuation lines indented by two blanks.
std::vector<std::string> WrapHexLine(const std::string& line) {
  std::vector<std::string> out;
  std::string current;
  size_t pos = 0;
  while (pos < line.size()) {
    size_t next = line.find(',', pos);
    const size_t end = next == std::string::npos ? line.size() : next + 1;
    const std::string_view piece(line.data() + pos, end - pos);
    if (!current.empty() && current.size() + piece.size() > kHexLineWidth) {
      out.push_back(current + "\\");
      current = "  ";
    }
    current.append(piece);
    pos = end;
  }
  out.push_back(current);
  return out;
}

std::vector<std::string> FormatValue(std::string_view name, const RegistryValue& value) {
  const std::string left = name.empty() ? std::string("@") : "\"" + Escape(name) + "\"";
  switch (value.kind) {
    case RegistryValue::Kind::kString:
      if (value.text.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos) {
        return {left + "=\"" + Escape(value.text) + "\""};
      }
      return WrapHexLine(left + "=" + HexData("hex(1):", Utf8ToUtf16Le(value.text) + '\0' + '\0'));
    case RegistryValue::Kind::kExpandString:
      return WrapHexLine(left + "=" + HexData("hex(2):", Utf8ToUtf16Le(value.text) + '\0' + '\0'));
    case RegistryValue::Kind::kDWord: {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "%08x", static_cast<unsigned>(value.dword));
      return {left + "=dword:" + buffer};
    }
    case RegistryValue::Kind::kOther:
      break;
  }
  throw Exception("No se puede escribir un valor de tipo desconocido en el registro: " +
                  std::string(name));
}

std::string HeaderLine(std::string_view path) {
  return "[" + std::string(kRootName) + (path.empty() ? "" : "\\") + std::string(path) + "]";
}

}  // namespace

RegFile::RegFile(Encoding encoding) : encoding_(encoding) {
  lines_.emplace_back(kHeader);
  lines_.emplace_back();
  Index("");
}

RegFile RegFile::Parse(std::string_view bytes, const std::string& file_name) {
  RegFile file;
  std::string text;
  if (bytes.substr(0, 2) == kUtf16Bom) {
    file.encoding_ = Encoding::kUtf16LeWithBom;
    if (bytes.size() % 2 != 0) {
      ThrowSandboxFormatError(file_name, 1, "archivo UTF-16 con una cantidad impar de bytes");
    }
    text = Utf16LeToUtf8(bytes.substr(2));
  } else if (bytes.substr(0, 3) == kUtf8Bom) {
    file.encoding_ = Encoding::kUtf8WithBom;
    text = std::string(bytes.substr(3));
  } else {
    file.encoding_ = Encoding::kUtf8;
    text = std::string(bytes);
  }
  file.lines_ = SplitLines(text);
  file.Index(file_name);
  return file;
}

void RegFile::Index(const std::string& file_name) {
  const LineReader reader(file_name);
  sections_.clear();
  values_.clear();
  keys_.clear();
  children_.clear();
  value_index_.clear();
  keys_[""] = "";

  if (lines_.empty() || TrimView(lines_[0]) != kHeader) {
    reader.Fail(0, "la primera línea debe ser \"" + std::string(kHeader) + "\"");
  }
  for (size_t i = 1; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    if (!IsValidUtf8(line)) reader.Fail(i, "texto que no es UTF-8 ni UTF-16");
    const std::string_view t = TrimView(line);
    if (t.empty() || t.front() == ';') continue;

    if (t.front() == '[') {
      const size_t close = t.rfind(']');
      if (close == std::string_view::npos) reader.Fail(i, "falta el \"]\" de la clave");
      if (!TrimView(t.substr(close + 1)).empty()) reader.Fail(i, "texto de más después de \"]\"");
      const std::string_view inner = t.substr(1, close - 1);
      if (!inner.empty() && inner.front() == '-') reader.Fail(i, "no se admite borrar claves (\"[-\")");
      const size_t slash = inner.find('\\');
      const std::string_view root = inner.substr(0, slash);
      if (!SameText(root, kRootName)) {
        reader.Fail(i, "sólo se admiten claves de HKEY_LOCAL_MACHINE (se encontró \"" +
                           std::string(root) + "\")");
      }
      const std::vector<std::string> parts =
          PathComponents(slash == std::string_view::npos ? std::string_view() : inner.substr(slash));
      if (!sections_.empty()) sections_.back().end_line = i;
      KeySection section;
      section.path = JoinComponents(parts, parts.size());
      section.folded = AnsiUpperCase(section.path);
      section.header_line = i;
      section.end_line = lines_.size();
      sections_.push_back(std::move(section));
      for (size_t depth = 1; depth <= parts.size(); ++depth) {
        const std::string folded = AnsiUpperCase(JoinComponents(parts, depth));
        if (keys_.count(folded) > 0) continue;
        keys_[folded] = JoinComponents(parts, depth);
        children_[AnsiUpperCase(JoinComponents(parts, depth - 1))].push_back(parts[depth - 1]);
      }
      continue;
    }

    if (t.front() != '"' && t.front() != '@') {
      reader.Fail(i, "línea no reconocida (se espera [clave], \"nombre\"=valor o @=valor)");
    }
    if (sections_.empty()) reader.Fail(i, "valor antes de la primera [clave]");
    const size_t first = i;
    std::string name;
    size_t pos = 0;
    if (t.front() == '@') {
      pos = 1;
    } else {
      name = ReadQuoted(t, pos, reader, i);
    }
    while (pos < t.size() && (t[pos] == ' ' || t[pos] == '\t')) ++pos;
    if (pos >= t.size() || t[pos] != '=') reader.Fail(i, "falta \"=\" después del nombre del valor");
    std::string data(t.substr(pos + 1));
    // Hex data continues on the next line after a trailing "\".
    if (StartsText("hex", TrimView(data))) {
      while (!TrimView(data).empty() && TrimView(data).back() == '\\') {
        data = std::string(TrimView(data));
        data.pop_back();
        if (i + 1 >= lines_.size()) reader.Fail(i, "falta la línea que continúa el valor");
        ++i;
        if (!IsValidUtf8(lines_[i])) reader.Fail(i, "texto que no es UTF-8 ni UTF-16");
        data.append(TrimView(lines_[i]));
      }
    }
    ValueLine value;
    value.section = sections_.size() - 1;
    value.name = std::move(name);
    value.value = ParseData(data, reader, i);
    value.first_line = first;
    value.last_line = i;
    value_index_[ValueKey(sections_.back().folded, value.name)] = values_.size();
    values_.push_back(std::move(value));
  }
}

std::string RegFile::Serialize() const {
  const std::string text = JoinLinesCrLf(lines_);
  switch (encoding_) {
    case Encoding::kUtf8: return text;
    case Encoding::kUtf8WithBom: return std::string(kUtf8Bom) + text;
    case Encoding::kUtf16LeWithBom: return std::string(kUtf16Bom) + Utf8ToUtf16Le(text);
  }
  return text;
}

bool RegFile::KeyExists(std::string_view path) const { return keys_.count(FoldedPath(path)) > 0; }

std::optional<std::vector<std::string>> RegFile::SubKeyNames(std::string_view path) const {
  const std::string folded = FoldedPath(path);
  if (keys_.count(folded) == 0) return std::nullopt;
  const auto it = children_.find(folded);
  return it == children_.end() ? std::vector<std::string>() : it->second;
}

const RegFile::ValueLine* RegFile::FindValue(const std::string& folded_path,
                                             std::string_view name) const {
  const auto it = value_index_.find(ValueKey(folded_path, name));
  return it == value_index_.end() ? nullptr : &values_[it->second];
}

std::optional<RegistryValue> RegFile::ReadValue(std::string_view path,
                                                std::string_view name) const {
  const ValueLine* value = FindValue(FoldedPath(path), name);
  if (value == nullptr) return std::nullopt;
  return value->value;
}

std::string RegFile::Spelling(const std::vector<std::string>& components) const {
  // Keys that exist keep the spelling they have; the rest is written as given.
  std::string spelled;
  for (size_t depth = 1; depth <= components.size(); ++depth) {
    const auto it = keys_.find(AnsiUpperCase(JoinComponents(components, depth)));
    if (it != keys_.end()) {
      spelled = it->second;
    } else {
      if (!spelled.empty()) spelled.push_back('\\');
      spelled.append(components[depth - 1]);
    }
  }
  return spelled;
}

void RegFile::CreateKey(std::string_view path) {
  if (KeyExists(path)) return;
  const std::string spelled = Spelling(PathComponents(path));
  if (!lines_.empty() && !TrimView(lines_.back()).empty()) lines_.emplace_back();
  lines_.push_back(HeaderLine(spelled));
  lines_.emplace_back();
  Index("registry.reg");
}

void RegFile::WriteValue(std::string_view path, std::string_view name,
                         const RegistryValue& value) {
  const std::vector<std::string> parts = PathComponents(path);
  if (parts.empty()) throw EOSError("Acceso denegado.");
  const std::string folded = AnsiUpperCase(JoinComponents(parts, parts.size()));

  if (const ValueLine* existing = FindValue(folded, name)) {
    const std::vector<std::string> formatted = FormatValue(existing->name, value);
    const auto first = lines_.begin() + static_cast<long>(existing->first_line);
    lines_.erase(first, lines_.begin() + static_cast<long>(existing->last_line) + 1);
    lines_.insert(lines_.begin() + static_cast<long>(existing->first_line), formatted.begin(),
                  formatted.end());
    Index("registry.reg");
    return;
  }
  const std::vector<std::string> formatted = FormatValue(name, value);
  const KeySection* section = nullptr;
  for (const KeySection& candidate : sections_) {
    if (candidate.folded == folded) section = &candidate;  // the last one counts
  }
  if (section != nullptr) {
    size_t at = section->end_line;
    while (at > section->header_line + 1 && TrimView(lines_[at - 1]).empty()) --at;
    lines_.insert(lines_.begin() + static_cast<long>(at), formatted.begin(), formatted.end());
  } else {
    const std::string spelled = Spelling(parts);
    while (!lines_.empty() && TrimView(lines_.back()).empty() && lines_.size() > 1) {
      lines_.pop_back();
    }
    lines_.emplace_back();
    lines_.push_back(HeaderLine(spelled));
    lines_.insert(lines_.end(), formatted.begin(), formatted.end());
    lines_.emplace_back();
  }
  Index("registry.reg");
}

}  // namespace hotfix
