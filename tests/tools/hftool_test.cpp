// hftool end to end: the real program on real sandbox folders.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "base/ini_file.h"
#include "base/paths.h"
#include "run_program.h"
#include "support/temp_dir.h"

namespace hotfix {
namespace {

using ::testing::HasSubstr;
using testing::ProgramResult;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

class HftoolTest : public ::testing::Test {
 protected:
  HftoolTest() : sandbox_(JoinPath(temp_.path(), "m")) {}

  ProgramResult Run(const std::vector<std::string>& arguments, bool with_sandbox = true) {
    return testing::RunProgram(HFTOOL_PATH, arguments,
                               {{"HOTFIX_SANDBOX", with_sandbox ? sandbox_ : ""}});
  }
  void CreateDemo() {
    const ProgramResult created = Run({"sandbox", "new", sandbox_}, false);
    ASSERT_EQ(created.exit_status, 0) << created.err;
  }
  std::string File(std::string_view name) const { return JoinPath(sandbox_, name); }
  std::string Status(const std::string& service) {
    const ProgramResult result = Run({"service", "status", service});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    return result.out;
  }

  TempDir temp_;
  std::string sandbox_;
};

TEST_F(HftoolTest, TheDemoListsItsThreeKeys) {
  CreateDemo();
  const ProgramResult keys = Run({"keys"});
  EXPECT_EQ(keys.exit_status, 0) << keys.err;
  EXPECT_EQ(keys.out,
            "1 9.70.001.000 VELMARSRV01\n"
            "2 10.00.000.000 VELMARSRV01\n"
            "3 9.70.000.000 VELMARSRV01\n");
  // The same through the option, with no variable set.
  EXPECT_EQ(testing::RunProgram(HFTOOL_PATH, {"--sandbox", sandbox_, "keys"}, {{"HOTFIX_SANDBOX", ""}}).out,
            keys.out);
}

TEST_F(HftoolTest, AStoppedServiceShowsItsStateHereAndInMachineIni) {
  CreateDemo();
  EXPECT_EQ(Status("svcOrvin"), "4\n");
  EXPECT_EQ(Run({"service", "stop", "svcOrvin"}).exit_status, 0);
  EXPECT_EQ(Status("svcOrvin"), "1\n");
  EXPECT_EQ(IniFile(File("machine.ini")).ReadInteger("Service svcOrvin", "State", 0), 1);

  // A service that passes through stop-pending for two queries.
  EXPECT_EQ(Run({"service", "stop", "svcOrvinTareas"}).exit_status, 0);
  EXPECT_EQ(Status("svcOrvinTareas"), "3\n");
  EXPECT_EQ(Status("svcOrvinTareas"), "3\n");
  EXPECT_EQ(Status("svcOrvinTareas"), "1\n");

  EXPECT_EQ(Run({"service", "start", "svcOrvin"}).exit_status, 0);
  EXPECT_EQ(Status("svcOrvin"), "4\n");
  const ProgramResult path = Run({"service", "path", "svcOrvin"});
  EXPECT_EQ(path.exit_status, 0);
  EXPECT_THAT(path.out, HasSubstr("svcOrvin.exe"));
  EXPECT_EQ(Run({"service", "exists", "VmSysInfoService"}).out, "True\n");
}

TEST_F(HftoolTest, AMissingServiceFailsWithItsName) {
  CreateDemo();
  for (const char* action : {"status", "start", "stop", "path", "exists"}) {
    const ProgramResult result = Run({"service", action, "svcNada"});
    EXPECT_EQ(result.exit_status, 1) << action;
    if (std::string(action) != "exists") {
      EXPECT_THAT(result.err, HasSubstr("svcNada")) << action;
    }
  }
}

TEST_F(HftoolTest, RegistryValuesAreWrittenAndRead) {
  CreateDemo();
  EXPECT_EQ(Run({"registry", "set", "Software\\Velmar\\Prueba", "Nombre", "Compañía \"X\""}).exit_status, 0);
  EXPECT_EQ(Run({"registry", "get", "HKEY_LOCAL_MACHINE\\software\\velmar\\PRUEBA", "nombre"}).out,
            "Compañía \"X\"\n");
  EXPECT_THAT(ReadBytes(File("registry.reg")), HasSubstr("\"Nombre\"=\"Compañía \\\"X\\\"\""));

  const ProgramResult missing = Run({"registry", "get", "Software\\Velmar\\Prueba", "Otro"});
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_THAT(missing.err, HasSubstr("Otro"));
  EXPECT_EQ(Run({"registry", "get", "Software\\Nada", "x"}).exit_status, 1);
  EXPECT_EQ(Run({"registry", "set", "\\", "x", "y"}).exit_status, 1);
}

TEST_F(HftoolTest, MalformedSandboxFilesFailNamingTheLineAndStayAsTheyAre) {
  CreateDemo();
  struct Broken {
    const char* file;
    std::string appended;
    std::vector<std::string> command;
  };
  const Broken cases[] = {
      {"registry.reg", "\r\n[HKEY_LOCAL_MACHINE\\Software\\X]\r\n\"a\"=dword:zz\r\n", {"keys"}},
      {"registry.reg", "\"suelto\r\n", {"registry", "set", "Software\\X", "a", "b"}},
      {"machine.ini", "[Service nuevo]\r\nOnStop=a veces\r\n", {"service", "stop", "svcOrvin"}},
  };
  for (const Broken& c : cases) {
    const std::string registry = ReadBytes(File("registry.reg"));
    const std::string machine = ReadBytes(File("machine.ini"));
    const std::string broken = (std::string(c.file) == "registry.reg" ? registry : machine) + c.appended;
    WriteBytes(File(c.file), broken);
    const ProgramResult result = Run(c.command);
    EXPECT_EQ(result.exit_status, 1) << c.file;
    EXPECT_THAT(result.err, HasSubstr(File(c.file) + ", línea")) << c.file;
    EXPECT_EQ(ReadBytes(File(c.file)), broken) << c.file;
    WriteBytes(File("registry.reg"), registry);
    WriteBytes(File("machine.ini"), machine);
  }
  EXPECT_EQ(Status("svcOrvin"), "4\n");
}

TEST_F(HftoolTest, UsageErrorsExitTwoAndHelpExitsZero) {
  EXPECT_EQ(Run({}).exit_status, 2);
  EXPECT_EQ(Run({"servicio"}).exit_status, 2);
  EXPECT_EQ(Run({"service"}).exit_status, 2);
  EXPECT_EQ(Run({"service", "stop"}).exit_status, 2);
  EXPECT_EQ(Run({"registry", "get", "Software"}).exit_status, 2);
  for (const std::vector<std::string>& help :
       {std::vector<std::string>{"--help"}, {"service", "--help"}, {"service", "stop", "--help"},
        {"sandbox", "new", "--help"}, {"registry", "set", "--help"}, {"keys", "--help"}}) {
    const ProgramResult result = Run(help);
    EXPECT_EQ(result.exit_status, 0) << help.front();
    EXPECT_THAT(result.out, HasSubstr("Usage")) << help.front();
  }
}

TEST_F(HftoolTest, WithoutASandboxItSaysHowToNameOne) {
  const ProgramResult result = Run({"keys"}, false);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_THAT(result.err, HasSubstr("HOTFIX_SANDBOX"));
  const ProgramResult missing = Run({"keys"});
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_THAT(missing.err, HasSubstr(sandbox_));
}

TEST_F(HftoolTest, ANewSandboxNeedsAnEmptyFolder) {
  std::filesystem::create_directories(ToFsPath(sandbox_));
  WriteBytes(File("mio.txt"), "no tocar");
  const ProgramResult result = Run({"sandbox", "new", sandbox_}, false);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_THAT(result.err, HasSubstr(sandbox_));
  // Nothing added to it, and nothing left beside it.
  for (const std::string& folder : {sandbox_, temp_.path()}) {
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(ToFsPath(folder))) {
      ++entries;
    }
    EXPECT_EQ(entries, 1) << folder;
  }
}

}  // namespace
}  // namespace hotfix
