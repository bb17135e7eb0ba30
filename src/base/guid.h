#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace hotfix {

using GuidBytes = std::array<uint8_t, 16>;

// A new random (version 4) GUID.
GuidBytes NewGuid();

// 32 upper-case hexadecimal digits, no braces or dashes, in the order the
// GUID is written ({XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} without decoration).
std::string GuidToHex32(const GuidBytes& guid);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string GuidToBracedText(const GuidBytes& guid);

}  // namespace hotfix
