#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hotfix::testing {

// Builds Windows executables and version resources in memory, so tests and
// fuzz seeds need no binary files.

// A VS_VERSIONINFO block as the resource compiler lays it out.
struct VersionBlockContents {
  struct StringTable {
    std::string key;  // "0C0A04E4"
    std::vector<std::pair<std::string, std::string>> strings;
  };

  // major, minor, release, build; nothing: no VS_FIXEDFILEINFO at all.
  std::optional<std::array<uint16_t, 4>> fixed_version;
  std::vector<StringTable> string_tables;  // none: no StringFileInfo
  // (language, code page) pairs; none: no VarFileInfo.
  std::vector<std::pair<uint16_t, uint16_t>> translations;
};

std::string BuildVersionBlock(const VersionBlockContents& contents);

// A small PE file with a code section and, when there are resources, a
// resource section. Directory entries keep the order given here.
struct PeFileContents {
  struct Resource {
    uint32_t type = 16;  // RT_VERSION
    uint32_t name = 1;   // VS_VERSION_INFO
    uint16_t language = 0;
    std::string data;
  };

  bool pe32_plus = false;
  std::vector<Resource> resources;
};

std::string BuildPeFile(const PeFileContents& contents);

// The usual case: one RT_VERSION resource holding the block, after an icon.
std::string BuildPeWithVersion(const std::string& version_block, bool pe32_plus = false);

// Where BuildPeFile placed things, for tests that damage a file on purpose.
struct PeLayout {
  uint32_t pe_header = 0x80;                 // "PE\0\0"
  uint32_t resource_section_offset = 0x400;  // file offset of the resource section
  uint32_t resource_section_rva = 0x2000;
};
inline constexpr PeLayout kPeLayout{};

}  // namespace hotfix::testing
