#include "base/codepage.h"

#include <gtest/gtest.h>

namespace hotfix {
namespace {

TEST(Codepage, EveryByteRoundTripsThroughUtf8) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(byte)), byte) << "byte " << b;
  }
}

TEST(Codepage, SpanishAndHighControlCharacters) {
  struct Case {
    std::string cp1252;
    std::string utf8;
  };
  const Case cases[] = {
      {"Excepci\xF3n", "Excepción"},
      {"\xC1\xC9\xCD\xD3\xDA\xD1\xDC", "ÁÉÍÓÚÑÜ"},
      {"\x80", "€"},
      {"\x8A\x9A\x8C\x9C\x8E\x9E\x9F", "ŠšŒœŽžŸ"},
      {"\x93" "cita\x94", "“cita”"},
      {"\xBF" "Desea?", "¿Desea?"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8);
    EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252);
  }
}

TEST(Codepage, UnmappableAndMalformedBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1252("日本"), "??");
  EXPECT_EQ(Utf8ToCp1252("a\xFF" "b"), "a?b");
  EXPECT_EQ(Utf8ToCp1252("\xC3"), "?");          // truncated sequence at the end
  EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "??");      // overlong encoding
  EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "???");  // surrogate
}

TEST(Codepage, Utf16LittleEndianRoundTrip) {
  const std::string text = "Llaves ñ € 😀";
  EXPECT_EQ(Utf16LeToUtf8(Utf8ToUtf16Le(text)), text);
  EXPECT_EQ(Utf8ToUtf16Le("A"), std::string("A\0", 2));
}

}  // namespace
}  // namespace hotfix
