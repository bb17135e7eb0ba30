#include "base/text.h"

#include <charconv>

#include "base/codepage.h"

namespace hotfix {
namespace {

bool IsTrimmable(char c) { return static_cast<unsigned char>(c) <= 32; }

template <typename Fold>
std::string MapCodePoints(std::string_view text, Fold fold) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
      out.push_back(static_cast<char>(fold(byte)));
      ++pos;
      continue;
    }
    const size_t start = pos;
    const char32_t cp = DecodeUtf8(text, pos);
    if (cp == 0xFFFD) {
      out.append(text.substr(start, pos - start));  // keep malformed bytes as they are
    } else {
      AppendUtf8(out, fold(cp));
    }
  }
  return out;
}

}  // namespace

char32_t FoldUpper(char32_t cp) {
  if (cp >= 'a' && cp <= 'z') return cp - 32;
  if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 32;
  switch (cp) {
    case 0x0161: return 0x0160;  // š
    case 0x0153: return 0x0152;  // œ
    case 0x017E: return 0x017D;  // ž
    case 0x00FF: return 0x0178;  // ÿ
    default: return cp;
  }
}

char32_t FoldLower(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
  switch (cp) {
    case 0x0160: return 0x0161;
    case 0x0152: return 0x0153;
    case 0x017D: return 0x017E;
    case 0x0178: return 0x00FF;
    default: return cp;
  }
}

std::string AnsiUpperCase(std::string_view text) { return MapCodePoints(text, FoldUpper); }
std::string AnsiLowerCase(std::string_view text) { return MapCodePoints(text, FoldLower); }

int CompareText(std::string_view a, std::string_view b) {
  size_t pa = 0;
  size_t pb = 0;
  while (pa < a.size() && pb < b.size()) {
    const char32_t ca = FoldUpper(DecodeUtf8(a, pa));
    const char32_t cb = FoldUpper(DecodeUtf8(b, pb));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (pa < a.size()) return 1;
  if (pb < b.size()) return -1;
  return 0;
}

bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

bool StartsText(std::string_view prefix, std::string_view text) {
  const std::string up_prefix = AnsiUpperCase(prefix);
  const std::string up_text = AnsiUpperCase(text);
  return up_text.compare(0, up_prefix.size(), up_prefix) == 0;
}

bool EndsText(std::string_view suffix, std::string_view text) {
  const std::string up_suffix = AnsiUpperCase(suffix);
  const std::string up_text = AnsiUpperCase(text);
  return up_text.size() >= up_suffix.size() &&
         up_text.compare(up_text.size() - up_suffix.size(), up_suffix.size(), up_suffix) == 0;
}

size_t FindText(std::string_view text, std::string_view needle) {
  // Folding keeps every character's encoded length, so positions carry over.
  return AnsiUpperCase(text).find(AnsiUpperCase(needle));
}

std::string_view TrimView(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsTrimmable(text[begin])) ++begin;
  while (end > begin && IsTrimmable(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

std::string TrimLeft(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && IsTrimmable(text[begin])) ++begin;
  return std::string(text.substr(begin));
}

std::string TrimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && IsTrimmable(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  if (from.empty()) return std::string(text);
  size_t pos = 0;
  while (true) {
    const size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::string ReplaceAllText(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  const std::string up_text = AnsiUpperCase(text);
  const std::string up_from = AnsiUpperCase(from);
  std::string out;
  size_t pos = 0;
  while (true) {
    const size_t hit = up_text.find(up_from, pos);
    if (hit == std::string::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + up_from.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t pos = 0;
  while (true) {
    const size_t hit = text.find(separator, pos);
    if (hit == std::string_view::npos) {
      parts.emplace_back(text.substr(pos));
      return parts;
    }
    parts.emplace_back(text.substr(pos, hit - pos));
    pos = hit + 1;
  }
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++i;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string JoinLinesCrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    out.append(line);
    out.append("\r\n");
  }
  return out;
}

bool TryParseInt(std::string_view text, long long& value) {
  std::string_view t = TrimView(text);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return false;
  const auto result = std::from_chars(t.data(), t.data() + t.size(), value);
  return result.ec == std::errc() && result.ptr == t.data() + t.size();
}

bool TryParseHex(std::string_view text, unsigned long long& value) {
  std::string_view t = TrimView(text);
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) t.remove_prefix(2);
  else if (!t.empty() && t[0] == '$') t.remove_prefix(1);
  if (t.empty()) return false;
  const auto result = std::from_chars(t.data(), t.data() + t.size(), value, 16);
  return result.ec == std::errc() && result.ptr == t.data() + t.size();
}

}  // namespace hotfix
