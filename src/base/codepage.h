#pragma once

#include <string>
#include <string_view>

namespace hotfix {

// Windows-1252, the ANSI code page of a Spanish Windows. Text inside the
// program is UTF-8; files the system reads and writes are Windows-1252.

// Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D are undefined in Windows-1252; like
// Windows we pass them through as the C1 control characters of the same value.
std::string Cp1252ToUtf8(std::string_view bytes);

// Characters without a Windows-1252 byte become "?". Malformed UTF-8 sequences
// become "?" too, one per offending byte.
std::string Utf8ToCp1252(std::string_view utf8);

// The Unicode code point of one Windows-1252 byte.
char32_t Cp1252ToCodePoint(unsigned char byte);

// The Windows-1252 byte of a code point, or -1 when it has none.
int CodePointToCp1252(char32_t code_point);

// Decodes one UTF-8 sequence at `pos`, advancing it. A malformed sequence
// yields U+FFFD and advances by one byte.
char32_t DecodeUtf8(std::string_view text, size_t& pos);
void AppendUtf8(std::string& out, char32_t code_point);

// UTF-16LE (as in the registry editor's files and wide wire text).
std::string Utf16LeToUtf8(std::string_view bytes);
std::string Utf8ToUtf16Le(std::string_view utf8);

}  // namespace hotfix
