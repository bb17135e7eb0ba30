#include "package/uVerInfo.h"

#include <gtest/gtest.h>

#include "package/uVmVersionUtils.h"
#include "support/fake_machine.h"
#include "support/pe_writer.h"

namespace hotfix {
namespace {

using testing::BuildVersionBlock;
using testing::MakeFakeMachine;
using testing::VersionBlockContents;

class VersionInfoTest : public ::testing::Test {
 protected:
  VersionInfoTest() : fake_(MakeFakeMachine()), scope_(fake_.machine) {}

  void SetResource(const std::string& path, const VersionBlockContents& contents) {
    fake_.file_facts->version_resources[path] = BuildVersionBlock(contents);
  }

  testing::FakeMachine fake_;
  ScopedCurrentMachine scope_;
};

TEST_F(VersionInfoTest, ReadsThroughTheFileFacts) {
  VersionBlockContents contents;
  contents.fixed_version = {{9, 70, 1, 0}};
  contents.string_tables = {
      {"0C0A04E4", {{"FileVersion", "9.70.001.0012"}, {"Comments", "Año ñandú"}}}};
  contents.translations = {{0x0C0A, 0x04E4}};
  SetResource("/srv/Quiltor.exe", contents);

  const TVersionInfo info("/srv/Quiltor.exe");
  EXPECT_TRUE(info.valid());
  EXPECT_EQ(info.Translation(), "0C0A04E4");
  EXPECT_EQ(info.StringValue("Comments"), "Año ñandú");
  EXPECT_EQ(info.FileVersion(), "9.70.001.0012");
  EXPECT_EQ(ObtenerVersionArchivo("/srv/Quiltor.exe"), "9.70.1.0");  // the fixed version only
}

TEST_F(VersionInfoTest, FileVersionFallsBackToTheFixedVersion) {
  VersionBlockContents contents;
  contents.fixed_version = {{9, 70, 1, 0}};
  contents.string_tables = {{"0C0A04E4", {{"CompanyName", "Velmar"}}}};
  contents.translations = {{0x0C0A, 0x04E4}};
  SetResource("/srv/a.dll", contents);
  EXPECT_EQ(TVersionInfo("/srv/a.dll").FileVersion(), "9.70.1.0");
}

TEST_F(VersionInfoTest, FilesWithoutVersionDataGiveEmptyTexts) {
  SetResource(
      "/srv/sin-fija.dll",
      VersionBlockContents{{}, {{"0C0A04E4", {{"FileVersion", "1.0"}}}}, {{0x0C0A, 0x04E4}}});
  fake_.file_facts->version_resources["/srv/basura.dll"] = "\x01\x02\x03";
  for (const char* path : {"/srv/no-existe.exe", "/srv/basura.dll"}) {
    const TVersionInfo info(path);
    EXPECT_EQ(info.Translation(), "") << path;
    EXPECT_EQ(info.StringValue("FileVersion"), "") << path;
    EXPECT_EQ(info.FileVersion(), "") << path;
    EXPECT_EQ(ObtenerVersionArchivo(path), "") << path;
  }
  EXPECT_FALSE(TVersionInfo("/srv/no-existe.exe").valid());
  EXPECT_EQ(ObtenerVersionArchivo("/srv/sin-fija.dll"), "");
  EXPECT_EQ(TVersionInfo("/srv/sin-fija.dll").FileVersion(), "1.0");
}

}  // namespace
}  // namespace hotfix
