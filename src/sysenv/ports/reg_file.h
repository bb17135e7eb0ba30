#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sysenv/ports/registry.h"

namespace hotfix {

// HKEY_LOCAL_MACHINE as a text file in the registry editor's export format:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\Software\Velmar]
//   "Nombre"="texto con \\ y \""
//   @="valor por defecto"
//   "Carpeta"=hex(2):25,00,50,00,00,00
//   "Cantidad"=dword:0000002a
//
// Read as UTF-8 (with or without a byte-order mark) or UTF-16LE with a
// byte-order mark; written back in the encoding it was read in, with CR LF.
// Key paths and value names are compared without regard to case. A key
// exists when it has a header line or a key below it has one. When a value
// is given twice the later one counts, as when the file is imported.
//
// String values with line breaks are kept as hex(1) (REG_SZ written as
// UTF-16LE bytes), expandable strings as hex(2); hex(4) of four bytes is a
// DWORD; every other hex type is kept as it stands and reads as kOther.
//
// Writing changes only the lines of the value written (or adds lines), so
// comments and the layout of everything else stay as they were.
class RegFile {
 public:
  enum class Encoding { kUtf8, kUtf8WithBom, kUtf16LeWithBom };

  static constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

  // A document holding the header line only.
  explicit RegFile(Encoding encoding = Encoding::kUtf8);

  // Reads the bytes of a file. A malformed line raises ESandboxFormatError
  // naming `file_name` and the line number.
  static RegFile Parse(std::string_view bytes, const std::string& file_name);
  // The bytes to write back.
  std::string Serialize() const;
  Encoding encoding() const { return encoding_; }

  bool KeyExists(std::string_view path) const;
  // Direct subkeys in the order they first appear in the file.
  std::optional<std::vector<std::string>> SubKeyNames(std::string_view path) const;
  // The value named (an empty name is the key's default value "@").
  std::optional<RegistryValue> ReadValue(std::string_view path, std::string_view name) const;

  // Adds a header line for the key when it does not exist yet.
  void CreateKey(std::string_view path);
  // Writes a value, creating the key when needed. kOther values cannot be
  // written. Raises EOSError for the root itself (it holds no values).
  void WriteValue(std::string_view path, std::string_view name, const RegistryValue& value);

 private:
  struct KeySection {
    std::string path;    // as spelled in the header, without the root
    std::string folded;  // upper-cased, for comparisons
    size_t header_line = 0;
    size_t end_line = 0;  // one past the section's last line
  };
  struct ValueLine {
    size_t section = 0;
    std::string name;
    RegistryValue value;
    size_t first_line = 0;
    size_t last_line = 0;
  };

  void Index(const std::string& file_name);
  const ValueLine* FindValue(const std::string& folded_path, std::string_view name) const;
  std::string Spelling(const std::vector<std::string>& components) const;

  Encoding encoding_ = Encoding::kUtf8;
  std::vector<std::string> lines_;
  std::vector<KeySection> sections_;
  std::vector<ValueLine> values_;
  // Folded path of every key (and every key above one) to its spelling.
  std::map<std::string, std::string> keys_;
  // Folded path to the direct subkey names, in file order.
  std::map<std::string, std::vector<std::string>> children_;
  // Folded path + "\n" + folded value name to the last line that sets it.
  std::map<std::string, size_t> value_index_;
};

}  // namespace hotfix
