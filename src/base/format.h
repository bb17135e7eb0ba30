#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace hotfix {

// One argument of Format: text or an integer.
class FormatArg {
 public:
  FormatArg(std::string_view text) : value_(text) {}  // NOLINT: implicit by design
  FormatArg(const std::string& text) : value_(std::string_view(text)) {}  // NOLINT
  FormatArg(const char* text) : value_(std::string_view(text)) {}  // NOLINT
  FormatArg(int number) : value_(static_cast<int64_t>(number)) {}  // NOLINT
  FormatArg(long number) : value_(static_cast<int64_t>(number)) {}  // NOLINT
  FormatArg(long long number) : value_(static_cast<int64_t>(number)) {}  // NOLINT
  FormatArg(unsigned number) : value_(static_cast<int64_t>(number)) {}  // NOLINT
  FormatArg(unsigned long number) : value_(static_cast<int64_t>(number)) {}  // NOLINT

  const std::variant<std::string_view, int64_t>& value() const { return value_; }

 private:
  std::variant<std::string_view, int64_t> value_;
};

// The system's message formatting, after Delphi's Format: "%s" and "%d", an
// optional "-" for left alignment and a width ("%-15s"), and "%%". Missing
// arguments format as empty; a "%d" given text (or "%s" given a number)
// writes the value as it is.
std::string FormatList(std::string_view pattern, std::initializer_list<FormatArg> args);

template <typename... Args>
std::string Format(std::string_view pattern, const Args&... args) {
  return FormatList(pattern, {FormatArg(args)...});
}

// "True" or "False", as the system writes Booleans.
inline std::string BoolText(bool value) { return value ? "True" : "False"; }

}  // namespace hotfix
