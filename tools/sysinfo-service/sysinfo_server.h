#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sysinfo_request_handler.h"

namespace hotfix {

class SysInfoServerCore;

struct SysInfoServerLimits {
  int read_ms = 10000;       // the whole request frame, from acceptance
  int write_ms = 10000;      // the answer frame
  int max_connections = 64;  // served at once; more are closed at acceptance
};

// The TCP side of the service on the loopback interface: one request frame
// per connection, answered by the handler, then the connection closes.
// Frames that break the framing rules, arrive too slowly or too large close
// their connection; the next client is served as usual.
class SysInfoServer {
 public:
  using LogSink = std::function<void(const std::string& line)>;

  SysInfoServer(SysInfoRequestHandler& handler, LogSink log, SysInfoServerLimits limits = {});
  ~SysInfoServer();
  SysInfoServer(const SysInfoServer&) = delete;
  SysInfoServer& operator=(const SysInfoServer&) = delete;

  // Binds 127.0.0.1 and the port (0: any free one) and answers the port.
  // Raises Exception when the port cannot be bound.
  uint16_t Listen(uint16_t port);

  // From now on SIGINT and SIGTERM stop the server (a signal that arrives
  // before Run makes Run return at once).
  void StopOnSignals();
  // Serves until Stop or a signal.
  void Run();
  // Safe from any thread.
  void Stop();

 private:
  std::unique_ptr<SysInfoServerCore> impl_;
};

}  // namespace hotfix
