#include "sysenv/ports/registry.h"
#include "sysenv/ports/sandbox_backends.h"

namespace hotfix {
namespace {

class SandboxRegistry : public Registry {
 public:
  explicit SandboxRegistry(std::shared_ptr<SandboxStore> store) : store_(std::move(store)) {}

  bool KeyExists(std::string_view path) override { return store_->Registry()->KeyExists(path); }

  std::optional<std::vector<std::string>> SubKeyNames(std::string_view path) override {
    return store_->Registry()->SubKeyNames(path);
  }

  std::optional<RegistryValue> ReadValue(std::string_view path, std::string_view name) override {
    return store_->Registry()->ReadValue(path, name);
  }

  void WriteString(std::string_view path, std::string_view name, std::string_view value) override {
    RegistryValue text;
    text.kind = RegistryValue::Kind::kString;
    text.text = std::string(value);
    store_->UpdateRegistry([&](RegFile& file) { file.WriteValue(path, name, text); });
  }

 private:
  std::shared_ptr<SandboxStore> store_;
};

}  // namespace

std::unique_ptr<Registry> NewSandboxRegistry(std::shared_ptr<SandboxStore> store) {
  return std::make_unique<SandboxRegistry>(std::move(store));
}

}  // namespace hotfix
