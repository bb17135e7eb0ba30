// The service's sockets, on Boost.Asio: one thread, asynchronous reads and
// writes, a deadline per connection.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>

#include <array>
#include <csignal>
#include <memory>

#include "base/exception.h"
#include "sysenv/sysinfo_channel.h"
#include "sysinfo_server.h"

namespace hotfix {

namespace asio = boost::asio;
using asio::ip::tcp;
using boost::system::error_code;

class SysInfoServerCore {
 public:
  SysInfoServerCore(SysInfoRequestHandler& handler, SysInfoServer::LogSink log, SysInfoServerLimits limits)
      : handler_(handler), log_(std::move(log)), limits_(limits), acceptor_(io_) {}

  uint16_t Listen(uint16_t port) {
    error_code error;
    const tcp::endpoint endpoint(asio::ip::address_v4::loopback(), port);
    acceptor_.open(endpoint.protocol(), error);
    if (!error) acceptor_.set_option(tcp::acceptor::reuse_address(true), error);
    if (!error) acceptor_.bind(endpoint, error);
    if (!error) acceptor_.listen(asio::socket_base::max_listen_connections, error);
    if (error) {
      throw Exception("No fue posible escuchar en 127.0.0.1:" + std::to_string(port) + ": " +
                      error.message());
    }
    Accept();
    return acceptor_.local_endpoint().port();
  }

  void StopOnSignals() {
    signals_ = std::make_unique<asio::signal_set>(io_, SIGINT, SIGTERM);
    signals_->async_wait([this](const error_code& error, int signal_number) {
      if (error) return;
      Log(std::string("señal ") + (signal_number == SIGINT ? "SIGINT" : "SIGTERM") +
          " recibida, deteniendo el servicio");
      io_.stop();
    });
  }

  void Run() { io_.run(); }

  void Stop() { io_.stop(); }

  void Log(const std::string& line) {
    if (log_) log_(line);
  }

  SysInfoRequestHandler& handler() { return handler_; }
  const SysInfoServerLimits& limits() const { return limits_; }
  void ConnectionEnded() { --active_; }

 private:
  void Accept();

  SysInfoRequestHandler& handler_;
  SysInfoServer::LogSink log_;
  SysInfoServerLimits limits_;
  int active_ = 0;
  // Last, so that connections still pending go before what they use.
  asio::io_context io_;
  tcp::acceptor acceptor_;
  std::unique_ptr<asio::signal_set> signals_;
};

namespace {

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(tcp::socket socket, SysInfoServerCore& server)
      : socket_(std::move(socket)),
        timer_(socket_.get_executor()),
        server_(server),
        frame_(kSysInfoFrameHeaderBytes, '\0') {
    error_code error;
    const tcp::endpoint peer = socket_.remote_endpoint(error);
    peer_ = error ? std::string("?") : peer.address().to_string() + ":" + std::to_string(peer.port());
  }
  ~Connection() { server_.ConnectionEnded(); }

  void Start() {
    auto self = shared_from_this();
    ArmDeadline(server_.limits().read_ms, "la consulta no llegó completa a tiempo");
    asio::async_read(socket_, asio::buffer(frame_),
                     [self](const error_code& error, size_t) { self->OnHeader(error); });
  }

 private:
  void ArmDeadline(int milliseconds, const char* reason) {
    auto self = shared_from_this();
    timer_.expires_after(std::chrono::milliseconds(milliseconds));
    timer_.async_wait([self, reason](const error_code& error) {
      if (!error) self->Close(std::string(reason) + " (" + std::to_string(self->DeadlineMs()) + " ms)");
    });
  }
  int DeadlineMs() const { return answered_ ? server_.limits().write_ms : server_.limits().read_ms; }

  void OnHeader(const error_code& error) {
    if (error) return Close(ReadFailure(error, "sin consulta"));
    size_t envelope_bytes = 0;
    try {
      envelope_bytes = ParseSysInfoFrameHeader(frame_);
    } catch (const std::exception& framing) {
      return Close(framing.what());
    }
    frame_.resize(kSysInfoFrameHeaderBytes + envelope_bytes);
    auto self = shared_from_this();
    asio::async_read(socket_, asio::buffer(frame_.data() + kSysInfoFrameHeaderBytes, envelope_bytes),
                     [self](const error_code& body_error, size_t) { self->OnBody(body_error); });
  }

  void OnBody(const error_code& error) {
    if (error) return Close(ReadFailure(error, "consulta incompleta"));
    SysInfoHandledRequest handled = server_.handler().Handle(frame_);
    server_.Log(peer_ + " " + handled.log_line);
    answer_ = std::move(handled.answer_frame);
    answered_ = true;
    ArmDeadline(server_.limits().write_ms, "la respuesta no pudo enviarse a tiempo");
    auto self = shared_from_this();
    asio::async_write(socket_, asio::buffer(answer_), [self](const error_code& write_error, size_t) {
      if (write_error) return self->Close("la respuesta no pudo enviarse: " + write_error.message());
      self->ArmDeadline(self->server_.limits().write_ms, "el cliente no cerró la conexión tras la respuesta");
      self->Linger();
    });
  }

  // After the answer: no more sending, and whatever the client still sends is
  // read and dropped until it closes (or the deadline passes), so that
  // closing never resets a connection whose answer is still on its way.
  void Linger() {
    error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_send, ignored);
    auto self = shared_from_this();
    socket_.async_read_some(asio::buffer(scratch_), [self](const error_code& error, size_t) {
      if (error) return self->Close("");
      self->Linger();
    });
  }

  std::string ReadFailure(const error_code& error, const char* at_eof) const {
    if (error == asio::error::eof) return std::string("conexión cerrada por el cliente: ") + at_eof;
    return "error de lectura: " + error.message();
  }

  // Closes once; a non-empty reason goes to the log.
  void Close(const std::string& reason) {
    if (closed_) return;
    closed_ = true;
    if (!reason.empty()) server_.Log(peer_ + " conexión cerrada: " + reason);
    error_code ignored;
    timer_.cancel(ignored);
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
  }

  tcp::socket socket_;
  asio::steady_timer timer_;
  SysInfoServerCore& server_;
  std::string frame_;
  std::string answer_;
  std::array<char, 4096> scratch_{};
  std::string peer_;
  bool answered_ = false;
  bool closed_ = false;
};

}  // namespace

void SysInfoServerCore::Accept() {
  acceptor_.async_accept([this](const error_code& error, tcp::socket socket) {
    if (error == asio::error::operation_aborted) return;
    if (!error) {
      if (active_ >= limits_.max_connections) {
        Log("conexión rechazada: ya hay " + std::to_string(active_) + " conexiones abiertas");
        error_code ignored;
        socket.close(ignored);
      } else {
        ++active_;
        std::make_shared<Connection>(std::move(socket), *this)->Start();
      }
    }
    Accept();
  });
}

SysInfoServer::SysInfoServer(SysInfoRequestHandler& handler, LogSink log, SysInfoServerLimits limits)
    : impl_(std::make_unique<SysInfoServerCore>(handler, std::move(log), limits)) {}

SysInfoServer::~SysInfoServer() = default;

uint16_t SysInfoServer::Listen(uint16_t port) { return impl_->Listen(port); }
void SysInfoServer::StopOnSignals() { impl_->StopOnSignals(); }
void SysInfoServer::Run() { impl_->Run(); }
void SysInfoServer::Stop() { impl_->Stop(); }

}  // namespace hotfix
