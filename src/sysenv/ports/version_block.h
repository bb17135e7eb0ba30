#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hotfix {

// The four 16-bit numbers of VS_FIXEDFILEINFO's file version.
struct FixedFileVersion {
  uint16_t major = 0;
  uint16_t minor = 0;
  uint16_t release = 0;
  uint16_t build = 0;

  // "9.70.1.0": decimal, no leading zeros.
  std::string Text() const;
};

// A VS_VERSIONINFO block (the data of a version resource) read the way
// VerQueryValue reads it: the fixed file information, the first entry of
// "\VarFileInfo\Translation" and the string tables of "\StringFileInfo".
// Keys are matched without regard to case. Every length in the block is
// checked against the data; a damaged part reads as absent.
class VersionBlock {
 public:
  // Nothing when not even the block's own header is sound.
  static std::optional<VersionBlock> Parse(std::string_view data);

  const std::optional<FixedFileVersion>& fixed_version() const { return fixed_version_; }
  // The first translation as 8 hexadecimal digits, language first and code
  // page second ("0C0A04E4"); empty when there is none.
  std::string Translation() const;
  // "\StringFileInfo\<table>\<name>"; nothing when absent.
  std::optional<std::string> QueryString(std::string_view table, std::string_view name) const;
  // The string `name` of the table named by Translation(); empty when absent.
  std::string StringValue(std::string_view name) const;
  // StringValue("FileVersion"), or the fixed file version when that is empty.
  std::string FileVersion() const;

 private:
  struct StringTable {
    std::string key;
    std::vector<std::pair<std::string, std::string>> values;
  };

  std::optional<FixedFileVersion> fixed_version_;
  std::optional<uint32_t> translation_;  // language in the low word, code page in the high word
  std::vector<StringTable> string_tables_;
};

}  // namespace hotfix
