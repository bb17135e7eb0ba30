#include "sysenv/ports/pe_version.h"

namespace hotfix {

std::optional<std::string> ExtractPeVersionResource(std::string_view /*file_bytes*/) {
  return std::nullopt;  // the PE reader lands with the version-resource work
}

}  // namespace hotfix
