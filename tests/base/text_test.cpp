#include "base/text.h"

#include <gtest/gtest.h>

namespace hotfix {
namespace {

TEST(Text, CaseFoldingCoversWindows1252Letters) {
  EXPECT_EQ(AnsiUpperCase("áéíóúñüçàÿšœž"), "ÁÉÍÓÚÑÜÇÀŸŠŒŽ");
  EXPECT_EQ(AnsiLowerCase("ÁÉÍÓÚÑÜÇÀŸŠŒŽ"), "áéíóúñüçàÿšœž");
  // Letters without a case pair and the signs between the Latin-1 letters stay.
  EXPECT_EQ(AnsiUpperCase("ß µ ÷ ×"), "ß µ ÷ ×");
  EXPECT_EQ(AnsiUpperCase("日本 abc"), "日本 ABC");
}

TEST(Text, CaseInsensitiveComparison) {
  EXPECT_TRUE(SameText("Configuración", "CONFIGURACIÓN"));
  EXPECT_FALSE(SameText("Configuracion", "CONFIGURACIÓN"));
  EXPECT_LT(CompareText("10", "2"), 0);
  EXPECT_LT(CompareText("abc", "ABCD"), 0);
  EXPECT_EQ(CompareText("ORVIN_x", "orvin_X"), 0);
  EXPECT_TRUE(StartsText("orvin_", "ORVIN_Compras"));
  EXPECT_TRUE(EndsText(".EXE", "c:\\x\\Explorer.exe"));
  EXPECT_EQ(FindText("C:\\Windows\\Explorer.exe /x", "EXPLORER.EXE"), 11u);
}

TEST(Text, TrimmingRemovesControlCodesAndBlanks) {
  EXPECT_EQ(Trim(std::string("\t\r\n \x01 hola \x1F\0", 13)), "hola");
  EXPECT_EQ(TrimLeft("  a  "), "a  ");
  EXPECT_EQ(TrimRight("  a  "), "  a");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(" á "), "á");  // bytes of multi-byte letters are above 32
}

TEST(Text, SplitLinesAcceptsEveryLineBreak) {
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_TRUE(SplitLines("").empty());
}

TEST(Text, ParsesIntegersStrictly) {
  long long v = 0;
  EXPECT_TRUE(TryParseInt(" 39 ", v));
  EXPECT_EQ(v, 39);
  EXPECT_TRUE(TryParseInt("-5", v));
  EXPECT_EQ(v, -5);
  EXPECT_FALSE(TryParseInt("2a", v));
  EXPECT_FALSE(TryParseInt("", v));
  EXPECT_FALSE(TryParseInt("99999999999999999999", v));
}

}  // namespace
}  // namespace hotfix
