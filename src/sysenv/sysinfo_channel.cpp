#include "sysenv/sysinfo_channel.h"

#include <gcrypt.h>

#include <memory>
#include <mutex>
#include <random>

#include "sysenv/sysinfo_errors.h"

namespace hotfix {
namespace {

void EnsureGcrypt() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P)) return;
    if (gcry_check_version(GCRYPT_VERSION) == nullptr) {
      throw ESysInfoChannelError("La biblioteca de cifrado instalada es más antigua que la requerida.");
    }
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  });
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

[[noreturn]] void CryptoFailure(const char* what, gcry_error_t error) {
  throw ESysInfoChannelError(std::string("Error de cifrado del canal SysInfo (") + what +
                             "): " + gcry_strerror(error));
}

struct CipherCloser {
  void operator()(gcry_cipher_hd_t handle) const { gcry_cipher_close(handle); }
};
using CipherHandle = std::unique_ptr<std::remove_pointer_t<gcry_cipher_hd_t>, CipherCloser>;

struct MacCloser {
  void operator()(gcry_mac_hd_t handle) const { gcry_mac_close(handle); }
};
using MacHandle = std::unique_ptr<std::remove_pointer_t<gcry_mac_hd_t>, MacCloser>;

CipherHandle OpenDes(const std::array<uint8_t, 8>& key) {
  gcry_cipher_hd_t raw = nullptr;
  gcry_error_t error = gcry_cipher_open(&raw, GCRY_CIPHER_DES, GCRY_CIPHER_MODE_CBC, 0);
  if (error != 0) CryptoFailure("apertura DES", error);
  CipherHandle handle(raw);
  error = gcry_cipher_setkey(raw, key.data(), key.size());
  if (gcry_err_code(error) == GPG_ERR_WEAK_KEY) {
    throw ESysInfoChannelError("La clave del canal SysInfo da una clave DES débil; elija otra.");
  }
  if (error != 0) CryptoFailure("clave DES", error);
  return handle;
}

std::array<uint8_t, kSysInfoTagBytes> ComputeTag(const std::array<uint8_t, 16>& key,
                                                 std::string_view covered) {
  gcry_mac_hd_t raw = nullptr;
  gcry_error_t error = gcry_mac_open(&raw, GCRY_MAC_HMAC_SHA256, 0, nullptr);
  if (error != 0) CryptoFailure("apertura HMAC", error);
  MacHandle handle(raw);
  error = gcry_mac_setkey(raw, key.data(), key.size());
  if (error == 0) error = gcry_mac_write(raw, covered.data(), covered.size());
  std::array<uint8_t, kSysInfoTagBytes> tag{};
  size_t length = tag.size();
  if (error == 0) error = gcry_mac_read(raw, tag.data(), &length);
  if (error != 0 || length != tag.size()) CryptoFailure("HMAC", error);
  return tag;
}

// A fresh, unpredictable IV from the system's random source.
std::array<uint8_t, kSysInfoIvBytes> NewIv() {
  static thread_local std::random_device device;
  std::array<uint8_t, kSysInfoIvBytes> iv{};
  for (size_t i = 0; i < iv.size(); i += 4) {
    const uint32_t word = device();
    for (size_t j = 0; j < 4; ++j) iv[i + j] = static_cast<uint8_t>(word >> (8 * j));
  }
  return iv;
}

bool SameBytesConstantTime(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}

void AppendU32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

[[noreturn]] void Damaged() {
  throw ESysInfoChannelError(
      "El mensaje del Servicio de Información del Sistema no pudo descifrarse: la clave de "
      "cifrado no coincide o el mensaje llegó dañado.");
}

}  // namespace

size_t ParseSysInfoFrameHeader(std::string_view header) {
  if (header.size() != kSysInfoFrameHeaderBytes ||
      header.substr(0, 4) != std::string_view(kSysInfoFrameSignature, 4)) {
    throw ESysInfoMessageError(
        "Trama del Servicio de Información del Sistema con firma desconocida.");
  }
  uint32_t length = 0;
  for (int i = 7; i >= 4; --i) length = (length << 8) | static_cast<uint8_t>(header[static_cast<size_t>(i)]);
  if (length < kSysInfoMinEnvelopeBytes || length > kSysInfoMaxEnvelopeBytes ||
      (length - kSysInfoIvBytes - kSysInfoTagBytes) % 8 != 0) {
    throw ESysInfoMessageError("Trama del Servicio de Información del Sistema de longitud inválida (" +
                               std::to_string(length) + " bytes; máximo " +
                               std::to_string(kSysInfoMaxEnvelopeBytes) + ").");
  }
  return length;
}

