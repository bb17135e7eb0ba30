#include <gtest/gtest.h>

#include <filesystem>

#include "log/log_fixture.h"
#include "log/uVmPaths.h"

namespace hotfix::testing {
namespace {

constexpr std::string_view kShellFolders =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

class DataFolderTest : public LogTest {
 protected:
  void SetCommonAppData(std::string value) {
    fake_.registry->SetValue(kShellFolders, "Common AppData",
                             RegistryValue{RegistryValue::Kind::kExpandString, std::move(value), 0});
    TVmPaths::ResetCache();
  }
  static bool IsDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(ToFsPath(path), error);
  }
};

TEST_F(DataFolderTest, MakerFolderAndSubFoldersAreCreated) {
  EXPECT_EQ(TVmPaths::GetDataFolder(""), MakerFolder());
  EXPECT_EQ(TVmPaths::GetDataFolder("Logs"), LogsFolder());
  EXPECT_TRUE(IsDirectory(LogsFolder()));
}

TEST_F(DataFolderTest, EnvironmentTokenIsExpandedWhereverItRecursInAnyCase) {
  fake_.processes->environment["ALLUSERSPROFILE"] = temp_.File("Todos");
  const struct {
    std::string value;
    std::string common;
  } cases[] = {
      {"%ALLUSERSPROFILE%", temp_.File("Todos") + "/"},
      {"%ALLUSERSPROFILE%/Datos", temp_.File("Todos") + "/Datos/"},
      {"%allusersprofile%/x/%AllUsersProfile%", temp_.File("Todos") + "/x/" + temp_.File("Todos") + "/"},
      // Only the first token is expanded.
      {"%ALLUSERSPROFILE%/%ProgramData%", temp_.File("Todos") + "/%ProgramData%/"},
      {temp_.File("Directo"), temp_.File("Directo") + "/"},
      {temp_.File("Sin%cierre"), temp_.File("Sin%cierre") + "/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    SetCommonAppData(c.value);
    EXPECT_EQ(TVmPaths::CommonDataPath(), c.common);
  }
}

TEST_F(DataFolderTest, CommonDataPathIsCachedOnceFound) {
  const std::string first = TVmPaths::CommonDataPath();
  fake_.processes->environment["ProgramData"] = temp_.File("Otro");
  EXPECT_EQ(TVmPaths::CommonDataPath(), first);
  TVmPaths::ResetCache();
  EXPECT_EQ(TVmPaths::CommonDataPath(), temp_.File("Otro") + "/");
}

TEST_F(DataFolderTest, CharactersWindowsRejectsBecomeDashes) {
  EXPECT_EQ(TVmPaths::GetDataFolder("a*b?c\"d<e>f|g"), JoinPath(MakerFolder(), "a-b-c-d-e-f-g/"));
  EXPECT_EQ(TVmPaths::CleanFolderPath("C:\\Datos"), "C:\\Datos/");
  EXPECT_EQ(TVmPaths::CleanFolderPath("/datos/x*y/"), "/datos/x-y/");
}

TEST_F(DataFolderTest, NoCommonAppDataGivesAFolderBelowTheWorkingDirectory) {
  fake_.registry->SetValue(kShellFolders, "Common AppData", RegistryValue{});
  TVmPaths::ResetCache();
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(ToFsPath(temp_.path()));
  const std::string folder = TVmPaths::GetDataFolder("Logs");
  std::filesystem::current_path(previous);

  EXPECT_EQ(folder, "Velmar/Logs/");
  EXPECT_TRUE(IsDirectory(temp_.File("Velmar/Logs")));
}

TEST_F(DataFolderTest, AFolderThatCannotBeCreatedGivesEmpty) {
  WriteBytes(JoinPath(program_data_, "Velmar"), "un archivo en el camino");
  EXPECT_EQ(TVmPaths::GetDataFolder("Logs"), "");
}

}  // namespace
}  // namespace hotfix::testing
