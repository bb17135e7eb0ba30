#pragma once

#include <string>
#include <string_view>

namespace hotfix {

// Two upper-case hexadecimal digits per byte.
std::string BytesToHex(std::string_view bytes);

// Pairs of characters from the start, each read as a hexadecimal number into
// one byte; a pair that is not one gives 0, an odd last character is ignored.
std::string HexToBytes(std::string_view text);

}  // namespace hotfix
