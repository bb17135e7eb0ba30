#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace hotfix {

// Framing and DES channel encryption of the SysInfo protocol
// (docs/sysinfo-protocol.md, sections 2 and 3).

inline constexpr char kSysInfoFrameSignature[] = "VSIF";
inline constexpr size_t kSysInfoFrameHeaderBytes = 8;
inline constexpr size_t kSysInfoIvBytes = 8;
inline constexpr size_t kSysInfoTagBytes = 32;
inline constexpr size_t kSysInfoMinEnvelopeBytes = kSysInfoIvBytes + 8 + kSysInfoTagBytes;
inline constexpr size_t kSysInfoMaxEnvelopeBytes = 1024 * 1024;

// The key both sides of the installer's SysInfo channel use.
inline constexpr char kSysInfoChannelKey[] = "7C3E95B2F06A41D8E2B7094C5A6F13E0";

// The envelope length a frame header announces. Raises ESysInfoMessageError
// when the signature is wrong or the length breaks the bounds.
size_t ParseSysInfoFrameHeader(std::string_view header);

// Seals plain messages into frames and opens frames back, with one key text.
class SysInfoChannelCipher {
 public:
  // Raises ESysInfoChannelError when the key text is not 32 hexadecimal
  // digits or gives a weak DES key.
  explicit SysInfoChannelCipher(std::string_view key_text);

  // The whole frame (header and envelope) of a plain message. Raises
  // ESysInfoMessageError when the message is too large for one frame.
  std::string Seal(std::string_view plain) const;

  // The plain message of a whole frame. Raises ESysInfoMessageError when the
  // frame breaks the framing rules, and ESysInfoChannelError when its tag or
  // padding does not check (another key, or a damaged message).
  std::string Open(std::string_view frame) const;

  // The keys the text gives, for the documentation's example and the tests.
  const std::array<uint8_t, 8>& des_key() const { return des_key_; }

 private:
  std::array<uint8_t, 8> des_key_{};
  std::array<uint8_t, 16> mac_key_{};
};

}  // namespace hotfix
