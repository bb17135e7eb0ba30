#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hotfix {

// Case rules of the Windows ANSI functions over the letters of Windows-1252
// (so "Á" and "á" fold together), applied to UTF-8 text. Characters outside
// Windows-1252 are left as they are.
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
char32_t FoldUpper(char32_t code_point);
char32_t FoldLower(char32_t code_point);

// Case-insensitive comparison: negative, zero or positive. Compares the
// upper-cased code points, so "10" sorts before "2".
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
bool StartsText(std::string_view prefix, std::string_view text);
bool EndsText(std::string_view suffix, std::string_view text);
// Position of `needle` in `text` ignoring case, or npos.
size_t FindText(std::string_view text, std::string_view needle);

// Trimming of the codes 0 to 32 (blanks and control characters).
std::string_view TrimView(std::string_view text);
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// Replaces every occurrence of `from` (not empty) with `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
std::string ReplaceAllText(std::string_view text, std::string_view from, std::string_view to);

// Splits at every occurrence of the separator; an empty text gives one empty item.
std::vector<std::string> Split(std::string_view text, char separator);

// Splits text into lines at CR LF, CR or LF; a final line break adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// Joins lines, each followed by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);

// Strict decimal integer (optional sign, digits, surrounding blanks allowed);
// false when the text is not one or does not fit.
bool TryParseInt(std::string_view text, long long& value);
// Strict unsigned hexadecimal (optional "0x" or "$" prefix).
bool TryParseHex(std::string_view text, unsigned long long& value);

}  // namespace hotfix
