#pragma once

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/fake_machine.h"
#include "sysenv/sysinfo_channel.h"
#include "sysinfo_registry_service.h"
#include "sysinfo_request_handler.h"
#include "sysinfo_server.h"

namespace hotfix::testing {

// Our service over an in-memory registry, serving on a free loopback port
// from a thread of this process. The registry holds keys "2", "10" and "1"
// (in that order) and the platform folder.
class InProcessSysInfoService {
 public:
  explicit InProcessSysInfoService(std::string key_text = kSysInfoChannelKey,
                                   SysInfoServerLimits limits = {});
  ~InProcessSysInfoService();
  InProcessSysInfoService(const InProcessSysInfoService&) = delete;
  InProcessSysInfoService& operator=(const InProcessSysInfoService&) = delete;

  uint16_t port() const { return port_; }
  Endpoint endpoint() const { return Endpoint{"127.0.0.1", port_}; }
  std::vector<std::string> log();

 private:
  FakeRegistry registry_;
  SysInfoRegistryService service_;
  SysInfoRequestHandler handler_;
  std::mutex mutex_;
  std::vector<std::string> log_;
  SysInfoServer server_;
  uint16_t port_ = 0;
  std::thread thread_;
};

}  // namespace hotfix::testing
