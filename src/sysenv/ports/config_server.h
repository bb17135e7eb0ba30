#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace hotfix {

// The product's configuration server (a COM program), its two methods.
// Failure statuses raise EOSError with the COM error's message.
class ConfigurationServer {
 public:
  virtual ~ConfigurationServer() = default;
  // 0 means success.
  virtual int32_t RegistrarComponentesComPlus(std::string_view key_number) = 0;
  virtual std::string ObtenerUltimoError() = 0;
};

class ConfigurationServerFactory {
 public:
  virtual ~ConfigurationServerFactory() = default;
  // Creates (or connects to) the server; raises EOSError when it cannot.
  virtual std::unique_ptr<ConfigurationServer> Create() = 0;
};

}  // namespace hotfix
