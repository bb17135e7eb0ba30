#include "base/hex.h"

#include "base/codepage.h"

namespace hotfix {

std::string BytesToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char byte : bytes) {
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 0x0F]);
  }
  return out;
}

std::string HexToBytes(std::string_view text) {
  const auto digit = [](char32_t c) -> int {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    return -1;
  };
  std::string out;
  out.reserve(text.size() / 2);
  size_t pos = 0;
  while (pos < text.size()) {
    const char32_t high = DecodeUtf8(text, pos);
    if (pos >= text.size()) break;  // an odd last character
    const char32_t low = DecodeUtf8(text, pos);
    const int h = digit(high);
    const int l = digit(low);
    out.push_back(h < 0 || l < 0 ? '\0' : static_cast<char>(h * 16 + l));
  }
  return out;
}

}  // namespace hotfix
