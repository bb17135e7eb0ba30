#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sysenv/ports/version_block.h"

namespace hotfix {

// The version resource of an executable file. Never raises for files
// without version data: every text is then empty.
class TVersionInfo {
 public:
  // Reads the file's version resource through the machine's file facts.
  explicit TVersionInfo(std::string file_name);
  // Over version data already read (the raw VS_VERSIONINFO block, or nothing).
  TVersionInfo(std::string file_name, const std::optional<std::string>& version_data);

  const std::string& file_name() const { return file_name_; }
  bool valid() const { return valid_; }

  // The first translation as 8 hexadecimal digits, language first ("0C0A04E4").
  std::string Translation() const;
  // The text at "\StringFileInfo\" + Translation() + "\" + name.
  std::string StringValue(std::string_view name) const;
  // The "FileVersion" string, or the fixed file version when that is empty.
  std::string FileVersion() const;

 private:
  void Load(const std::optional<std::string>& version_data);

  std::string file_name_;
  bool valid_ = false;
  std::optional<VersionBlock> block_;
};

}  // namespace hotfix
