#include "base/paths.h"

namespace hotfix {
namespace {

size_t LastSeparator(std::string_view path) { return path.find_last_of("\\/"); }

}  // namespace

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

std::string JoinPath(std::string_view first, std::string_view second) {
  if (first.empty()) return std::string(second);
  if (second.empty()) return std::string(first);
  std::string out(first);
  while (!second.empty() && IsPathSeparator(second.front())) second.remove_prefix(1);
  if (!IsPathSeparator(out.back())) out.push_back(kPathSeparator);
  out.append(second);
  return out;
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (out.empty() || !IsPathSeparator(out.back())) out.push_back(kPathSeparator);
  return out;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (out.size() > 1 && IsPathSeparator(out.back())) out.pop_back();
  return out;
}

std::string ExtractFileName(std::string_view path) {
  const size_t sep = LastSeparator(path);
  return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string ExtractFileDir(std::string_view path) {
  const size_t sep = LastSeparator(path);
  if (sep == std::string_view::npos) return {};
  if (sep == 0) return std::string(path.substr(0, 1));
  return std::string(path.substr(0, sep));
}

std::string ExtractFilePath(std::string_view path) {
  const size_t sep = LastSeparator(path);
  return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep + 1));
}

std::string ExtractFileExt(std::string_view path) {
  const size_t dot = path.find_last_of(".\\/");
  if (dot == std::string_view::npos || path[dot] != '.') return {};
  return std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
  const size_t dot = path.find_last_of(".\\/");
  std::string out(path);
  if (dot != std::string_view::npos && path[dot] == '.') out.resize(dot);
  out.append(extension);
  return out;
}

std::filesystem::path ToFsPath(std::string_view utf8_path) {
  return std::filesystem::path(std::u8string(utf8_path.begin(), utf8_path.end()));
}

std::string FromFsPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace hotfix