SysInfoChannelCipher::SysInfoChannelCipher(std::string_view key_text) {
  EnsureGcrypt();
  if (key_text.size() != 2 * mac_key_.size()) {
    throw ESysInfoChannelError("La clave del canal SysInfo debe tener 32 dígitos hexadecimales.");
  }
  for (size_t i = 0; i < mac_key_.size(); ++i) {
    const int high = HexDigit(key_text[2 * i]);
    const int low = HexDigit(key_text[2 * i + 1]);
    if (high < 0 || low < 0) {
      throw ESysInfoChannelError("La clave del canal SysInfo debe tener 32 dígitos hexadecimales.");
    }
    mac_key_[i] = static_cast<uint8_t>(high * 16 + low);
  }
  for (size_t i = 0; i < des_key_.size(); ++i) {
    des_key_[i] = static_cast<uint8_t>(mac_key_[i] ^ mac_key_[i + des_key_.size()]);
  }
  OpenDes(des_key_);  // refuses a weak key now rather than at the first message
}

std::string SysInfoChannelCipher::Seal(std::string_view plain) const {
  const size_t padding = 8 - plain.size() % 8;
  const size_t cipher_bytes = plain.size() + padding;
  if (cipher_bytes > kSysInfoMaxEnvelopeBytes - kSysInfoIvBytes - kSysInfoTagBytes) {
    throw ESysInfoMessageError("Mensaje demasiado grande para el Servicio de Información del Sistema (" +
                               std::to_string(plain.size()) + " bytes).");
  }
  const size_t envelope_bytes = kSysInfoIvBytes + cipher_bytes + kSysInfoTagBytes;

  std::string frame;
  frame.reserve(kSysInfoFrameHeaderBytes + envelope_bytes);
  frame.append(kSysInfoFrameSignature, 4);
  AppendU32(frame, static_cast<uint32_t>(envelope_bytes));

  const std::array<uint8_t, kSysInfoIvBytes> iv = NewIv();
  frame.append(reinterpret_cast<const char*>(iv.data()), iv.size());

  std::string block(plain);
  block.append(padding, static_cast<char>(padding));
  CipherHandle des = OpenDes(des_key_);
  gcry_error_t error = gcry_cipher_setiv(des.get(), iv.data(), iv.size());
  if (error == 0) error = gcry_cipher_encrypt(des.get(), block.data(), block.size(), nullptr, 0);
  if (error != 0) CryptoFailure("DES", error);
  frame.append(block);

  const auto tag = ComputeTag(mac_key_, frame);
  frame.append(reinterpret_cast<const char*>(tag.data()), tag.size());
  return frame;
}

std::string SysInfoChannelCipher::Open(std::string_view frame) const {
  if (frame.size() < kSysInfoFrameHeaderBytes) {
    throw ESysInfoMessageError("Trama del Servicio de Información del Sistema incompleta.");
  }
  const size_t envelope_bytes = ParseSysInfoFrameHeader(frame.substr(0, kSysInfoFrameHeaderBytes));
  if (frame.size() != kSysInfoFrameHeaderBytes + envelope_bytes) {
    throw ESysInfoMessageError("Trama del Servicio de Información del Sistema incompleta o con bytes de más.");
  }
  const std::string_view covered = frame.substr(0, frame.size() - kSysInfoTagBytes);
  const std::string_view received_tag = frame.substr(frame.size() - kSysInfoTagBytes);
  const auto tag = ComputeTag(mac_key_, covered);
  if (!SameBytesConstantTime(received_tag,
                             std::string_view(reinterpret_cast<const char*>(tag.data()), tag.size()))) {
    Damaged();
  }

  const std::string_view iv = frame.substr(kSysInfoFrameHeaderBytes, kSysInfoIvBytes);
  std::string block(covered.substr(kSysInfoFrameHeaderBytes + kSysInfoIvBytes));
  CipherHandle des = OpenDes(des_key_);
  gcry_error_t error = gcry_cipher_setiv(des.get(), iv.data(), iv.size());
  if (error == 0) error = gcry_cipher_decrypt(des.get(), block.data(), block.size(), nullptr, 0);
  if (error != 0) CryptoFailure("DES", error);

  const auto padding = static_cast<uint8_t>(block.back());
  if (padding < 1 || padding > 8) Damaged();
  for (size_t i = block.size() - padding; i < block.size(); ++i) {
    if (static_cast<uint8_t>(block[i]) != padding) Damaged();
  }
  block.resize(block.size() - padding);
  return block;
}

}  // namespace hotfix
