#include "sysenv/ports/pe_version.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/pe_writer.h"

namespace hotfix {
namespace {

using testing::BuildPeFile;
using testing::BuildPeWithVersion;
using testing::BuildVersionBlock;
using testing::kPeLayout;
using testing::PeFileContents;
using testing::VersionBlockContents;

std::string Block(uint16_t build) {
  VersionBlockContents contents;
  contents.fixed_version = {{9, 70, 1, build}};
  contents.string_tables = {{"0C0A04E4", {{"FileVersion", "9.70.001.000"}}}};
  contents.translations = {{0x0C0A, 0x04E4}};
  return BuildVersionBlock(contents);
}

// A copy in a buffer of exactly its size, so a read past the end is caught.
std::optional<std::string> Extract(std::string_view bytes) {
  auto buffer = std::make_unique<char[]>(bytes.size() + 1);
  bytes.copy(buffer.get(), bytes.size());
  return ExtractPeVersionResource(std::string_view(buffer.get(), bytes.size()));
}

void PutU32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
}

TEST(ExtractPeVersionResource, FindsTheBlockIn32And64BitFiles) {
  for (const bool pe32_plus : {false, true}) {
    const std::string block = Block(7);
    EXPECT_EQ(Extract(BuildPeWithVersion(block, pe32_plus)), block) << pe32_plus;
  }
}

TEST(ExtractPeVersionResource, ChoosesVersionInfoAndTheNeutralLanguage) {
  struct Case {
    const char* what;
    std::vector<PeFileContents::Resource> resources;
    uint16_t expected_build;  // 0: no block
  };
  const Case cases[] = {
      {"neutral after another language",
       {{16, 1, 0x0409, Block(1)}, {16, 1, 0, Block(2)}, {16, 1, 0x0C0A, Block(3)}},
       2},
      {"no neutral: the first language", {{16, 1, 0x0C0A, Block(4)}, {16, 1, 0x0409, Block(5)}}, 4},
      {"VS_VERSION_INFO after another name", {{16, 7, 0, Block(6)}, {16, 1, 0, Block(7)}}, 7},
      {"another name only: the first", {{16, 7, 0, Block(8)}, {16, 9, 0, Block(9)}}, 8},
      {"no version type", {{3, 1, 0, Block(1)}, {24, 1, 0, Block(1)}}, 0},
      {"no resources", {}, 0},
  };
  for (const auto& c : cases) {
    PeFileContents contents;
    contents.resources = c.resources;
    const auto found = Extract(BuildPeFile(contents));
    if (c.expected_build == 0) {
      EXPECT_FALSE(found.has_value()) << c.what;
    } else {
      EXPECT_EQ(found, Block(c.expected_build)) << c.what;
    }
  }
}

TEST(ExtractPeVersionResource, RejectsWhatIsNotAPeFile) {
  std::string pe = BuildPeWithVersion(Block(1));
  std::string no_mz = pe;
  no_mz[0] = 'Z';
  std::string no_pe = pe;
  no_pe[kPeLayout.pe_header] = 'N';
  std::string far_header = pe;
  PutU32(far_header, 0x3C, 0xFFFFFFF0);
  std::string bad_magic = pe;
  bad_magic[kPeLayout.pe_header + 24] = 0x07;
  const std::string inputs[] = {
      "", "MZ", std::string("MZ\0\0", 4), "texto plano\r\n", no_mz, no_pe, far_header, bad_magic};
  for (const auto& input : inputs) EXPECT_FALSE(Extract(input).has_value());
}

TEST(ExtractPeVersionResource, EveryTruncationIsReadSafely) {
  const std::string block = Block(3);
  const std::string pe = BuildPeWithVersion(block);
  const size_t block_end = pe.find(block) + block.size();
  for (size_t length = 0; length < pe.size(); ++length) {
    const auto found = Extract(std::string_view(pe).substr(0, length));
    if (length < block_end) {
      EXPECT_FALSE(found.has_value()) << length;
    } else {
      EXPECT_EQ(found, block) << length;
    }
  }
}

TEST(ExtractPeVersionResource, DirectoriesPointingAnywhereEndTheWalk) {
  const std::string pe = BuildPeWithVersion(Block(3));
  const size_t root = kPeLayout.resource_section_offset;
  const uint32_t targets[] = {0, 0x80000000, 0x7FFFFFFF, 0xFFFFFFFF, 0x80000010, 16, 0x80000008};
  // Every 32-bit field of the resource tree (directories and data entries)
  // replaced by each target: loops back to the root, out of the section, or
  // a data entry where a directory belongs.
  const size_t tree_end = pe.find(Block(3));
  for (size_t at = root; at + 4 <= tree_end; at += 4) {
    for (const uint32_t target : targets) {
      std::string damaged = pe;
      PutU32(damaged, at, target);
      Extract(damaged);
    }
  }
  std::string cyclic = pe;
  PutU32(cyclic, root + 16 + 8 + 4, 0x80000000);  // RT_VERSION's entry -> the root
  EXPECT_FALSE(Extract(cyclic).has_value());
}

}  // namespace
}  // namespace hotfix
