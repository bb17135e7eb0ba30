#include "db/uParserScriptSQL.h"

#include <random>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/codepage.h"
#include "base/text.h"

namespace hotfix {
namespace {

using namespace std::string_literals;

// Every batch text, walking the parser the way the script runner does.
std::vector<std::string> Lotes(std::string script) {
  TParserScriptSQL parser(std::move(script));
  std::vector<std::string> lotes;
  for (parser.Primero(); !parser.EsFin(); parser.Siguiente()) {
    EXPECT_EQ(parser.NumeroLote(), static_cast<long long>(lotes.size()) + 1);
    lotes.push_back(parser.LoteActual());
  }
  EXPECT_EQ(parser.CantidadLotes(), static_cast<long long>(lotes.size()));
  return lotes;
}

struct SplitCase {
  const char* name;
  std::string script;
  std::vector<std::string> lotes;
};

class ParserSplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ParserSplitTest, GivesTheBatches) { EXPECT_EQ(Lotes(GetParam().script), GetParam().lotes); }

const SplitCase kSplitCases[] = {
    {"EmptyScriptHasNoBatch", "", {}},
    {"StatementWithoutGoGetsClosingGo", "SELECT 1", {"SELECT 1\r\n"}},
    {"LineBreakAfterLastLineAddsNoLine", "SELECT 1\r\n", {"SELECT 1\r\n"}},
    {"EndingGoAddsNoExtraBatch", "SELECT 1\r\ngo\r\n", {"SELECT 1\r\n"}},
    {"GoInAnyCase", "a\r\nGO\r\nb\r\ngo\r\nc\r\nGo\r\nd\r\ngO", {"a\r\n", "b\r\n", "c\r\n", "d\r\n"}},
    {"GoWithBlanksAndControlsAround", "a\r\n \t GO \x01\r\nb", {"a\r\n", "b\r\n"}},
    {"GoWithCountOrCommentIsNoGo",
     "a\r\nGO 5\r\nGO -- fin\r\nGOTO x\r\nG O\r\nGO;",
     {"a\r\nGO 5\r\nGO -- fin\r\nGOTO x\r\nG O\r\nGO;\r\n"}},
    {"CommentAfterLastGoLeavesEmptyLastBatch",
     "SELECT 1\r\nGO\r\n-- fin del script",
     {"SELECT 1\r\n", ""}},
    {"BlankLineAfterLastGoIsABatchOfOneEmptyLine", "SELECT 1\r\nGO\r\n   ", {"SELECT 1\r\n", "\r\n"}},
    {"GoOnFirstLineGivesEmptyBatch", "GO\r\nSELECT 1\r\nGO", {"", "SELECT 1\r\n"}},
    {"ConsecutiveGoLinesGiveEmptyBatch", "a\r\nGO\r\nGO\r\nb\r\nGO", {"a\r\n", "", "b\r\n"}},
    {"OnlyGoLines", "GO\r\ngo\r\n", {"", ""}},
    {"BlankLinesStayInTheirBatch", "\r\na\r\n\r\n\t\r\nb\r\nGO", {"\r\na\r\n\r\n\r\nb\r\n"}},
    {"EveryLineIsTrimmedStringLiteralsToo",
     "  INSERT INTO T VALUES ('uno\r\n    dos  ')\t\r\nGO",
     {"INSERT INTO T VALUES ('uno\r\ndos  ')\r\n"}},
    {"ObjectHeaderLineIsDropped",
     "/****** Object:  Table [dbo].[T] ******/\r\nCREATE TABLE T (A INT)\r\nGO",
     {"CREATE TABLE T (A INT)\r\n"}},
    {"BlockCommentOpeningLineIsDroppedWholeItsRestStays",
     "  /* uno */ SELECT 1\r\n/* dos\r\n   tres */\r\nSELECT 2\r\nGO",
     {"tres */\r\nSELECT 2\r\n"}},
    {"DashDashBlankLineIsDroppedOtherDashesStay",
     "-- comentario\r\n  -- sangrado\r\n--pegado\r\n--\r\n  --   \r\n--\tcon tab\r\nSELECT 1 -- al final\r\nGO",
     {"--pegado\r\n--\r\n--\r\n--\tcon tab\r\nSELECT 1 -- al final\r\n"}},
    {"GoInsideBlockCommentStillEndsABatch",
     "SELECT 1\r\n/*\r\nGO\r\n*/\r\nSELECT 2\r\nGO",
     {"SELECT 1\r\n", "*/\r\nSELECT 2\r\n"}},
    {"CrLfCrAndLfMixed", "a\rb\nc\r\nGO\rd\n\re", {"a\r\nb\r\nc\r\n", "d\r\n\r\ne\r\n"}},
    {"LoneCrsMakeEmptyLines", "a\r\r\rGO\r", {"a\r\n\r\n\r\n"}},
    {"LoneLfsMakeEmptyLines", "\n\na\n", {"\r\n\r\na\r\n"}},
    {"NulCharactersAreTrimmedLikeBlanks", "\0GO\0\r\na\0b"s, {"", "a\0b\r\n"s}},
    {"AccentedTextPassesUnchanged", "SELECT 'Año', 'Ñandú €'\r\nGO", {"SELECT 'Año', 'Ñandú €'\r\n"}},
    {"CharactersOutsideTheAnsiCodePageBecomeQuestionMarks",
     "SELECT '中文 ü', 'a\xFF\xC3' \r\nGO",
     {"SELECT '?\? ü', 'a?\?'\r\n"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ParserSplitTest, ::testing::ValuesIn(kSplitCases),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(ParserIterationTest, EmptyScriptIsAtItsEndFromTheStart) {
  TParserScriptSQL parser("");
  EXPECT_TRUE(parser.EsFin());
  parser.Primero();
  EXPECT_TRUE(parser.EsFin());
  EXPECT_EQ(parser.LoteActual(), "");
  EXPECT_EQ(parser.CantidadLotes(), 0);
  parser.Siguiente();
  EXPECT_TRUE(parser.EsFin());
  EXPECT_EQ(parser.NumeroLote(), 0);
}

TEST(ParserIterationTest, NoBatchIsCurrentBeforePrimeroNorAfterTheLast) {
  TParserScriptSQL parser("a\r\nGO\r\nb");
  EXPECT_FALSE(parser.EsFin());
  EXPECT_EQ(parser.NumeroLote(), 0);
  EXPECT_EQ(parser.LoteActual(), "");

  parser.Primero();
  EXPECT_EQ(parser.LoteActual(), "a\r\n");
  parser.Siguiente();
  EXPECT_EQ(parser.LoteActual(), "b\r\n");
  EXPECT_EQ(parser.NumeroLote(), 2);
  parser.Siguiente();
  EXPECT_TRUE(parser.EsFin());
  EXPECT_EQ(parser.LoteActual(), "");
  parser.Siguiente();
  EXPECT_TRUE(parser.EsFin());
  EXPECT_EQ(parser.NumeroLote(), 3);

  // The batches can be walked again.
  parser.Primero();
  EXPECT_FALSE(parser.EsFin());
  EXPECT_EQ(parser.LoteActual(), "a\r\n");
}

// The same rules written the plain way, line by line over copies, to check
// the parser's single-copy walk on many mixed scripts.
std::vector<std::string> ReferenceLotes(const std::string& script) {
  std::vector<std::string> lines = SplitLines(Cp1252ToUtf8(Utf8ToCp1252(script)));
  auto is_go = [](const std::string& line) { return SameText(Trim(line), "GO"); };
  if (!lines.empty() && !is_go(lines.back())) lines.push_back("GO");
  std::vector<std::string> lotes;
  std::string actual;
  for (const std::string& line : lines) {
    const std::string trimmed = Trim(line);
    if (trimmed.starts_with("/*") || trimmed.starts_with("-- ")) continue;
    if (is_go(line)) {
      lotes.push_back(actual);
      actual.clear();
    } else {
      actual += trimmed + "\r\n";
    }
  }
  return lotes;
}

TEST(ParserSplitTest, AgreesWithLineByLineReadingOnMixedScripts) {
  const std::vector<std::string> pieces = {"GO", "go", " gO\t", "SELECT 1", "  x  ", "/* c */",
                                           "-- c", "--c", "\r", "\n", "\r\n", "\r\n", "\r\n",
                                           "\n\r", "é", "€", "\x01", "GO 2", ""};
  std::mt19937 random(20240611);
  for (int round = 0; round < 2000; ++round) {
    std::string script;
    const int count = static_cast<int>(random() % 24);
    for (int i = 0; i < count; ++i) script += pieces[random() % pieces.size()];
    ASSERT_EQ(Lotes(script), ReferenceLotes(script)) << "script: " << script;
  }
}

}  // namespace
}  // namespace hotfix
