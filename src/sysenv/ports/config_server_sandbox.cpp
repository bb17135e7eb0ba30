#include "base/exception.h"
#include "sysenv/ports/config_server.h"
#include "sysenv/ports/sandbox_backends.h"

namespace hotfix {
namespace {

// Answers as machine.ini says per key number; every call is written to
// launches.log, as the program it stands for would have been started.
class SandboxConfigurationServer : public ConfigurationServer {
 public:
  explicit SandboxConfigurationServer(std::shared_ptr<SandboxStore> store) : store_(std::move(store)) {}

  int32_t RegistrarComponentesComPlus(std::string_view key_number) override {
    const auto state = store_->Machine();
    const ConfigurationServerAnswer& answer = state->configuration_server.AnswerFor(key_number);
    last_error_ = answer.last_error;
    store_->AppendLaunch("ConfigurationServer RegistrarComponentesComPlus " + std::string(key_number));
    return answer.result;
  }

  std::string ObtenerUltimoError() override { return last_error_; }

 private:
  std::shared_ptr<SandboxStore> store_;
  std::string last_error_;
};

class SandboxConfigurationServerFactory : public ConfigurationServerFactory {
 public:
  explicit SandboxConfigurationServerFactory(std::shared_ptr<SandboxStore> store)
      : store_(std::move(store)) {}

  std::unique_ptr<ConfigurationServer> Create() override {
    if (!store_->Machine()->configuration_server.available) throw EOSError("Clase no registrada");
    return std::make_unique<SandboxConfigurationServer>(store_);
  }

 private:
  std::shared_ptr<SandboxStore> store_;
};

}  // namespace

std::unique_ptr<ConfigurationServerFactory> NewSandboxConfigurationServer(
    std::shared_ptr<SandboxStore> store) {
  return std::make_unique<SandboxConfigurationServerFactory>(std::move(store));
}

}  // namespace hotfix
