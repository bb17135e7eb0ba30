// The socket side of the client channel, on Boost.Asio (both toolchains).

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#include <chrono>
#include <optional>

#include "sysenv/sysinfo_errors.h"
#include "sysenv/sysinfo_tcp_channel.h"

namespace hotfix {
namespace {

namespace asio = boost::asio;
using asio::ip::tcp;
using boost::system::error_code;

std::string DescribeSocketError(const error_code& error) {
  if (error == asio::error::connection_refused) return "conexión rechazada";
  if (error == asio::error::host_not_found || error == asio::error::host_not_found_try_again) {
    return "no se encontró el equipo";
  }
  if (error == asio::error::network_unreachable || error == asio::error::host_unreachable) {
    return "el equipo no es alcanzable";
  }
  if (error == asio::error::eof || error == asio::error::connection_reset ||
      error == asio::error::broken_pipe || error == asio::error::connection_aborted) {
    return "el servicio cerró la conexión";
  }
  return error.message();
}

// "5", or "0,2" for times below whole seconds.
std::string SecondsText(int milliseconds) {
  std::string text = std::to_string(milliseconds / 1000);
  if (milliseconds % 1000 != 0) text += "," + std::to_string(milliseconds % 1000 / 100);
  return text;
}

// Runs the pending operations until they finish or the deadline passes; on
// expiry closes the socket (cancelling them), lets them complete, and
// answers false.
bool RunUntil(asio::io_context& io, tcp::socket& socket,
              std::chrono::steady_clock::time_point deadline) {
  io.restart();
  io.run_until(deadline);
  if (io.stopped()) return true;
  error_code ignored;
  socket.close(ignored);
  io.restart();
  io.run();
  return false;
}

}  // namespace

std::string SysInfoTcpChannel::Exchange(const std::string& request_frame) {
  asio::io_context io;
  tcp::socket socket(io);
  tcp::resolver resolver(io);
  const std::string where = EndpointText();

  // Connection.
  std::optional<error_code> connect_result;
  const auto connect_deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeouts_.connect_ms);
  const auto on_connected = [&](const error_code& connect_error, const tcp::endpoint&) {
    connect_result = connect_error;
  };
  error_code not_numeric;
  const asio::ip::address address = asio::ip::make_address(endpoint_.host, not_numeric);
  if (!not_numeric) {
    socket.async_connect(tcp::endpoint(address, endpoint_.port),
                         [&](const error_code& connect_error) { connect_result = connect_error; });
  } else {
    resolver.async_resolve(endpoint_.host, std::to_string(endpoint_.port),
                           tcp::resolver::numeric_service,
                           [&](const error_code& error, const tcp::resolver::results_type& results) {
                             if (error) {
                               connect_result = error;
                               return;
                             }
                             asio::async_connect(socket, results, on_connected);
                           });
  }
  if (!RunUntil(io, socket, connect_deadline) || !connect_result) {
    resolver.cancel();
    throw ESysInfoTimeout("Se agotó el tiempo de espera (" + SecondsText(timeouts_.connect_ms) +
                          " s) al conectar con el Servicio de Información del Sistema en " + where + ".");
  }
  if (*connect_result) {
    throw ESysInfoConnectionError("No fue posible conectar con el Servicio de Información del Sistema en " +
                                  where + ": " + DescribeSocketError(*connect_result) + ".");
  }

  // Request out, answer in: header first, then the envelope it announces.
  std::string answer(kSysInfoFrameHeaderBytes, '\0');
  std::optional<error_code> exchange_result;
  std::string framing_error;
  const auto answer_deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeouts_.answer_ms);
  asio::async_write(socket, asio::buffer(request_frame), [&](const error_code& write_error, size_t) {
    if (write_error) {
      exchange_result = write_error;
      return;
    }
    asio::async_read(socket, asio::buffer(answer), [&](const error_code& header_error, size_t) {
      if (header_error) {
        exchange_result = header_error;
        return;
      }
      size_t envelope_bytes = 0;
      try {
        envelope_bytes = ParseSysInfoFrameHeader(answer);
      } catch (const ESysInfoMessageError& error) {
        framing_error = error.Message();
        exchange_result = error_code();
        return;
      }
      answer.resize(kSysInfoFrameHeaderBytes + envelope_bytes);
      asio::async_read(socket, asio::buffer(answer.data() + kSysInfoFrameHeaderBytes, envelope_bytes),
                       [&](const error_code& body_error, size_t) { exchange_result = body_error; });
    });
  });
  if (!RunUntil(io, socket, answer_deadline) || !exchange_result) {
    throw ESysInfoTimeout("Se agotó el tiempo de espera (" + SecondsText(timeouts_.answer_ms) +
                          " s) de la respuesta del Servicio de Información del Sistema en " + where + ".");
  }
  error_code ignored;
  socket.shutdown(tcp::socket::shutdown_both, ignored);
  socket.close(ignored);
  if (!framing_error.empty()) throw ESysInfoMessageError(framing_error);
  if (*exchange_result) {
    throw ESysInfoConnectionError("Falló la comunicación con el Servicio de Información del Sistema en " +
                                  where + ": " + DescribeSocketError(*exchange_result) + ".");
  }
  return answer;
}

}  // namespace hotfix
