#include "package/uVmVersionMatch.h"

#include <climits>
#include <optional>
#include <vector>

#include "base/exception.h"
#include "base/text.h"

namespace hotfix {
namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

void RejectHundredsDepth(TVersionDeep depth) {
  if (depth == TVersionDeep::tdCentenaTercerGrupo) {
    throw Exception(std::string(kDepthNotSupportedMessage));
  }
}

int LastGroup(TVersionDeep depth) { return static_cast<int>(depth); }

size_t GroupWidth(int group) { return group == 3 ? 4 : 3; }

// Characters of 8-bit text: UTF-8 continuation bytes do not count.
size_t CharCount(std::string_view text) {
  size_t count = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string PadLeft(std::string_view group, size_t width) {
  const size_t length = CharCount(group);
  if (length >= width) return std::string(group);
  return std::string(width - length, '0') + std::string(group);
}

// Splits at points the way a delimited text list does: blanks and control
// characters also separate groups and are dropped, an empty group between
// two points is kept, and a final point adds an empty last group.
std::vector<std::string> SplitDelimited(std::string_view text) {
  std::vector<std::string> groups;
  size_t p = 0;
  const size_t n = text.size();
  while (p < n && IsBlankOrControl(text[p])) ++p;
  while (p < n) {
    const size_t start = p;
    while (p < n && !IsBlankOrControl(text[p]) && text[p] != '.') ++p;
    groups.emplace_back(text.substr(start, p - start));
    while (p < n && IsBlankOrControl(text[p])) ++p;
    if (p < n && text[p] == '.') {
      if (p + 1 == n) groups.emplace_back();
      do {
        ++p;
      } while (p < n && IsBlankOrControl(text[p]));
    }
  }
  return groups;
}

// The next group of a version being walked: the text before its first
// point, the rest kept for the next call. Without a point the whole rest is
// the group and stays, so a short version repeats its last group.
std::string_view NextGroup(std::string_view& rest) {
  const size_t point = rest.find('.');
  if (point == std::string_view::npos) return rest;
  const std::string_view group = rest.substr(0, point);
  rest.remove_prefix(point + 1);
  return group;
}

std::optional<int> GroupValue(std::string_view group) {
  long long value = 0;
  if (!TryParseInt(TrimView(group), value) || value < INT_MIN || value > INT_MAX) {
    return std::nullopt;
  }
  return static_cast<int>(value);
}

bool EqualGroups(std::string_view a, std::string_view b, int last_group) {
  for (int i = 0; i <= last_group; ++i) {
    const auto left = GroupValue(NextGroup(a));
    const auto right = GroupValue(NextGroup(b));
    if (!left || !right || *left != *right) return false;
  }
  return true;
}

// The version with group 2 cut to its hundreds digit: 9.70.123 -> 009.070.1.
std::string HundredsForm(std::string_view version) {
  std::string text = TVmVersionFormat::Normalize(version, TVersionDeep::tdTercerGrupo);
  text.resize(text.size() - 2);
  return text;
}

}  // namespace

bool TVmVersionCompare::Equal(std::string_view a, std::string_view b, TVersionDeep depth) {
  if (depth == TVersionDeep::tdCentenaTercerGrupo) {
    return EqualGroups(HundredsForm(a), HundredsForm(b), LastGroup(TVersionDeep::tdTercerGrupo));
  }
  return EqualGroups(a, b, LastGroup(depth));
}

bool TVmVersionCompare::Greater(std::string_view a, std::string_view b, TVersionDeep depth) {
  RejectHundredsDepth(depth);
  return TVmVersionFormat::Normalize(a, depth) > TVmVersionFormat::Normalize(b, depth);
}

bool TVmVersionCompare::GreaterOrEqual(std::string_view a, std::string_view b, TVersionDeep depth) {
  RejectHundredsDepth(depth);
  return Equal(a, b, depth) || Greater(a, b, depth);
}

std::string TVmVersionFormat::Normalize(std::string_view version, TVersionDeep depth) {
  RejectHundredsDepth(depth);
  const std::vector<std::string> groups = SplitDelimited(version);
  std::string out;
  for (int i = 0; i <= LastGroup(depth); ++i) {
    if (i > 0) out += '.';
    const size_t width = GroupWidth(i);
    out += static_cast<size_t>(i) < groups.size() ? PadLeft(groups[static_cast<size_t>(i)], width)
                                                  : std::string(width, '0');
  }
  return out;
}

std::string TVmVersionFormat::Truncate(std::string_view version, TVersionDeep depth) {
  RejectHundredsDepth(depth);
  std::string out;
  int index = 0;
  for (const std::string& group : Split(version, '.')) {
    if (group.empty()) continue;
    if (index <= LastGroup(depth)) out += group;
    if (index < LastGroup(depth)) out += '.';
    ++index;
  }
  return out;
}

}  // namespace hotfix
