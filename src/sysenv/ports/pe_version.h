#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hotfix {

// The raw VS_VERSIONINFO block of a Windows executable (PE file) held in
// memory: headers, resource directory, RT_VERSION. Nothing when the bytes
// are not a PE file, have no version resource, or are truncated or corrupt;
// never reads outside `file_bytes`.
std::optional<std::string> ExtractPeVersionResource(std::string_view file_bytes);

}  // namespace hotfix
