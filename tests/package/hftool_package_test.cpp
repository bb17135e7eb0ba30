// The hftool commands of this library, run as a program: other tools read
// their output, so it is checked exactly.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "support/pe_writer.h"
#include "support/temp_dir.h"

namespace hotfix {
namespace {

using testing::TempDir;
using testing::WriteBytes;

struct ToolRun {
  int status;
  std::string output;
};

ToolRun Hftool(const std::string& arguments) {
  const std::string command = std::string("'") + HFTOOL_PATH + "' " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, ""};
  std::string output;
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(HftoolPackage, VersionCommands) {
  const std::pair<const char*, ToolRun> cases[] = {
      {"version compare 10.00.000.000 9.70.001.000",
       {0, "Equal=False\nGreater=True\nGreaterOrEqual=True\n"}},
      {"version compare 9.70.123.000 9.70.150.999 --depth 4",
       {0,
        "Equal=True\nGreater=Función incompatible con Level = tdCentenaTercerGrupo\n"
        "GreaterOrEqual=Función incompatible con Level = tdCentenaTercerGrupo\n"}},
      {"version normalize 9.70.1", {0, "009.070.001.0000\n"}},
      {"version normalize 9.70.1 --depth 1", {0, "009.070\n"}},
      {"version normalize 9.70.1 --depth 4",
       {1, "Función incompatible con Level = tdCentenaTercerGrupo\n"}},
      {"version truncate 9.70 2", {0, "9.70.\n"}},
      {"version truncate 9.70.001.000 4", {1, "Error en NivelNumHFToDeep, N desconocido\n"}},
  };
  for (const auto& [arguments, expected] : cases) {
    const ToolRun run = Hftool(arguments);
    EXPECT_EQ(run.status, expected.status) << arguments;
    EXPECT_EQ(run.output, expected.output) << arguments;
  }
  EXPECT_EQ(Hftool("version compare 1 2 --depth 5").status, 2);
  EXPECT_EQ(Hftool("version").status, 2);
}

TEST(HftoolPackage, FileVersion) {
  TempDir dir;
  testing::VersionBlockContents contents;
  contents.fixed_version = {{9, 70, 1, 0}};
  contents.string_tables = {{"0C0A04E4", {{"FileVersion", "9.70.001.0012"}}}};
  contents.translations = {{0x0C0A, 0x04E4}};
  WriteBytes(dir.File("Quiltor.exe"),
             testing::BuildPeWithVersion(BuildVersionBlock(contents), true));
  WriteBytes(dir.File("nota.txt"), "no es un ejecutable");

  ToolRun run = Hftool("fileversion '" + dir.File("Quiltor.exe") + "'");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, "FixedVersion=9.70.1.0\nFileVersion=9.70.001.0012\nTranslation=0C0A04E4\n");
  run = Hftool("fileversion '" + dir.File("nota.txt") + "'");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, "FixedVersion=\nFileVersion=\nTranslation=\n");
  EXPECT_EQ(Hftool("fileversion '" + dir.File("falta.exe") + "'").status, 1);
}

TEST(HftoolPackage, JournalList) {
  TempDir dir;
  WriteBytes(dir.File("HotfixSistema_9_70_001.ini"),
             "[9.70.001.0012]\r\nFechaHora=11/12/2026 10:30:05\r\nUsuarioWindows=T\xE9"
             "cnico\r\nScriptEmpresa=S\r\nScriptDiccionario=N\r\nArchivos=S\r\n"
             "[9.70.001.0009]\r\nFechaHora=01/02/2026\r\nUsuarioWindows=admin\r\n"
             "ScriptEmpresa=N\r\nScriptDiccionario=N\r\nArchivos=N\r\n");
  const ToolRun run = Hftool("journal list '" + dir.path() + "' 9.70.001.005");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output,
            "9.70.001.0009\t01/02/2026\tadmin\tFalse\tFalse\tFalse\n"
            "9.70.001.0012\t11/12/2026 10:30:05\tTécnico\tTrue\tFalse\tTrue\n");
}

}  // namespace
}  // namespace hotfix
