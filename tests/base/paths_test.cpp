#include "base/paths.h"

#include <gtest/gtest.h>

#include "base/guid.h"

namespace hotfix {
namespace {

TEST(Paths, JoinUsesOneSeparator) {
  const std::string sep(1, kPathSeparator);
  EXPECT_EQ(JoinPath("a", "b"), "a" + sep + "b");
  EXPECT_EQ(JoinPath("a" + sep, sep + "b"), "a" + sep + "b");
  EXPECT_EQ(JoinPath("", "b"), "b");
  EXPECT_EQ(JoinPath("a", "b", "c.txt"), "a" + sep + "b" + sep + "c.txt");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\Sistema\\"), "C:\\Sistema\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), sep);
}

TEST(Paths, FileNamePartsOfWindowsAndNativePaths) {
  EXPECT_EQ(ExtractFileName("C:\\Windows\\Explorer.exe"), "Explorer.exe");
  EXPECT_EQ(ExtractFileName("/srv/fs/app.exe"), "app.exe");
  EXPECT_EQ(ExtractFileName("kiosk.exe"), "kiosk.exe");
  EXPECT_EQ(ExtractFileExt("a.b\\c"), "");
  EXPECT_EQ(ExtractFileExt("CLIENTE.EXE"), ".EXE");
  EXPECT_EQ(ChangeFileExt("CLIENTE.EXE", ".zip"), "CLIENTE.zip");
  EXPECT_EQ(ChangeFileExt("sin", ".log"), "sin.log");
  EXPECT_EQ(ExtractFilePath("C:\\a\\b.txt"), "C:\\a\\");
}

TEST(Guid, ThirtyTwoHexDigits) {
  const std::string a = GuidToHex32(NewGuid());
  EXPECT_EQ(a.size(), 32u);
  EXPECT_EQ(a.find_first_not_of("0123456789ABCDEF"), std::string::npos);
  EXPECT_NE(a, GuidToHex32(NewGuid()));
  EXPECT_EQ(GuidToBracedText(GuidBytes{}).size(), 38u);
}

}  // namespace
}  // namespace hotfix
