#include "base/format.h"

#include <vector>

namespace hotfix {
namespace {

size_t Utf8Length(std::string_view text) {
  size_t count = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

}  // namespace

std::string FormatList(std::string_view pattern, std::initializer_list<FormatArg> args) {
  const std::vector<FormatArg> values(args);
  std::string out;
  size_t next = 0;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (c != '%') {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t j = i + 1;
    if (j < pattern.size() && pattern[j] == '%') {
      out.push_back('%');
      i = j + 1;
      continue;
    }
    bool left = false;
    if (j < pattern.size() && pattern[j] == '-') {
      left = true;
      ++j;
    }
    size_t width = 0;
    while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9') {
      width = width * 10 + static_cast<size_t>(pattern[j] - '0');
      ++j;
    }
    if (j >= pattern.size() || (pattern[j] != 's' && pattern[j] != 'd')) {
      out.append(pattern.substr(i, j - i));  // not a directive we know: keep it
      i = j;
      continue;
    }
    std::string piece;
    if (next < values.size()) {
      const auto& value = values[next].value();
      if (const auto* text = std::get_if<std::string_view>(&value)) {
        piece.assign(*text);
      } else {
        piece = std::to_string(std::get<int64_t>(value));
      }
    }
    ++next;
    const size_t length = Utf8Length(piece);
    if (length < width) {
      const std::string padding(width - length, ' ');
      piece = left ? piece + padding : padding + piece;
    }
    out.append(piece);
    i = j + 1;
  }
  return out;
}

}  // namespace hotfix
