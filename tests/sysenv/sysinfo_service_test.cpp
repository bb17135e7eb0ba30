// The sysinfo-service program on a sandbox: what it answers, its log, its
// shutdown, and how it stands up to hostile clients.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <random>

#include "base/paths.h"
#include "base/text.h"
#include "sandbox/sandbox_builder.h"
#include "support/temp_dir.h"
#include "sysenv/Lib_SysInfo_Intf.h"
#include "sysenv/sysinfo_errors.h"
#include "sysenv/sysinfo_service_process.h"
#include "sysenv/sysinfo_tcp_channel.h"
#include "sysenv/tcp_test_peer.h"

namespace hotfix {
namespace {

using ::testing::HasSubstr;

class SysInfoServiceTest : public ::testing::Test {
 protected:
  std::string WriteDemo(uint16_t port = 9097) {
    const std::string directory = dir_.File("maquina");
    SandboxBuilder builder = DemoMachine(directory);
    builder.machine().system.sysinfo_port = port;
    builder.Write();
    return directory;
  }

  static std::string Ask(uint16_t port, const std::function<std::string(Svr_SysInfo&)>& call) {
    SysInfoClientMessage message;
    SysInfoTcpChannel channel(Endpoint{"127.0.0.1", port}, kSysInfoChannelKey);
    return call(*CoSvr_SysInfo::Create(message, channel));
  }

