#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/exception.h"
#include "base/string_list.h"

namespace hotfix {

HOTFIX_DECLARE_EXCEPTION(EIniFileException, Exception);

// An INI file with the behaviour of the Windows profile functions: section
// and key names compared without regard to case, the first of duplicate
// sections or keys wins, blanks around keys and values ignored, lines
// starting with ";" ignored. On disk it is Windows-1252 with CR LF.
//
// Reads come from the lines loaded at construction. A write changes one key
// line (or adds it) and leaves every other line as it was, then replaces the
// file atomically; it raises EIniFileException when the file cannot be written.
class IniFile {
 public:
  // Loads the file when it exists; a missing file is an empty INI.
  explicit IniFile(std::string path);
  // An INI over lines already in memory; writes go nowhere until SaveAs.
  static IniFile FromLines(std::vector<std::string> lines);

  const std::string& path() const { return path_; }
  bool existed() const { return existed_; }

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // As GetPrivateProfileString: the value trimmed, one pair of enclosing
  // single or double quotes removed.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) const;
  int ReadInteger(std::string_view section, std::string_view key, int default_value) const;
  bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;

  // Section names in file order (each once).
  StringList ReadSections() const;
  // Key names of a section in file order.
  StringList ReadSection(std::string_view section) const;
  // The Name=Value lines of a section, keys and values trimmed, quotes kept.
  StringList ReadSectionValues(std::string_view section) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view key);

  const std::vector<std::string>& lines() const { return lines_; }
  // Writes the current lines to `path` atomically; false when it could not.
  bool SaveAs(const std::string& path, std::string* error = nullptr) const;

 private:
  IniFile() = default;
  struct Range {
    size_t header;  // line of "[section]"
    size_t end;     // one past the section's last line
  };
  std::optional<Range> FindSection(std::string_view section) const;
  std::optional<size_t> FindKey(const Range& range, std::string_view key) const;
  void Save();

  std::string path_;
  bool existed_ = false;
  std::vector<std::string> lines_;
};

// The name inside "[name]" when the line is a section header.
std::optional<std::string> IniSectionName(std::string_view line);

}  // namespace hotfix
