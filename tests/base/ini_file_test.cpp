#include "base/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/text_file.h"
#include "support/temp_dir.h"

namespace hotfix {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(IniFile, SectionsAndKeysIgnoreCase) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  WriteBytes(path, "; comentario\r\n[Global]\r\n Nivel = 39 \r\nNombre=\" \"\r\n[global]\r\nNivel=7\r\n");
  IniFile ini(path);
  EXPECT_TRUE(ini.SectionExists("GLOBAL"));
  EXPECT_EQ(ini.ReadInteger("gLoBaL", "NIVEL", 1), 39);  // first section wins
  EXPECT_EQ(ini.ReadString("global", "nombre", "x"), " ");  // enclosing quotes removed
  EXPECT_EQ(ini.ReadSectionValues("GLOBAL").ToVector(),
            (std::vector<std::string>{"Nivel=39", "Nombre=\" \""}));
  EXPECT_EQ(ini.ReadSections().ToVector(), (std::vector<std::string>{"Global"}));
  EXPECT_EQ(ini.ReadString("otra", "k", "def"), "def");
}

TEST(IniFile, WritingOneKeyLeavesNeighboursUntouched) {
  TempDir dir;
  const std::string path = dir.File("b.ini");
  const std::string before =
      "[A]\r\nuno=1\r\n; nota\r\ndos = 2\r\n\r\n[B]\r\nTama\xF1o=3\r\n";
  WriteBytes(path, before);
  IniFile ini(path);
  ini.WriteString("a", "DOS", "dos");
  ini.WriteString("A", "tres", "3");
  ini.WriteString("C", "Acción", "sí");
  EXPECT_EQ(ReadBytes(path),
            "[A]\r\nuno=1\r\n; nota\r\nDOS=dos\r\ntres=3\r\n\r\n[B]\r\nTama\xF1o=3\r\n"
            "[C]\r\nAcci\xF3n=s\xED\r\n");
  EXPECT_EQ(IniFile(path).ReadString("b", "TAMAÑO", ""), "3");
}

TEST(IniFile, FailedWriteLeavesThePreviousFile) {
  TempDir dir;
  const std::string path = dir.File("c.ini");
  WriteBytes(path, "[S]\r\nk=viejo\r\n");
  IniFile ini(path);
  testing_hooks::SetAtomicWriteFailureAfter(5);
  EXPECT_THROW(ini.WriteString("S", "k", "nuevo valor largo"), EIniFileException);
  testing_hooks::SetAtomicWriteFailureAfter(-1);
  EXPECT_EQ(ReadBytes(path), "[S]\r\nk=viejo\r\n");
  // No temporary file is left beside it.
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1);
}

TEST(IniFile, MissingFileIsEmptyAndCreatedOnWrite) {
  TempDir dir;
  const std::string path = dir.File("nuevo.ini");
  IniFile ini(path);
  EXPECT_FALSE(ini.existed());
  EXPECT_EQ(ini.ReadSections().Count(), 0);
  ini.WriteInteger("X", "n", 5);
  EXPECT_EQ(ReadBytes(path), "[X]\r\nn=5\r\n");
}

}  // namespace
}  // namespace hotfix
