#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace hotfix {

// The separator of the machine the program runs on: "\" on Windows, "/" in
// the sandbox build. Every path the program builds goes through these helpers.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

bool IsPathSeparator(char c);

// Joins two parts with exactly one separator between them. An empty part
// leaves the other as it is.
std::string JoinPath(std::string_view first, std::string_view second);

template <typename... Rest>
std::string JoinPath(std::string_view first, std::string_view second, const Rest&... rest) {
  return JoinPath(JoinPath(first, second), rest...);
}

// Adds the platform separator when the text does not already end in one
// (an empty text becomes a lone separator).
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);

// The text after the last separator (either "\" or "/" counts, so Windows
// paths read from data are handled on every build).
std::string ExtractFileName(std::string_view path);
// The text up to the last separator, without it.
std::string ExtractFileDir(std::string_view path);
// The text up to and including the last separator.
std::string ExtractFilePath(std::string_view path);
// The extension with its point (".exe"), or empty.
std::string ExtractFileExt(std::string_view path);
// Replaces the extension (or appends one when there is none).
std::string ChangeFileExt(std::string_view path, std::string_view extension);

// Conversions between the program's UTF-8 paths and the standard library's.
std::filesystem::path ToFsPath(std::string_view utf8_path);
std::string FromFsPath(const std::filesystem::path& path);

}  // namespace hotfix
