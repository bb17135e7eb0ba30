#include "db/script_file.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

#include "base/codepage.h"
#include "base/paths.h"

namespace hotfix {
namespace {

// The UTF-8 form of each Windows-1252 byte above 0x7F.
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

constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
constexpr uint64_t kOnes = 0x0101010101010101ULL;

// The high bit of every byte of `word` that is zero, exactly.
constexpr uint64_t ZeroBytes(uint64_t word) {
  return ~(((word & kLow7) + kLow7) | word | kLow7);
}

// Position of the first byte from `pos` on that the conversion may change:
// above 0x7F, CR or LF. The size of the text when there is none.
size_t FindChangeable(std::string_view text, size_t pos) {
  const char* data = text.data();
  while (pos + 8 <= text.size()) {
    uint64_t word;
    std::memcpy(&word, data + pos, sizeof word);
    if constexpr (std::endian::native == std::endian::little) {
      const uint64_t marks = (word & ~kLow7) | ZeroBytes(word ^ (kOnes * '\r')) |
                             ZeroBytes(word ^ (kOnes * '\n'));
      if (marks != 0) return pos + static_cast<size_t>(std::countr_zero(marks)) / 8;
      pos += 8;
    } else {
      break;
    }
  }
  for (; pos < text.size(); ++pos) {
    const char c = data[pos];
    if (c == '\r' || c == '\n' || static_cast<unsigned char>(c) >= 0x80) return pos;
  }
  return pos;
}

}  // namespace

ScriptTextBuilder::ScriptTextBuilder(size_t expected_size) {
  // Room for the usual growth: some accented letters, the odd lone break.
  text_.reserve(expected_size + expected_size / 16 + 2);
}

bool ScriptTextBuilder::Append(std::string_view bytes) {
  if (ended_) return false;
  if (const void* nul = std::memchr(bytes.data(), '\0', bytes.size())) {
    bytes = bytes.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - bytes.data()));
    ended_ = true;
  }
  size_t pos = 0;
  if (pending_cr_ && !bytes.empty()) {
    pending_cr_ = false;
    text_.append("\r\n");
    if (bytes[0] == '\n') pos = 1;
  }
  // Plain bytes and CR LF pairs are copied in runs; only the rest is
  // converted one by one.
  const auto& table = Utf8Table();
  size_t run = pos;
  while (true) {
    pos = FindChangeable(bytes, pos);
    if (pos == bytes.size()) break;
    const char c = bytes[pos];
    if (c == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n') {
      pos += 2;
      continue;
    }
    text_.append(bytes.substr(run, pos - run));
    if (c == '\r' && pos + 1 == bytes.size()) {
      pending_cr_ = true;  // the next piece tells whether an LF follows
    } else if (c == '\r' || c == '\n') {
      text_.append("\r\n");
    } else {
      const Utf8Char& u = table[static_cast<unsigned char>(c)];
      text_.append(u.bytes.data(), u.size);
    }
    run = ++pos;
  }
  text_.append(bytes.substr(run));
  return !ended_;
}

std::string ScriptTextBuilder::Finish() {
  if (pending_cr_ || (!text_.empty() && text_.back() != '\n')) text_.append("\r\n");
  pending_cr_ = false;
  ended_ = true;
  return std::move(text_);
}

std::string ScriptTextFromBytes(std::string_view bytes) {
  ScriptTextBuilder builder(bytes.size());
  builder.Append(bytes);
  return builder.Finish();
}

std::optional<std::string> ReadScriptFile(const std::string& path) {
  const std::filesystem::path fs_path = ToFsPath(path);
  std::error_code ec;
  if (std::filesystem::is_directory(fs_path, ec)) return std::nullopt;
  std::ifstream in(fs_path, std::ios::binary);
  if (!in) return std::nullopt;
  const uintmax_t size = std::filesystem::file_size(fs_path, ec);
  ScriptTextBuilder builder(ec ? 0 : static_cast<size_t>(size));

  // Pieces small enough to stay in the processor's cache.
  constexpr size_t kPiece = size_t{256} << 10;
  const auto piece = std::make_unique_for_overwrite<char[]>(kPiece);
  while (in) {
    in.read(piece.get(), static_cast<std::streamsize>(kPiece));
    const auto got = static_cast<size_t>(in.gcount());
    if (!builder.Append(std::string_view(piece.get(), got))) break;
  }
  if (in.bad()) return std::nullopt;
  return builder.Finish();
}

}  // namespace hotfix
