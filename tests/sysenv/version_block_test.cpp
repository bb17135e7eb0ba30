#include "sysenv/ports/version_block.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/pe_writer.h"

namespace hotfix {
namespace {

using testing::BuildVersionBlock;
using testing::VersionBlockContents;

VersionBlockContents FullBlock() {
  VersionBlockContents contents;
  contents.fixed_version = {{9, 70, 1, 0}};
  contents.string_tables = {{"0C0A04E4",
                             {{"CompanyName", "Velmar"},
                              {"FileDescription", "Servidor de aplicación"},
                              {"FileVersion", "9.70.001.0012"}}}};
  contents.translations = {{0x0C0A, 0x04E4}};
  return contents;
}

TEST(VersionBlock, ReadsFixedVersionStringsAndTranslation) {
  const auto block = VersionBlock::Parse(BuildVersionBlock(FullBlock()));
  ASSERT_TRUE(block.has_value());
  ASSERT_TRUE(block->fixed_version().has_value());
  EXPECT_EQ(block->fixed_version()->Text(), "9.70.1.0");
  EXPECT_EQ(block->Translation(), "0C0A04E4");
  EXPECT_EQ(block->StringValue("FileVersion"), "9.70.001.0012");
  EXPECT_EQ(block->StringValue("filedescription"), "Servidor de aplicación");
  EXPECT_EQ(block->StringValue("ProductName"), "");
  EXPECT_EQ(block->FileVersion(), "9.70.001.0012");
}

TEST(VersionBlock, FallsBackAndMatchesTheWayVerQueryValueDoes) {
  struct Case {
    const char* what;
    VersionBlockContents contents;
    const char* translation;
    const char* company;
    const char* file_version;
  };
  auto contents = [](auto change) {
    VersionBlockContents s = FullBlock();
    change(s);
    return s;
  };
  const Case cases[] = {
      {"lower-case table key", contents([](auto& s) { s.string_tables[0].key = "0c0a04e4"; }),
       "0C0A04E4", "Velmar", "9.70.001.0012"},
      {"no FileVersion string", contents([](auto& s) { s.string_tables[0].strings.pop_back(); }),
       "0C0A04E4", "Velmar", "9.70.1.0"},
      {"no string tables", contents([](auto& s) { s.string_tables.clear(); }), "0C0A04E4", "",
       "9.70.1.0"},
      {"no translation", contents([](auto& s) { s.translations.clear(); }), "", "", "9.70.1.0"},
      {"table of another language", contents([](auto& s) {
         s.translations = {{0x0409, 0x04B0}};
       }),
       "040904B0", "", "9.70.1.0"},
      {"first of two translations", contents([](auto& s) {
         s.translations = {{0x0C0A, 0x04E4}, {0x0409, 0x04B0}};
       }),
       "0C0A04E4", "Velmar", "9.70.001.0012"},
      {"nothing but the header", VersionBlockContents{}, "", "", ""},
      {"no fixed version, no FileVersion", contents([](auto& s) {
         s.fixed_version.reset();
         s.string_tables[0].strings.pop_back();
       }),
       "0C0A04E4", "Velmar", ""},
  };
  for (const auto& c : cases) {
    const auto block = VersionBlock::Parse(BuildVersionBlock(c.contents));
    ASSERT_TRUE(block.has_value()) << c.what;
    EXPECT_EQ(block->Translation(), c.translation) << c.what;
    EXPECT_EQ(block->StringValue("CompanyName"), c.company) << c.what;
    EXPECT_EQ(block->FileVersion(), c.file_version) << c.what;
  }
}

TEST(VersionBlock, FixedVersionNumbersAreUnsignedWords) {
  VersionBlockContents contents;
  contents.fixed_version = {{65535, 0, 10, 7}};
  EXPECT_EQ(VersionBlock::Parse(BuildVersionBlock(contents))->fixed_version()->Text(),
            "65535.0.10.7");
}

TEST(VersionBlock, ABadSignatureMeansNoFixedVersion) {
  std::string bytes = BuildVersionBlock(FullBlock());
  const size_t signature = bytes.find(std::string("\xBD\x04\xEF\xFE", 4));
  ASSERT_NE(signature, std::string::npos);
  bytes[signature] = 0;
  const auto block = VersionBlock::Parse(bytes);
  ASSERT_TRUE(block.has_value());
  EXPECT_FALSE(block->fixed_version().has_value());
  EXPECT_EQ(block->StringValue("FileVersion"), "9.70.001.0012");
}

// Every prefix, in a buffer of exactly its size so a read past it is caught
// by the address sanitizer, and every single damaged length field.
TEST(VersionBlock, TruncatedOrDamagedBlocksNeverReadOutside) {
  const std::string whole = BuildVersionBlock(FullBlock());
  for (size_t length = 0; length < whole.size(); ++length) {
    auto buffer = std::make_unique<char[]>(length + 1);
    whole.copy(buffer.get(), length);
    const auto block = VersionBlock::Parse(std::string_view(buffer.get(), length));
    EXPECT_FALSE(block.has_value()) << length;  // the root's length no longer fits
  }
  for (size_t at = 0; at + 1 < whole.size(); at += 2) {
    for (const uint16_t value : {uint16_t{0}, uint16_t{1}, uint16_t{6}, uint16_t{0xFFFF}}) {
      std::string damaged = whole;
      damaged[at] = static_cast<char>(value & 0xFF);
      damaged[at + 1] = static_cast<char>(value >> 8);
      auto buffer = std::make_unique<char[]>(damaged.size());
      damaged.copy(buffer.get(), damaged.size());
      if (auto block = VersionBlock::Parse(std::string_view(buffer.get(), damaged.size()))) {
        block->FileVersion();
        block->StringValue("CompanyName");
      }
    }
  }
}

}  // namespace
}  // namespace hotfix
