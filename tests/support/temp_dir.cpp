#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "base/guid.h"
#include "base/paths.h"

namespace hotfix::testing {

TempDir::TempDir() {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("hftest-" + GuidToHex32(NewGuid()));
  fs::create_directories(dir);
  path_ = dir.string();
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(std::string_view name) const { return JoinPath(path_, name); }

void WriteBytes(const std::string& path, std::string_view bytes) {
  namespace fs = std::filesystem;
  const fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace hotfix::testing
