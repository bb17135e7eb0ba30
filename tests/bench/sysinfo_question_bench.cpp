// One complete SysInfo question (connect, encrypted request, answer, close)
// against the baseline of a plain TCP connect-send-receive-close of the same
// byte counts, both served by a thread of this process over loopback.
//
// How to run it: tests/bench/README.md.

#include <benchmark/benchmark.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#include <atomic>
#include <thread>

#include "sysenv/Lib_SysInfo_Intf.h"
#include "sysenv/in_process_sysinfo_service.h"
#include "sysenv/sysinfo_tcp_channel.h"

namespace {

using namespace hotfix;
namespace asio = boost::asio;
using asio::ip::tcp;

testing::InProcessSysInfoService& Service() {
  static testing::InProcessSysInfoService service;
  return service;
}

// The frame sizes of the question the benchmark asks.
struct QuestionSizes {
  size_t request = 0;
  size_t answer = 0;
};

QuestionSizes MeasureQuestion() {
  const SysInfoChannelCipher cipher(kSysInfoChannelKey);
  SysInfoClientMessage message;
  SysInfoMessage request = message.NewRequest(kSvrSysInfoName, "GetServer");
  request.parameters.push_back({"HLNumber", SysInfoAnsiText{"1"}});
  request.parameters.push_back({"DataOption", int32_t{0}});
  SysInfoTcpChannel channel(Service().endpoint(), kSysInfoChannelKey);
  SysInfoMessage answer = channel.Dispatch(request);
  return QuestionSizes{cipher.Seal(EncodeSysInfoMessage(request)).size(),
                       cipher.Seal(EncodeSysInfoMessage(answer)).size()};
}

// Reads a fixed number of bytes per connection and answers a fixed number.
class PlainTcpServer {
 public:
  explicit PlainTcpServer(QuestionSizes sizes)
      : sizes_(sizes), acceptor_(io_, tcp::endpoint(asio::ip::address_v4::loopback(), 0)) {
    thread_ = std::thread([this] {
      std::string request(sizes_.request, '\0');
      const std::string answer(sizes_.answer, 'r');
      while (!stopping_) {
        tcp::socket socket(io_);
        boost::system::error_code error;
        acceptor_.accept(socket, error);
        if (error || stopping_) break;
        asio::read(socket, asio::buffer(request), error);
        if (!error) asio::write(socket, asio::buffer(answer), error);
        socket.shutdown(tcp::socket::shutdown_send, error);
        char drain[64];
        while (!error) socket.read_some(asio::buffer(drain), error);
      }
    });
  }
  ~PlainTcpServer() {
    stopping_ = true;
    tcp::socket waker(io_);
    boost::system::error_code ignored;
    waker.connect(acceptor_.local_endpoint(), ignored);
    thread_.join();
  }
  uint16_t port() const { return acceptor_.local_endpoint().port(); }

 private:
  QuestionSizes sizes_;
  asio::io_context io_;
  tcp::acceptor acceptor_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

void BM_SysInfoQuestion(benchmark::State& state) {
  const Endpoint endpoint = Service().endpoint();
  for (auto _ : state) {
    SysInfoClientMessage message;
    SysInfoTcpChannel channel(endpoint, kSysInfoChannelKey);
    benchmark::DoNotOptimize(CoSvr_SysInfo::Create(message, channel)->GetServer("1", 0));
  }
}
BENCHMARK(BM_SysInfoQuestion)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_PlainTcpSameSizes(benchmark::State& state) {
  const QuestionSizes sizes = MeasureQuestion();
  PlainTcpServer server(sizes);
  const std::string request(sizes.request, 'q');
  std::string answer(sizes.answer, '\0');
  const tcp::endpoint endpoint(asio::ip::address_v4::loopback(), server.port());
  for (auto _ : state) {
    asio::io_context io;
    tcp::socket socket(io);
    socket.connect(endpoint);
    asio::write(socket, asio::buffer(request));
    asio::read(socket, asio::buffer(answer));
    socket.shutdown(tcp::socket::shutdown_both);
    socket.close();
  }
  state.counters["request_bytes"] = static_cast<double>(sizes.request);
  state.counters["answer_bytes"] = static_cast<double>(sizes.answer);
}
BENCHMARK(BM_PlainTcpSameSizes)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
