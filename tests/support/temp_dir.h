#pragma once

#include <string>
#include <string_view>

namespace hotfix::testing {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() joined with a relative name.
  std::string File(std::string_view name) const;

 private:
  std::string path_;
};

// Writes bytes to a file (creating its folders); raises on failure.
void WriteBytes(const std::string& path, std::string_view bytes);
// The bytes of a file; raises when it cannot be read.
std::string ReadBytes(const std::string& path);

}  // namespace hotfix::testing
