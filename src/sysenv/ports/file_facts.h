#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hotfix {

// Facts about files that plain file access does not give.
class FileFacts {
 public:
  virtual ~FileFacts() = default;
  virtual bool IsReadOnly(const std::string& path) = 0;
  // Clears (or sets) the read-only attribute; false when it could not.
  virtual bool SetReadOnly(const std::string& path, bool read_only) = 0;
  // The raw VS_VERSIONINFO block of an executable's version resource; nothing
  // when the file has none or cannot be read.
  virtual std::optional<std::string> ReadVersionResource(const std::string& path) = 0;
};

}  // namespace hotfix
