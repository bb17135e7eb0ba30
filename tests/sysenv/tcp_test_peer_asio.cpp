#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "sysenv/sysinfo_channel.h"
#include "sysenv/tcp_test_peer.h"

namespace hotfix::testing {

namespace asio = boost::asio;
using asio::ip::tcp;
using boost::system::error_code;

uint16_t UnusedLoopbackPort() {
  asio::io_context io;
  tcp::acceptor acceptor(io, tcp::endpoint(asio::ip::address_v4::loopback(), 0));
  return acceptor.local_endpoint().port();
}

class ScriptedTcpServer::Impl {
 public:
  Impl(Reply reply, bool silent)
      : reply_(std::move(reply)),
        silent_(silent),
        acceptor_(io_, tcp::endpoint(asio::ip::address_v4::loopback(), 0)) {
    thread_ = std::thread([this] { Serve(); });
  }
  ~Impl() {
    stopping_ = true;
    error_code ignored;
    // Wake the accept with a connection of our own, then close what is held.
    tcp::socket waker(io_);
    waker.connect(acceptor_.local_endpoint(), ignored);
    thread_.join();
  }

  uint16_t port() const { return acceptor_.local_endpoint().port(); }
  int connections() const { return connections_; }

 private:
  void Serve() {
    std::vector<tcp::socket> held;
    while (!stopping_) {
      tcp::socket socket(io_);
      error_code error;
      acceptor_.accept(socket, error);
      if (error || stopping_) break;
      ++connections_;
      std::string frame(kSysInfoFrameHeaderBytes, '\0');
      asio::read(socket, asio::buffer(frame), error);
      if (!error) {
        size_t envelope = 0;
        try {
          envelope = ParseSysInfoFrameHeader(frame);
        } catch (const std::exception&) {
          envelope = 0;
        }
        frame.resize(kSysInfoFrameHeaderBytes + envelope);
        asio::read(socket, asio::buffer(frame.data() + kSysInfoFrameHeaderBytes, envelope), error);
      }
      if (silent_) {
        held.push_back(std::move(socket));
        continue;
      }
      if (!error) asio::write(socket, asio::buffer(reply_(frame)), error);
      socket.shutdown(tcp::socket::shutdown_both, error);
    }
  }

  Reply reply_;
  bool silent_;
  asio::io_context io_;
  tcp::acceptor acceptor_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
};

ScriptedTcpServer::ScriptedTcpServer(Reply reply, bool silent)
    : impl_(std::make_unique<Impl>(std::move(reply), silent)) {}
ScriptedTcpServer::~ScriptedTcpServer() = default;
uint16_t ScriptedTcpServer::port() const { return impl_->port(); }
int ScriptedTcpServer::connections() const { return impl_->connections(); }

RawExchangeResult RawExchange(uint16_t port, std::string_view bytes, bool shutdown_send,
                              int timeout_ms) {
  asio::io_context io;
  tcp::socket socket(io);
  RawExchangeResult result;
  socket.connect(tcp::endpoint(asio::ip::address_v4::loopback(), port));
  error_code error;
  asio::write(socket, asio::buffer(bytes.data(), bytes.size()), error);
  if (shutdown_send) socket.shutdown(tcp::socket::shutdown_send, error);

  std::array<char, 4096> buffer{};
  std::function<void()> read_more = [&] {
    socket.async_read_some(asio::buffer(buffer), [&](const error_code& read_error, size_t count) {
      result.received.append(buffer.data(), count);
      if (read_error) {
        result.closed_by_peer = true;
        return;
      }
      read_more();
    });
  };
  read_more();
  io.run_for(std::chrono::milliseconds(timeout_ms));
  if (!io.stopped()) {
    socket.close(error);
    io.restart();
    io.run();
    result.closed_by_peer = false;
  }
  return result;
}

}  // namespace hotfix::testing