  testing::TempDir dir_;
};

TEST_F(SysInfoServiceTest, ServesTheSandboxOnItsPortAndLogsEveryRequest) {
  const uint16_t port = testing::UnusedLoopbackPort();
  const std::string sandbox = WriteDemo(port);
  testing::SysInfoServiceProcess service(sandbox, {}, /*sandbox_port=*/true);
  ASSERT_EQ(service.port(), port);

  EXPECT_EQ(Ask(port, [](Svr_SysInfo& s) { return s.GetServers(2); }), "1\r\n2\r\n3");
  const std::string key = Ask(port, [](Svr_SysInfo& s) { return s.GetServer("2", 0); });
  EXPECT_THAT(key, HasSubstr("HlNumber=2\r\n"));
  EXPECT_THAT(key, HasSubstr("ServerVersion=10.00.000.000\r\n"));
  EXPECT_THAT(key, HasSubstr("ServerSystemDir=" + JoinPath(sandbox, "fs", "Velmar", "Llave2", "Servidor")));
  EXPECT_THAT(key, ::testing::Not(HasSubstr("DictionaryCnxnStr")));
  EXPECT_THAT(key, HasSubstr("DictionaryName=DICC_2"));
  EXPECT_EQ(Ask(port, [](Svr_SysInfo& s) { return s.GetServer("2", 2); }),
            "DictionaryCnxnStr=Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;"
            "Password=Quiltor2000;Initial Catalog=DICC_2;Data Source=SANDBOX");
  EXPECT_EQ(Ask(port, [](Svr_SysInfo& s) { return s.GetPlatformServer(); }),
            "CommonFilesVelmarServer=" +
                JoinPath(sandbox, "fs", "Program Files", "Common Files", "Velmar", "Servidor"));
  EXPECT_THROW(Ask(port, [](Svr_SysInfo& s) { return s.GetClients(2); }), ESysInfoError);

  EXPECT_EQ(service.Stop(), 0);
  const std::vector<std::string> log = SplitLines(service.ErrorOutput());
  ASSERT_GE(log.size(), 3u);
  const std::vector<std::string> requests(log.begin() + 1, log.end() - 2);
  ASSERT_EQ(requests.size(), 5u) << service.ErrorOutput();
  EXPECT_THAT(requests[0], HasSubstr("Svr_SysInfo.GetServers(TypeSystem=2) -> respuesta"));
  EXPECT_THAT(requests[4], HasSubstr("Svr_SysInfo.GetClients(TypeSystem=2) -> excepción ESysInfoNotSupported"));
  EXPECT_THAT(log.front(), HasSubstr("escuchando en 127.0.0.1:" + std::to_string(port)));
  EXPECT_THAT(log[log.size() - 2], HasSubstr("señal SIGTERM recibida"));
  EXPECT_THAT(log.back(), HasSubstr("detenido"));
}

TEST_F(SysInfoServiceTest, ReadsTheRegistryAsItIsNow) {
  const std::string sandbox = WriteDemo();
  testing::SysInfoServiceProcess service(sandbox);
  EXPECT_EQ(Ask(service.port(), [](Svr_SysInfo& s) { return s.GetServers(2); }), "1\r\n2\r\n3");
  // Another process adds a key while the service runs.
  SandboxBuilder later = DemoMachine(dir_.File("otra"));
  later.AddInstallationKey("7", {{"ServerVersion", "9.70.002.000"}});
  later.Write();
  const std::string registry = testing::ReadBytes(JoinPath(dir_.File("otra"), "registry.reg"));
  testing::WriteBytes(JoinPath(sandbox, "registry.reg"),
                      ReplaceAll(registry, dir_.File("otra"), sandbox));
  EXPECT_EQ(Ask(service.port(), [](Svr_SysInfo& s) { return s.GetServers(2); }), "1\r\n2\r\n3\r\n7");
}

TEST_F(SysInfoServiceTest, EndsCleanlyOnEitherSignal) {
  const std::string sandbox = WriteDemo();
  for (int signal_number : {SIGINT, SIGTERM}) {
    testing::SysInfoServiceProcess service(sandbox);
    EXPECT_EQ(service.StopWith(signal_number), 0);
    EXPECT_THAT(service.ErrorOutput(),
                HasSubstr(signal_number == SIGINT ? "SIGINT recibida" : "SIGTERM recibida"));
  }
}

TEST_F(SysInfoServiceTest, RefusesToStartWithoutASandbox) {
  EXPECT_THROW(testing::SysInfoServiceProcess(dir_.File("no-existe")), std::exception);
}

// A bounded stream of hostile frames; the service must answer a proper
// question afterwards.
TEST_F(SysInfoServiceTest, SurvivesHostileFramesAndServesTheNextClient) {
  testing::SysInfoServiceProcess service(WriteDemo(), {"--read-timeout-ms", "300"});
  const SysInfoChannelCipher cipher(kSysInfoChannelKey);
  SysInfoClientMessage message;
  SysInfoMessage request = message.NewRequest(kSvrSysInfoName, "GetServers");
  request.parameters.push_back({"TypeSystem", int32_t{2}});
  const std::string good_frame = cipher.Seal(EncodeSysInfoMessage(request));

  std::mt19937 random(20261211);
  auto random_bytes = [&](size_t count) {
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
  };
  std::vector<std::string> frames;
  for (int i = 0; i < 20; ++i) frames.push_back(random_bytes(1 + random() % 300));
  for (int i = 0; i < 20; ++i) {
    // Framed correctly, random inside.
    const uint32_t length = static_cast<uint32_t>(40 + 8 * (1 + random() % 10));
    std::string frame = "VSIF";
    for (int b = 0; b < 4; ++b) frame.push_back(static_cast<char>(length >> (8 * b)));
    frames.push_back(frame + random_bytes(length));
  }
  for (size_t cut = 1; cut < good_frame.size(); cut += 7) frames.push_back(good_frame.substr(0, cut));
  for (int i = 0; i < 10; ++i) {
    std::string damaged = good_frame;
    damaged[8 + random() % (damaged.size() - 8)] ^= static_cast<char>(1 << (random() % 8));
    frames.push_back(damaged);
  }
  frames.push_back(std::string("VSIF\x08\x00\x10\x00", 8) + random_bytes(64));  // just over 1 MiB
  frames.push_back(std::string("VSIF\xff\xff\xff\xff", 8));
  frames.push_back(good_frame + good_frame);  // two requests on one connection
  for (int i = 0; i < 5; ++i) frames.push_back(good_frame);  // replayed as they are

  int answered = 0;
  for (const std::string& frame : frames) {
    const testing::RawExchangeResult result =
        testing::RawExchange(service.port(), frame, /*shutdown_send=*/true, 5000);
    EXPECT_TRUE(result.closed_by_peer);
    if (!result.received.empty()) {
      // Whatever comes back is one well-formed frame of our key.
      EXPECT_NO_THROW(DecodeSysInfoMessage(cipher.Open(result.received)));
      ++answered;
    }
  }
  // A client that sends half a frame and waits is cut off by the read deadline.
  const testing::RawExchangeResult stalled =
      testing::RawExchange(service.port(), good_frame.substr(0, 20), false, 5000);
  EXPECT_TRUE(stalled.closed_by_peer);
  EXPECT_TRUE(stalled.received.empty());

  EXPECT_EQ(Ask(service.port(), [](Svr_SysInfo& s) { return s.GetServers(2); }), "1\r\n2\r\n3");
  EXPECT_GE(answered, 6);  // at least the well-formed requests
  EXPECT_THAT(service.ErrorOutput(), HasSubstr("la consulta no llegó completa a tiempo (300 ms)"));
  EXPECT_EQ(service.Stop(), 0);
}

}  // namespace
}  // namespace hotfix
