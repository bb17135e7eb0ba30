#include "log/uVmPaths.h"

#include <filesystem>
#include <mutex>
#include <system_error>

#include "base/paths.h"
#include "base/text.h"
#include "sysenv/ports/machine.h"

namespace hotfix {
namespace {

constexpr std::string_view kShellFoldersKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr std::string_view kCommonAppDataValue = "Common AppData";
constexpr std::string_view kMakerFolder = "Velmar";

std::mutex g_cache_mutex;
std::string g_common_data_path;

// Replaces the first %NAME% token, wherever it recurs and in any letter case,
// with that environment variable of the running program.
std::string ExpandFirstToken(const std::string& text, Processes& processes) {
  const size_t open = text.find('%');
  if (open == std::string::npos) return text;
  const size_t close = text.find('%', open + 1);
  if (close == std::string::npos) return text;
  const std::string token = text.substr(open, close - open + 1);
  const std::string name = token.substr(1, token.size() - 2);
  if (name.empty()) return text;
  return ReplaceAllText(text, token, processes.EnvironmentVariable(name));
}

std::string ReadCommonDataPath() {
  Machine& machine = CurrentMachine();
  const auto value = machine.registry().ReadValue(kShellFoldersKey, kCommonAppDataValue);
  if (!value || !value->IsText()) return {};
  std::string path = ExpandFirstToken(value->text, machine.processes());
  if (!path.empty()) path = IncludeTrailingPathDelimiter(path);
  return path;
}

}  // namespace

std::string TVmPaths::CommonDataPath() {
  std::lock_guard<std::mutex> lock(g_cache_mutex);
  if (g_common_data_path.empty()) g_common_data_path = ReadCommonDataPath();
  return g_common_data_path;
}

void TVmPaths::ResetCache() {
  std::lock_guard<std::mutex> lock(g_cache_mutex);
  g_common_data_path.clear();
}

std::string TVmPaths::CleanFolderPath(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (c == kPathSeparator) continue;
    switch (c) {
      case '/': case '*': case '?': case '"': case '<': case '>': case '|':
        c = '-';
        break;
      default:
        break;
    }
  }
  return IncludeTrailingPathDelimiter(out);
}

std::string TVmPaths::GetDataFolder(std::string_view sub_folder) {
  const std::string relative = JoinPath(kMakerFolder, sub_folder);
  const std::string folder = CleanFolderPath(CommonDataPath() + relative);
  std::error_code error;
  std::filesystem::create_directories(ToFsPath(ExcludeTrailingPathDelimiter(folder)), error);
  if (error) return {};
  return folder;
}

}  // namespace hotfix
