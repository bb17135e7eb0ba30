#include "sysenv/ports/version_block.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/pe_writer.h"

namespace hotfix {
namespace {

using testing::BuildVersionBlock;
using testing::VersionBlockSpec;

VersionBlockSpec FullSpec() {
  VersionBlockSpec spec;
  spec.fixed_version = {{9, 70, 1, 0}};
  spec.string_tables = {{"0C0A04E4",
                         {{"CompanyName", "Velmar"},
                          {"FileDescription", "Servidor de aplicación"},
                          {"FileVersion", "9.70.001.0012"}}}};
  spec.translations = {{0x0C0A, 0x04E4}};
  return spec;
}

TEST(VersionBlock, ReadsFixedVersionStringsAndTranslation) {
  const auto block = VersionBlock::Parse(BuildVersionBlock(FullSpec()));
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
    VersionBlockSpec spec;
    const char* translation;
    const char* company;
    const char* file_version;
  };
  auto spec = [](auto change) {
    VersionBlockSpec s = FullSpec();
    change(s);
    return s;
  };
  const Case cases[] = {
      {"lower-case table key", spec([](auto& s) { s.string_tables[0].key = "0c0a04e4"; }),
       "0C0A04E4", "Velmar", "9.70.001.0012"},
      {"no FileVersion string",
       spec([](auto& s) { s.string_tables[0].strings.pop_back(); }), "0C0A04E4", "Velmar",
       "9.70.1.0"},
      {"no string tables", spec([](auto& s) { s.string_tables.clear(); }), "0C0A04E4", "",
       "9.70.1.0"},
      {"no translation", spec([](auto& s) { s.translations.clear(); }), "", "", "9.70.1.0"},
      {"table of another language",
       spec([](auto& s) { s.translations = {{0x0409, 0x04B0}}; }), "040904B0", "", "9.70.1.0"},
      {"first of two translations",
       spec([](auto& s) { s.translations = {{0x0C0A, 0x04E4}, {0x0409, 0x04B0}}; }),
       "0C0A04E4", "Velmar", "9.70.001.0012"},
      {"nothing but the header", VersionBlockSpec{}, "", "", ""},
      {"no fixed version, no FileVersion",
       spec([](auto& s) {
         s.fixed_version.reset();
         s.string_tables[0].strings.pop_back();
       }),
       "0C0A04E4", "Velmar", ""},
  };
  for (const auto& c : cases) {
    const auto block = VersionBlock::Parse(BuildVersionBlock(c.spec));
    ASSERT_TRUE(block.has_value()) << c.what;
    EXPECT_EQ(block->Translation(), c.translation) << c.what;
    EXPECT_EQ(block->StringValue("CompanyName"), c.company) << c.what;
    EXPECT_EQ(block->FileVersion(), c.file_version) << c.what;
  }
}

TEST(VersionBlock, FixedVersionNumbersAreUnsignedWords) {
  VersionBlockSpec spec;
  spec.fixed_version = {{65535, 0, 10, 7}};
  EXPECT_EQ(VersionBlock::Parse(BuildVersionBlock(spec))->fixed_version()->Text(),
            "65535.0.10.7");
}

TEST(VersionBlock, ABadSignatureMeansNoFixedVersion) {
  std::string bytes = BuildVersionBlock(FullSpec());
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
  const std::string whole = BuildVersionBlock(FullSpec());
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
