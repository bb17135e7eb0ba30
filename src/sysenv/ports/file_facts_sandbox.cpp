#include <filesystem>

#include "base/paths.h"
#include "base/text_file.h"
#include "sysenv/ports/file_facts.h"
#include "sysenv/ports/pe_version.h"
#include "sysenv/ports/sandbox_backends.h"

namespace hotfix {
namespace {

namespace fs = std::filesystem;

// The read-only attribute is the owner's write permission.
class SandboxFileFacts : public FileFacts {
 public:
  bool IsReadOnly(const std::string& path) override {
    std::error_code error;
    const fs::file_status status = fs::status(ToFsPath(path), error);
    if (error || !fs::exists(status)) return false;
    return (status.permissions() & fs::perms::owner_write) == fs::perms::none;
  }

  bool SetReadOnly(const std::string& path, bool read_only) override {
    std::error_code error;
    if (!fs::exists(ToFsPath(path), error)) return false;
    fs::permissions(ToFsPath(path), fs::perms::owner_write,
                    read_only ? fs::perm_options::remove : fs::perm_options::add, error);
    return !error;
  }

  std::optional<std::string> ReadVersionResource(const std::string& path) override {
    const auto bytes = ReadFileBytes(path);
    if (!bytes) return std::nullopt;
    return ExtractPeVersionResource(*bytes);
  }
};

}  // namespace

std::unique_ptr<FileFacts> NewSandboxFileFacts() { return std::make_unique<SandboxFileFacts>(); }

}  // namespace hotfix
