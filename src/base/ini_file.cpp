#include "base/ini_file.h"

#include "base/text.h"
#include "base/text_file.h"

namespace hotfix {
namespace {

bool IsCommentOrEmpty(std::string_view line) {
  const std::string_view t = TrimView(line);
  return t.empty() || t.front() == ';';
}

// Splits "key=value" into trimmed parts; false for lines without "=".
bool SplitKeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = TrimView(line.substr(0, eq));
  value = TrimView(line.substr(eq + 1));
  return true;
}

}  // namespace

std::optional<std::string> IniSectionName(std::string_view line) {
  const std::string_view t = TrimView(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  const size_t close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  if (auto lines = ReadCp1252Lines(path_)) {
    existed_ = true;
    lines_ = std::move(*lines);
  }
}

IniFile IniFile::FromLines(std::vector<std::string> lines) {
  IniFile ini;
  ini.lines_ = std::move(lines);
  return ini;
}

std::optional<IniFile::Range> IniFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const auto name = IniSectionName(lines_[i]);
    if (!name || !SameText(*name, section)) continue;
    size_t end = i + 1;
    while (end < lines_.size() && !IniSectionName(lines_[end])) ++end;
    return Range{i, end};
  }
  return std::nullopt;
}

std::optional<size_t> IniFile::FindKey(const Range& range, std::string_view key) const {
  for (size_t i = range.header + 1; i < range.end; ++i) {
    if (IsCommentOrEmpty(lines_[i])) continue;
    std::string_view k;
    std::string_view v;
    if (SplitKeyValue(lines_[i], k, v) && SameText(k, key)) return i;
  }
  return std::nullopt;
}

bool IniFile::SectionExists(std::string_view section) const {
  return FindSection(section).has_value();
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  const auto range = FindSection(section);
  return range && FindKey(*range, key).has_value();
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view default_value) const {
  const auto range = FindSection(section);
  if (!range) return std::string(default_value);
  const auto line = FindKey(*range, key);
  if (!line) return std::string(default_value);
  std::string_view k;
  std::string_view value;
  SplitKeyValue(lines_[*line], k, value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key,
                         int default_value) const {
  long long value = 0;
  const std::string text = ReadString(section, key, "");
  unsigned long long hex = 0;
  if (TryParseInt(text, value) && value >= INT32_MIN && value <= INT32_MAX) {
    return static_cast<int>(value);
  }
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
      TryParseHex(text, hex) && hex <= UINT32_MAX) {
    return static_cast<int>(static_cast<uint32_t>(hex));
  }
  return default_value;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool default_value) const {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

StringList IniFile::ReadSections() const {
  StringList names;
  for (const auto& line : lines_) {
    if (auto name = IniSectionName(line); name && names.IndexOf(*name) < 0) {
      names.Add(*name);
    }
  }
  return names;
}

StringList IniFile::ReadSection(std::string_view section) const {
  StringList keys;
  if (const auto range = FindSection(section)) {
    for (size_t i = range->header + 1; i < range->end; ++i) {
      std::string_view k;
      std::string_view v;
      if (!IsCommentOrEmpty(lines_[i]) && SplitKeyValue(lines_[i], k, v)) {
        keys.Add(std::string(k));
      }
    }
  }
  return keys;
}

StringList IniFile::ReadSectionValues(std::string_view section) const {
  StringList values;
  if (const auto range = FindSection(section)) {
    for (size_t i = range->header + 1; i < range->end; ++i) {
      if (IsCommentOrEmpty(lines_[i])) continue;
      std::string_view k;
      std::string_view v;
      if (SplitKeyValue(lines_[i], k, v)) {
        values.Add(std::string(k) + "=" + std::string(v));
      } else {
        values.Add(Trim(lines_[i]));
      }
    }
  }
  return values;
}

void IniFile::WriteString(std::string_view section, std::string_view key,
                          std::string_view value) {
  std::string line = std::string(key) + "=" + std::string(value);
  const auto range = FindSection(section);
  if (!range) {
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(std::move(line));
  } else if (const auto existing = FindKey(*range, key)) {
    lines_[*existing] = std::move(line);
  } else {
    // After the section's last non-empty line, so a blank separator stays.
    size_t at = range->end;
    while (at > range->header + 1 && TrimView(lines_[at - 1]).empty()) --at;
    lines_.insert(lines_.begin() + static_cast<long>(at), std::move(line));
  }
  Save();
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseSection(std::string_view section) {
  bool changed = false;
  while (const auto range = FindSection(section)) {
    lines_.erase(lines_.begin() + static_cast<long>(range->header),
                 lines_.begin() + static_cast<long>(range->end));
    changed = true;
  }
  if (changed) Save();
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  const auto range = FindSection(section);
  if (!range) return;
  if (const auto line = FindKey(*range, key)) {
    lines_.erase(lines_.begin() + static_cast<long>(*line));
    Save();
  }
}

bool IniFile::SaveAs(const std::string& path, std::string* error) const {
  return WriteCp1252Lines(path, lines_, error);
}

void IniFile::Save() {
  if (path_.empty()) return;
  std::string error;
  if (!SaveAs(path_, &error)) {
    throw EIniFileException("No se pudo escribir el archivo " + path_ + " (" + error + ")");
  }
  existed_ = true;
}

}  // namespace hotfix
