#include "db/script_file.h"

#include <array>
#include <cstring>

#include "base/codepage.h"
#include "base/text_file.h"

namespace hotfix {
namespace {

// The UTF-8 form of each Windows-1252 byte.
struct Utf8Char {
  unsigned char size = 0;
  std::array<char, 3> bytes{};
};

const std::array<Utf8Char, 256>& Utf8Table() {
  static const std::array<Utf8Char, 256> table = [] {
    std::array<Utf8Char, 256> t{};
    for (int byte = 0; byte < 256; ++byte) {
      std::string utf8;
      AppendUtf8(utf8, Cp1252ToCodePoint(static_cast<unsigned char>(byte)));
      t[byte].size = static_cast<unsigned char>(utf8.size());
      std::memcpy(t[byte].bytes.data(), utf8.data(), utf8.size());
    }
    return t;
  }();
  return table;
}

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

std::string ScriptTextFromBytes(std::string bytes) {
  if (const void* nul = std::memchr(bytes.data(), '\0', bytes.size())) {
    bytes.resize(static_cast<size_t>(static_cast<const char*>(nul) - bytes.data()));
  }
  const auto& table = Utf8Table();
  const size_t in_size = bytes.size();

  // Every change makes the text longer (a character above 0x7F takes two or
  // three bytes, a lone CR or LF becomes CR LF, the last line gets its line
  // break), so the size tells whether there is anything to change at all.
  size_t out_size = in_size;
  for (size_t i = 0; i < in_size; ++i) {
    const char c = bytes[i];
    if (c == '\r') {
      if (i + 1 < in_size && bytes[i + 1] == '\n') {
        ++i;
      } else {
        ++out_size;
      }
    } else if (c == '\n') {
      ++out_size;
    } else if (static_cast<unsigned char>(c) >= 0x80) {
      out_size += table[static_cast<unsigned char>(c)].size - 1u;
    }
  }
  const bool add_final_break = in_size > 0 && !IsLineBreak(bytes[in_size - 1]);
  if (add_final_break) out_size += 2;
  if (out_size == in_size) return bytes;

  // Converted from the back, where the converted text never catches up with
  // the bytes still to be read: the output of each prefix is at least as long
  // as the prefix.
  bytes.resize(out_size);
  char* data = bytes.data();
  size_t w = out_size;  // one past the next byte to write
  size_t r = in_size;   // one past the next byte to read
  if (add_final_break) {
    data[--w] = '\n';
    data[--w] = '\r';
  }
  while (r > 0 && w > r) {
    const char c = data[--r];
    if (c == '\n' || c == '\r') {
      if (c == '\n' && r > 0 && data[r - 1] == '\r') --r;
      data[--w] = '\n';
      data[--w] = '\r';
    } else if (static_cast<unsigned char>(c) >= 0x80) {
      const Utf8Char& u = table[static_cast<unsigned char>(c)];
      w -= u.size;
      std::memcpy(data + w, u.bytes.data(), u.size);
    } else {
      data[--w] = c;
    }
  }
  // Once both ends meet, the rest of the text needed no change.
  return bytes;
}

std::optional<std::string> ReadScriptFile(const std::string& path) {
  std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return std::nullopt;
  return ScriptTextFromBytes(std::move(*bytes));
}

}  // namespace hotfix
