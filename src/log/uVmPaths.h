#pragma once

#include <string>
#include <string_view>

namespace hotfix {

// The maker's data folder on the machine (C:\ProgramData\Velmar\ on a
// current Windows), home of "Log.Ini", "Services.Ini" and the "Logs" folder.
// Class-level only; the one lasting state is the process-wide cache of the
// machine's common data path.
class TVmPaths {
 public:
  TVmPaths() = delete;

  // The machine's common application data folder with a trailing separator,
  // from the registry's "Common AppData" with its %VARIABLE% expanded; empty
  // when the registry does not name one. Cached once found.
  static std::string CommonDataPath();

  // The common data path + "Velmar" + sub-folder, with a trailing separator
  // (relative to the working directory when there is no common data path),
  // cleaned of characters Windows does not allow in names and created with
  // every folder above it. Empty when it cannot be created. An empty name
  // gives the maker's folder itself.
  static std::string GetDataFolder(std::string_view sub_folder);

  // Replaces the characters Windows does not allow in a path (other than the
  // separator) with "-" and ensures the trailing separator.
  static std::string CleanFolderPath(std::string_view path);

  // Forgets the cached common data path (tests switch machines).
  static void ResetCache();
};

}  // namespace hotfix
