#include "db/script_file.h"

#include <algorithm>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "base/codepage.h"
#include "base/text.h"
#include "support/temp_dir.h"

namespace hotfix {
namespace {

using namespace std::string_literals;

struct BytesCase {
  const char* name;
  std::string bytes;
  std::string text;
};

class ScriptTextTest : public ::testing::TestWithParam<BytesCase> {};

TEST_P(ScriptTextTest, ReadsAsTheScriptRunner) {
  EXPECT_EQ(ScriptTextFromBytes(GetParam().bytes), GetParam().text);
}

const BytesCase kBytesCases[] = {
    {"Empty", "", ""},
    {"CrLfTextIsKeptAsItIs", "a\r\nb\r\n", "a\r\nb\r\n"},
    {"LastLineGetsItsLineBreak", "a\r\nb", "a\r\nb\r\n"},
    {"LoneCrAndLoneLfBecomeCrLf", "a\rb\nc\n\rd", "a\r\nb\r\nc\r\n\r\nd\r\n"},
    {"OnlyLineBreaks", "\r\r\n\n", "\r\n\r\n\r\n"},
    {"TextEndsAtFirstNul", "a\r\nb\0c\r\nd"s, "a\r\nb\r\n"},
    {"NulFirstGivesNothing", "\0a\r\n"s, ""},
    {"Utf16FileIsCutAtItsFirstNul", "\xFF\xFEG\0O\0"s, "\xC3\xBF\xC3\xBEG\r\n"},
    {"AnsiCharactersBecomeUtf8",
     "A\xF1o \x80 \x81 \x9F\xE1",
     "A\xC3\xB1o \xE2\x82\xAC \xC2\x81 \xC5\xB8\xC3\xA1\r\n"},
    {"ChangesAtBothEndsOfAnUnchangedMiddle",
     "\xE1\nunchanged middle\r\nkept\r\n\xE9",
     "\xC3\xA1\r\nunchanged middle\r\nkept\r\n\xC3\xA9\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ScriptTextTest, ::testing::ValuesIn(kBytesCases),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(ScriptTextTest, AgreesWithLineByLineReadingOnMixedBytesInAnyPieces) {
  const char alphabet[] = {'a', ' ', '\r', '\n', '\x80', '\xE1', '\x81', '\x9D', '\xFF', '\0'};
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    const int count = static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) bytes.push_back(alphabet[random() % sizeof alphabet]);
    const std::string expected =
        JoinLinesCrLf(SplitLines(Cp1252ToUtf8(bytes.substr(0, bytes.find('\0')))));
    ASSERT_EQ(ScriptTextFromBytes(bytes), expected) << "bytes: " << bytes;

    // The same bytes cut anywhere, a CR LF pair or a NUL included.
    ScriptTextBuilder builder;
    for (size_t pos = 0; pos < bytes.size();) {
      const size_t piece = std::min<size_t>(random() % 5, bytes.size() - pos);
      builder.Append(std::string_view(bytes).substr(pos, piece));
      pos += piece;
    }
    ASSERT_EQ(builder.Finish(), expected) << "bytes: " << bytes;
  }
}

TEST(ScriptTextTest, PiecesAfterTheNulAreIgnored) {
  ScriptTextBuilder builder;
  EXPECT_TRUE(builder.Append("a\r"));
  EXPECT_FALSE(builder.Append("\0b"s));
  EXPECT_FALSE(builder.Append("c\r\n"));
  EXPECT_EQ(builder.Finish(), "a\r\n");
}

TEST(ReadScriptFileTest, ReadsTheFileAsText) {
  testing::TempDir dir;
  testing::WriteBytes(dir.File("s.sql"), "SELECT 'A\xF1o'\nGO");
  EXPECT_EQ(ReadScriptFile(dir.File("s.sql")), "SELECT 'A\xC3\xB1o'\r\nGO\r\n");
}

TEST(ReadScriptFileTest, MissingFileOrFolderCannotBeRead) {
  testing::TempDir dir;
  EXPECT_EQ(ReadScriptFile(dir.File("no-existe.sql")), std::nullopt);
  EXPECT_EQ(ReadScriptFile(dir.path()), std::nullopt);
}

}  // namespace
}  // namespace hotfix
