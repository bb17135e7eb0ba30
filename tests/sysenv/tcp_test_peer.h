#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace hotfix::testing {

// A loopback port nothing listens on (bound once, then released).
uint16_t UnusedLoopbackPort();

// A TCP server on a free loopback port that plays a SysInfo service badly or
// well: for each connection it reads one frame (header, then the envelope it
// announces) and writes what `reply` answers for it, then closes. With
// `silent` it accepts, reads and never answers until it is destroyed.
class ScriptedTcpServer {
 public:
  using Reply = std::function<std::string(std::string_view request_frame)>;
  explicit ScriptedTcpServer(Reply reply, bool silent = false);
  ~ScriptedTcpServer();
  ScriptedTcpServer(const ScriptedTcpServer&) = delete;
  ScriptedTcpServer& operator=(const ScriptedTcpServer&) = delete;

  uint16_t port() const;
  int connections() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

// What a raw client got back from one connection.
struct RawExchangeResult {
  std::string received;
  bool closed_by_peer = false;  // false: the deadline passed with the connection open
};

// Connects to 127.0.0.1:port, writes the bytes, optionally shuts down its
// sending side, then reads until the peer closes or `timeout_ms` passes.
RawExchangeResult RawExchange(uint16_t port, std::string_view bytes, bool shutdown_send,
                              int timeout_ms);

}  // namespace hotfix::testing
