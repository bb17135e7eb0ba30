#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hotfix {

// A value as the registry holds it.
struct RegistryValue {
  enum class Kind { kString, kExpandString, kDWord, kOther };
  Kind kind = Kind::kString;
  std::string text;     // kString, kExpandString (not expanded)
  uint32_t dword = 0;   // kDWord

  bool IsText() const { return kind == Kind::kString || kind == Kind::kExpandString; }
};

// HKEY_LOCAL_MACHINE. Paths are relative to the root, with "\" between key
// names (a leading or trailing "\" is ignored) and compared without regard
// to case.
class Registry {
 public:
  virtual ~Registry() = default;

  // Whether the key opens (it is never created by this).
  virtual bool KeyExists(std::string_view path) = 0;
  // The names of the key's direct subkeys in the registry's order; nothing
  // when the key does not open.
  virtual std::optional<std::vector<std::string>> SubKeyNames(std::string_view path) = 0;
  // The value, or nothing when the key or the value does not exist.
  virtual std::optional<RegistryValue> ReadValue(std::string_view path,
                                                 std::string_view name) = 0;
  // Writes a string value, creating the key chain when needed. Raises EOSError
  // when the value cannot be written.
  virtual void WriteString(std::string_view path, std::string_view name,
                           std::string_view value) = 0;
};

}  // namespace hotfix
