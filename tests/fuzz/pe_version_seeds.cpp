// Writes a starting corpus for pe_version_fuzzer into a folder.

#include <fstream>
#include <iostream>
#include <string>

#include "support/pe_writer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Uso: pe_version_seeds CARPETA\n";
    return 2;
  }
  using hotfix::testing::VersionBlockContents;
  VersionBlockContents full;
  full.fixed_version = {{9, 70, 1, 12}};
  full.string_tables = {{"0C0A04E4", {{"CompanyName", "Velmar"}, {"FileVersion", "9.70.1.12"}}}};
  full.translations = {{0x0C0A, 0x04E4}};
  VersionBlockContents fixed_only;
  fixed_only.fixed_version = {{1, 0, 0, 0}};
  const std::string full_block = hotfix::testing::BuildVersionBlock(full);

  hotfix::testing::PeFileContents languages;
  languages.resources = {{16, 1, 0x0409, full_block}, {16, 1, 0, full_block}};
  const std::pair<const char*, std::string> seeds[] = {
      {"pe32.exe", hotfix::testing::BuildPeWithVersion(full_block, false)},
      {"pe32plus.exe", hotfix::testing::BuildPeWithVersion(full_block, true)},
      {"fixed_only.dll",
       hotfix::testing::BuildPeWithVersion(hotfix::testing::BuildVersionBlock(fixed_only))},
      {"languages.exe", hotfix::testing::BuildPeFile(languages)},
      {"block.bin", full_block},
  };
  for (const auto& [name, bytes] : seeds) {
    std::ofstream out(std::string(argv[1]) + "/" + name, std::ios::binary);
    out << bytes;
    if (!out) {
      std::cerr << "No se pudo escribir " << name << "\n";
      return 1;
    }
  }
  return 0;
}
