#include "base/guid.h"

#include <random>

namespace hotfix {
namespace {

void AppendHex(std::string& out, uint8_t byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out.push_back(kDigits[byte >> 4]);
  out.push_back(kDigits[byte & 0x0F]);
}

}  // namespace

GuidBytes NewGuid() {
  static thread_local std::random_device device;
  GuidBytes guid{};
  for (size_t i = 0; i < guid.size(); i += 4) {
    const uint32_t word = device();
    for (size_t j = 0; j < 4; ++j) guid[i + j] = static_cast<uint8_t>(word >> (8 * j));
  }
  guid[6] = static_cast<uint8_t>((guid[6] & 0x0F) | 0x40);
  guid[8] = static_cast<uint8_t>((guid[8] & 0x3F) | 0x80);
  return guid;
}

std::string GuidToHex32(const GuidBytes& guid) {
  std::string out;
  out.reserve(32);
  for (uint8_t byte : guid) AppendHex(out, byte);
  return out;
}

std::string GuidToBracedText(const GuidBytes& guid) {
  const std::string hex = GuidToHex32(guid);
  return "{" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
         hex.substr(16, 4) + "-" + hex.substr(20) + "}";
}

}  // namespace hotfix
