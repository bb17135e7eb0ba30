#include "base/paths.h"
#include "base/program_version.h"
#include "sysenv/ports/sandbox_backends.h"
#include "sysenv/ports/system_info.h"

namespace hotfix {
namespace {

class SandboxSystemInfo : public SystemInfo {
 public:
  explicit SandboxSystemInfo(std::shared_ptr<SandboxStore> store) : store_(std::move(store)) {}

  OsVersion GetOsVersion() override { return store_->Machine()->system.os; }

  std::string TempFolder() override {
    return IncludeTrailingPathDelimiter(store_->ResolveFolder(store_->Machine()->system.temp_folder));
  }

  std::string WindowsSystemFolder() override {
    return IncludeTrailingPathDelimiter(store_->ResolveFolder(store_->Machine()->system.system_folder));
  }

  Endpoint SysInfoEndpoint() override {
    return Endpoint{"127.0.0.1", store_->Machine()->system.sysinfo_port};
  }

  std::string ProgramVersion() override { return kProgramVersion; }

 private:
  std::shared_ptr<SandboxStore> store_;
};

}  // namespace

std::unique_ptr<SystemInfo> NewSandboxSystemInfo(std::shared_ptr<SandboxStore> store) {
  return std::make_unique<SandboxSystemInfo>(std::move(store));
}

}  // namespace hotfix
