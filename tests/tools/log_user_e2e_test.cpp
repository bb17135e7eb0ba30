// hftool log write and whoami end to end: the real program on fresh sandboxes.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "base/codepage.h"
#include "base/ini_file.h"
#include "base/paths.h"
#include "base/program_version.h"
#include "base/text.h"
#include "log/exclusive_file.h"
#include "run_program.h"
#include "support/temp_dir.h"

namespace hotfix {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::StartsWith;
using testing::ProgramResult;
using testing::ReadBytes;
using testing::TempDir;

class LogUserEndToEndTest : public ::testing::Test {
 protected:
  LogUserEndToEndTest() : sandbox_(JoinPath(temp_.path(), "m")) {
    const ProgramResult created = Run({"sandbox", "new", sandbox_});
    EXPECT_EQ(created.exit_status, 0) << created.err;
  }

  ProgramResult Run(const std::vector<std::string>& arguments) {
    return testing::RunProgram(HFTOOL_PATH, arguments, {{"HOTFIX_SANDBOX", sandbox_}});
  }
  std::string ProgramData(std::string_view relative) const {
    return JoinPath(sandbox_, "fs", "ProgramData", relative);
  }
  std::string LogPath() const {
    return ProgramData("Velmar/Logs/" + ChangeFileExt(ExtractFileName(HFTOOL_PATH), ".log"));
  }
  std::vector<std::string> LogLines() const {
    return SplitLines(Cp1252ToUtf8(ReadBytes(LogPath())));
  }
  static bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(ToFsPath(path), error);
  }

  TempDir temp_;
  std::string sandbox_;
};

TEST_F(LogUserEndToEndTest, LogWriteCreatesLogIniAndTheLogUnderProgramData) {
  ASSERT_FALSE(Exists(ProgramData("Velmar/Log.Ini")));

  const ProgramResult written = Run({"log", "write", "ltError", "Falló la copia"});
  EXPECT_EQ(written.exit_status, 0) << written.err;
  EXPECT_EQ(written.out, "True\n");

  const IniFile ini(ProgramData("Velmar/Log.Ini"));
  ASSERT_TRUE(ini.existed());
  EXPECT_EQ(ini.lines().front(), "[LogFileHelp]");
  EXPECT_EQ(ini.ReadSection("GLOBAL").CommaText(),
            "Debug_Activo,Archivo_Texto_Nivel,Archivo_Texto_Mostrar_Usuario,"
            "Archivo_Texto_Tamaño_Maximo,Archivo_Texto_Directorio,Archivo_Texto_Nombre,"
            "Archivo_Texto_Identacion");
  EXPECT_EQ(ini.ReadString("GLOBAL", "Archivo_Texto_Directorio", ""),
            ProgramData("Velmar/Logs") + kPathSeparator);

  const std::string bytes = ReadBytes(LogPath());
  EXPECT_THAT(bytes, EndsWith(" | #EXCEP | Fall\xF3 la copia\r\n"));
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_THAT(lines[1], EndsWith(" | T_AUDI | File:           " + std::string(HFTOOL_PATH)));
  EXPECT_THAT(lines[2], EndsWith(" | T_AUDI | File Version:   " + std::string(kProgramVersion)));
  EXPECT_THAT(lines[3], EndsWith(" | T_AUDI | OS Version:     WinVista"));

  // The default mask writes errors only.
  EXPECT_EQ(Run({"log", "write", "ltAudit", "Paso"}).out, "False\n");
  EXPECT_EQ(ReadBytes(LogPath()), bytes);
}

TEST_F(LogUserEndToEndTest, EachRunReadsLogIniAgain) {
  ASSERT_EQ(Run({"log", "write", "ltAudit", "antes"}).out, "False\n");
  IniFile ini(ProgramData("Velmar/Log.Ini"));
  ini.WriteString("GLOBAL", "Archivo_Texto_Nivel", "4");
  EXPECT_EQ(Run({"log", "write", "ltAudit", "después"}).out, "True\n");
  EXPECT_THAT(LogLines().back(), EndsWith(" | T_AUDI | después"));
}

TEST_F(LogUserEndToEndTest, TheMachinesWindowsNamesTheHeadersOsVersion) {
  IniFile machine(JoinPath(sandbox_, "machine.ini"));
  machine.WriteString("System", "Major", "5");
  machine.WriteString("System", "Minor", "1");
  ASSERT_EQ(Run({"log", "write", "ltForced", "x"}).out, "True\n");
  EXPECT_THAT(LogLines()[3], EndsWith(" | T_AUDI | OS Version:     WinXP"));
}

TEST_F(LogUserEndToEndTest, ALogHeldByAnotherProcessLosesTheEntry) {
  ASSERT_EQ(Run({"log", "write", "ltError", "primera"}).out, "True\n");
  const std::string before = ReadBytes(LogPath());
  {
    ExclusiveFileHold hold(LogPath());
    ASSERT_TRUE(hold.held());
    EXPECT_EQ(Run({"log", "write", "ltError", "segunda"}).out, "False\n");
  }
  EXPECT_EQ(ReadBytes(LogPath()), before);
  EXPECT_EQ(Run({"log", "write", "ltError", "tercera"}).out, "True\n");
}

TEST_F(LogUserEndToEndTest, LogWriteRejectsAnUnknownLevel) {
  const ProgramResult result = Run({"log", "write", "ltNada", "x"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_THAT(result.err, StartsWith("Nivel de log desconocido: ltNada."));
  EXPECT_FALSE(Exists(LogPath()));
}

TEST_F(LogUserEndToEndTest, WhoAmIOnTheDemoMachine) {
  const ProgramResult result = Run({"whoami"});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.out,
            "CurrentUser=VELMARSRV01\\Administrador\n"
            "InteractiveUser=VELMARSRV01\\Administrador\n"
            "ShellName=explorer.exe\n"
            "IsInteractiveUser=True\n"
            "ComputerSessionName=VELMARSRV01\n");
}

}  // namespace
}  // namespace hotfix
