// The SysInfo stub and gateway against the real sysinfo-service program
// serving a sandbox, from a client machine whose SysInfo Windows service
// state, clock and data folder the tests control.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "base/exception.h"
#include "base/paths.h"
#include "base/text.h"
#include "log/uVmPaths.h"
#include "log/uVmWriteToLog.h"
#include "sandbox/sandbox_builder.h"
#include "support/fake_machine.h"
#include "support/temp_dir.h"
#include "sysenv/sysinfo_service_process.h"
#include "sysenv/tcp_test_peer.h"
#include "sysenv/uVmSysInfoGW.h"
#include "sysenv/uVmSysInfoStub.h"

namespace hotfix {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr char kShellFolders[] =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr char kDictionaryText[] =
    "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Data Source=SANDBOX;"
    "Initial Catalog=DICC_1";
constexpr char kStoppedMessage[] =
    "El Servicio de Información del Sistema se encuentra en estado detenido. Es necesario "
    "activar el servicio para que esta aplicación funcione adecuadamente.";

// The state query of the SysInfo Windows service, scripted: one state per
// query, the last one repeating; counts the queries.
class ScriptedServiceControl : public ServiceControl {
 public:
  std::vector<int> states{kServiceRunning};
  bool installed = true;
  int queries = 0;

  std::unique_ptr<ServiceHandle> OpenService(std::string_view name, uint32_t) override {
    if (!installed || name != kSysInfoServiceName) return nullptr;
    return std::make_unique<Handle>(*this);
  }

 private:
  class Handle : public ServiceHandle {
   public:
    explicit Handle(ScriptedServiceControl& owner) : owner_(owner) {}
    std::optional<int> QueryState() override {
      const size_t at = std::min(static_cast<size_t>(owner_.queries), owner_.states.size() - 1);
      ++owner_.queries;
      return owner_.states[at];
    }
    bool Start() override { return false; }
    bool Control(ServiceControlCode) override { return false; }
    std::optional<std::string> QueryBinaryPath(uint32_t, uint32_t&) override { return std::nullopt; }

   private:
    ScriptedServiceControl& owner_;
  };
};

// A sandbox with the demo machine's keys and what these tests look for.
void WriteTestSandbox(const std::string& directory) {
  SandboxBuilder builder = DemoMachine(directory);
  const std::string branch(SandboxBuilder::kKeysBranch);
  builder.SetString(branch + "\\1", "ConfigDir", "C:\\Datos<S>\\Conf");
  builder.SetString(branch + "\\1", "DictionaryName", "DICC_1");
  builder.SetString(branch + "\\1", "DictionaryCnxnStr", kDictionaryText);
  builder.AddInstallationKey("10", {{"ServerVersion", "10.00.001.000"}, {"TipoSistema", "RESTO"}});
  builder.Write();
}

class SysInfoGatewayTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sandbox_dir_ = new testing::TempDir;
    WriteTestSandbox(sandbox_dir_->File("maquina"));
    service_ = new testing::SysInfoServiceProcess(sandbox_dir_->File("maquina"));
  }
  static void TearDownTestSuite() {
    delete service_;
    delete sandbox_dir_;
  }

  void SetUp() override {
    Machine::Ports ports;
    auto registry = std::make_unique<testing::FakeRegistry>();
    auto services = std::make_unique<ScriptedServiceControl>();
    auto processes = std::make_unique<testing::FakeProcesses>();
    auto system_info = std::make_unique<testing::FakeSystemInfo>();
    auto clock = std::make_unique<testing::FakeClock>();
    registry_ = registry.get();
    services_ = services.get();
    processes_ = processes.get();
    system_info_ = system_info.get();
    clock_ = clock.get();
    ports.registry = std::move(registry);
    ports.services = std::move(services);
    ports.processes = std::move(processes);
    ports.windows = std::make_unique<testing::FakeWindows>();
    ports.launcher = std::make_unique<testing::FakeLauncher>();
    ports.com_plus = std::make_unique<testing::FakeComPlus>();
    ports.configuration_server = std::make_unique<testing::FakeConfigurationServerFactory>();
    ports.file_facts = std::make_unique<testing::FakeFileFacts>();
    ports.dialogs = std::make_unique<ScriptedDialogs>();
    ports.database_location = std::make_unique<testing::FakeDatabaseLocation>();
    ports.system_info = std::move(system_info);
    ports.clock = std::move(clock);

    registry_->SetString(kShellFolders, "Common AppData", data_dir_.path());
    system_info_->sysinfo = Endpoint{"127.0.0.1", service_->port()};
    machine_ = std::make_unique<ScopedCurrentMachine>(std::make_shared<Machine>(std::move(ports)));
    testing_hooks::ResetLogState();
    testing_hooks::ResetSysInfoCache();
    testing_hooks::ResetSharedSysServers();
  }

  void TearDown() override {
    testing_hooks::ResetSharedSysServers();
    testing_hooks::ResetSysInfoCache();
    machine_.reset();
    testing_hooks::ResetLogState();
  }

  std::string ServicesIniPath() const { return JoinPath(data_dir_.path(), "Velmar", "Services.Ini"); }
  void WriteServicesIni(std::string_view text) const { testing::WriteBytes(ServicesIniPath(), text); }

  // How many requests of an operation the service has logged so far.
  static int Requests(std::string_view call) {
    int count = 0;
    for (const std::string& line : SplitLines(service_->ErrorOutput())) {
      if (line.find(call) != std::string::npos) ++count;
    }
    return count;
  }

  // The message the gateway raises for a call, or "" when it answers.
  template <typename Call>
  static std::string FailureOf(Call call) {
    try {
      call();
    } catch (const Exception& error) {
      return error.Message();
    }
    return "";
  }

  static testing::TempDir* sandbox_dir_;
  static testing::SysInfoServiceProcess* service_;
  testing::TempDir data_dir_;
  testing::FakeRegistry* registry_ = nullptr;
  ScriptedServiceControl* services_ = nullptr;
  testing::FakeProcesses* processes_ = nullptr;
  testing::FakeSystemInfo* system_info_ = nullptr;
  testing::FakeClock* clock_ = nullptr;
  std::unique_ptr<ScopedCurrentMachine> machine_;
  TVmSysInfoGateWay gateway_;
};

testing::TempDir* SysInfoGatewayTest::sandbox_dir_ = nullptr;
testing::SysInfoServiceProcess* SysInfoGatewayTest::service_ = nullptr;

TEST_F(SysInfoGatewayTest, ListsTheKeysInTheServicesOrder) {
  const TSysServers& servers = gateway_.SysServers(2);
  EXPECT_EQ(servers.lines().ToVector(), (std::vector<std::string>{"1", "2", "3", "10"}));
  EXPECT_FALSE(servers.HasError());
  EXPECT_EQ(services_->queries, 1);
}

TEST_F(SysInfoGatewayTest, ReadsAKeyAndFetchesItsDictionaryTextOnDemand) {
  const int fetches_before = Requests("DataOption=2");
  std::unique_ptr<TSysServer> key = gateway_.SysServerNewInstance("1");
  EXPECT_EQ(key->HlNumber(), "1");
  EXPECT_EQ(key->ServerVersion(), "9.70.001.000");
  EXPECT_EQ(key->TipoSistema(), "ORVIN");
  EXPECT_EQ(key->CountryCustomization(), "AR");
  EXPECT_EQ(key->DictionaryName(), "DICC_1");
  EXPECT_EQ(key->ConfigDir(), "C:\\Datos\\Conf");  // "<S>" removed
  EXPECT_EQ(key->lines().IndexOfName("DictionaryCnxnStr"), -1);
  EXPECT_EQ(Requests("DataOption=2"), fetches_before);

  EXPECT_EQ(key->DictionaryCnxnStr(), kDictionaryText);  // every "=" after the first kept
  EXPECT_EQ(Requests("DataOption=2"), fetches_before + 1);
  EXPECT_EQ(key->DictionaryCnxnStr(), kDictionaryText);  // now held
  EXPECT_EQ(Requests("DataOption=2"), fetches_before + 1);
}

TEST_F(SysInfoGatewayTest, UnknownKeyFailsWithTheServicesMessage) {
  EXPECT_EQ(FailureOf([&] { gateway_.SysServerNewInstance("99"); }),
            "La llave \"99\" no está registrada en este equipo.");
}

TEST_F(SysInfoGatewayTest, PlatformAnswerIsCachedForOneMinute) {
  const int asked_before = Requests("GetPlatformServer");
  const std::string expected = JoinPath(sandbox_dir_->File("maquina"), "fs");
  EXPECT_THAT(gateway_.SysPlatformServer()->CommonFilesVelmarServer(), HasSubstr(expected));
  clock_->Advance(59 * 1000);
  EXPECT_THAT(gateway_.SysPlatformServer()->CommonFilesVelmarServer(), HasSubstr(expected));
  EXPECT_EQ(Requests("GetPlatformServer"), asked_before + 1);

  clock_->Advance(2 * 1000);  // 61 s after the first answer
  gateway_.SysPlatformServer();
  EXPECT_EQ(Requests("GetPlatformServer"), asked_before + 2);
}

TEST_F(SysInfoGatewayTest, PlatformErrorIsNotCached) {
  services_->states = {kServicePaused, kServiceRunning};
  EXPECT_THAT(FailureOf([&] { gateway_.SysPlatformServer(); }), HasSubstr("estado pausado."));
  const int asked_before = Requests("GetPlatformServer");
  gateway_.SysPlatformServer();
  EXPECT_EQ(Requests("GetPlatformServer"), asked_before + 1);
}

TEST_F(SysInfoGatewayTest, StoppedServiceIsCheckedFourTimesThenNamedWithoutLineBreaks) {
  WriteServicesIni("[SysInfoService]\r\nReattemptsSleep=0\r\n");
  services_->states = {kServiceStopped};
  const int asked_before = Requests("GetServers");
  EXPECT_EQ(FailureOf([&] { gateway_.SysServers(2); }), kStoppedMessage);
  EXPECT_EQ(services_->queries, 4);
  EXPECT_THAT(clock_->sleeps, ElementsAre(0, 0, 0, 0));
  EXPECT_EQ(Requests("GetServers"), asked_before);
}

TEST_F(SysInfoGatewayTest, ServiceThatStartsWhileWaitedForIsUsed) {
  WriteServicesIni("[SysInfoService]\r\nReattemptsSleep=1\r\n");
  services_->states = {kServiceStopped, kServiceStopped, kServiceRunning};
  EXPECT_EQ(gateway_.SysServers(2).Count(), 4);
  EXPECT_EQ(services_->queries, 3);
  EXPECT_THAT(clock_->sleeps, ElementsAre(1000, 1000));
}

TEST_F(SysInfoGatewayTest, OtherStatesFailAtOnce) {
  const std::pair<int, const char*> cases[] = {
      {kServiceStartPending, "pendiente de inicio"}, {kServiceStopPending, "pendiente de detenerse"},
      {kServiceContinuePending, "pendiente de continuar"}, {kServicePausePending, "pendiente de pausado"},
      {kServicePaused, "pausado"}, {kServiceStateUnknown, "desconocido"},
  };
  for (const auto& [state, name] : cases) {
    services_->states = {state};
    services_->queries = 0;
    clock_->sleeps.clear();
    EXPECT_EQ(FailureOf([&] { gateway_.SysServerNewInstance("1"); }),
              std::string("El Servicio de Información del Sistema se encuentra en estado ") + name +
                  ". Es necesario activar el servicio para que esta aplicación funcione adecuadamente.");
    EXPECT_EQ(services_->queries, 1) << name;
    EXPECT_TRUE(clock_->sleeps.empty()) << name;
  }
}

TEST_F(SysInfoGatewayTest, ServiceThatCannotBeQueriedFails) {
  services_->installed = false;
  EXPECT_EQ(FailureOf([&] { gateway_.SysServers(2); }),
            "No fue posible evaluar el estado del Servicio de Información del Sistema. Es necesario "
            "instalar y activar el servicio para que esta aplicación funcione adecuadamente.");
}

TEST_F(SysInfoGatewayTest, ReattemptPauseComesFromServicesIni) {
  struct Case {
    const char* what;
    std::optional<std::string> ini;  // nothing: no file
    int pause_ms;
    std::optional<std::string> rewritten;  // the file afterwards, when it changes
  };
  const Case cases[] = {
      {"no file", std::nullopt, 2000, std::nullopt},
      {"seconds", "[SysInfoService]\r\nReattemptsSleep=3\r\n", 3000, std::nullopt},
      {"any letter case", "[sysinfoservice]\r\nREATTEMPTSSLEEP=1\r\n", 1000, std::nullopt},
      {"letters", "[SysInfoService]\r\nReattemptsSleep=abc\r\n", 2000,
       "[SysInfoService]\r\nReattemptsSleep=2\r\n"},
      {"minus one", "[SysInfoService]\r\nReattemptsSleep=-1\r\n", 2000,
       "[SysInfoService]\r\nReattemptsSleep=2\r\n"},
      {"no key", "[Otro]\r\nA=1\r\n", 2000, "[Otro]\r\nA=1\r\n[SysInfoService]\r\nReattemptsSleep=2\r\n"},
      {"negative", "[SysInfoService]\r\nReattemptsSleep=-5\r\n", 0, std::nullopt},
      {"beyond ten minutes", "[SysInfoService]\r\nReattemptsSleep=86400\r\n", 600000, std::nullopt},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(ToFsPath(ServicesIniPath()));
    if (c.ini) WriteServicesIni(*c.ini);
    services_->states = {kServiceStopped};
    services_->queries = 0;
    clock_->sleeps.clear();
    EXPECT_EQ(FailureOf([&] { gateway_.SysServers(2); }), kStoppedMessage) << c.what;
    EXPECT_THAT(clock_->sleeps, ElementsAre(c.pause_ms, c.pause_ms, c.pause_ms, c.pause_ms)) << c.what;
    if (!c.ini) {
      EXPECT_FALSE(std::filesystem::exists(ToFsPath(ServicesIniPath()))) << c.what;
    } else {
      EXPECT_EQ(testing::ReadBytes(ServicesIniPath()), c.rewritten.value_or(*c.ini)) << c.what;
    }
  }
}

TEST_F(SysInfoGatewayTest, NoListenerFailsWithTheConnectionError) {
  const uint16_t port = testing::UnusedLoopbackPort();
  system_info_->sysinfo.port = port;
  EXPECT_EQ(FailureOf([&] { gateway_.SysServerNewInstance("1"); }),
            "No fue posible conectar con el Servicio de Información del Sistema en 127.0.0.1:" +
                std::to_string(port) + ": conexión rechazada.");
}

TEST_F(SysInfoGatewayTest, ServiceWithAnotherKeyIsDetected) {
  testing::SysInfoServiceProcess other(sandbox_dir_->File("maquina"),
                                       {"--key", "00112233445566778899AABBCCDDEEFF"});
  system_info_->sysinfo.port = other.port();
  EXPECT_EQ(FailureOf([&] { gateway_.SysServers(2); }),
            "El mensaje del Servicio de Información del Sistema no pudo descifrarse: la clave de "
            "cifrado no coincide o el mensaje llegó dañado.");
  EXPECT_THAT(other.ErrorOutput(), HasSubstr("mensaje rechazado -> excepción ESysInfoChannelError"));
}

TEST_F(SysInfoGatewayTest, SharedKeyListIsRefusedInsideAComPlusHost) {
  for (const char* program : {"C:\\Windows\\System32\\dllhost.exe", "C:\\WINDOWS\\SYSTEM32\\DLLHOST.EXE"}) {
    processes_->program_path = program;
    EXPECT_EQ(FailureOf([&] { gateway_.SysServers(2); }),
              "No debería utilizar éste método dentro de un componente COM+, cree una nueva instancia "
              "usando SysClientNewInstance, SysServerNewInstance, SysClientsNewInstance, "
              "SysServersNewInstance.");
  }
  EXPECT_EQ(services_->queries, 0);
  // The other operations are allowed there.
  EXPECT_EQ(gateway_.SysServerNewInstance("2")->ServerVersion(), "10.00.000.000");
}

TEST_F(SysInfoGatewayTest, SharedKeyListIsReplacedByTheNextCallAndKindsAreMapped) {
  EXPECT_EQ(gateway_.SysServers(0).Count(), 4);
  EXPECT_EQ(Requests("GetServers(TypeSystem=0)"), 1);
  services_->states = {kServicePaused};
  EXPECT_THAT(FailureOf([&] { gateway_.SysServers(1); }), HasSubstr("pausado"));
  services_->states = {kServiceRunning};
  const int asked_with_two = Requests("GetServers(TypeSystem=2)");
  EXPECT_EQ(gateway_.SysServers(7).Count(), 4);  // any other kind asks with 2
  EXPECT_EQ(Requests("GetServers(TypeSystem=2)"), asked_with_two + 1);
}

// --- answers as objects ----------------------------------------------------

TEST(SysInfoAnswerTest, DictionaryTextIsFetchedOnlyWhenEmptyAndMergedByItsRule) {
  struct Case {
    const char* what;
    const char* answer;
    const char* fetched;
    const char* expected;
    int fetches;
  };
  const Case cases[] = {
      {"held", "HlNumber=5\r\nDictionaryCnxnStr=A=1;B=2", "DictionaryCnxnStr=X", "A=1;B=2", 0},
      {"empty line, fetched with further signs", "HlNumber=5\r\nDictionaryCnxnStr=",
       "DictionaryCnxnStr=Provider=SQLOLEDB.1;Data Source=S;Initial Catalog=D", 
       "Provider=SQLOLEDB.1;Data Source=S;Initial Catalog=D", 1},
      {"no line, fetched appended", "HlNumber=5", "DictionaryCnxnStr=P=1<S>", "P=1", 1},
      {"no line, fetched of several lines", "HlNumber=5", "Otro=1\r\nDictionaryCnxnStr=P=2\r\n", "P=2", 1},
      {"empty line, fetched error", "HlNumber=5\r\nDictionaryCnxnStr=", "SysInfoException=Falla", "", 1},
  };
  for (const Case& c : cases) {
    TSysServer server(c.answer, 0);
    int fetches = 0;
    std::string asked_key;
    int asked_option = -1;
    server.FetchData = [&](const std::string& key, int option) {
      ++fetches;
      asked_key = key;
      asked_option = option;
      return std::string(c.fetched);
    };
    EXPECT_EQ(server.DictionaryCnxnStr(), c.expected) << c.what;
    EXPECT_EQ(fetches, c.fetches) << c.what;
    if (c.fetches > 0) {
      EXPECT_EQ(asked_key, "5") << c.what;
      EXPECT_EQ(asked_option, 2) << c.what;
    }
  }
  // Without a fetch function an empty value stays empty.
  TSysServer alone("HlNumber=5", 0);
  EXPECT_EQ(alone.DictionaryCnxnStr(), "");
}

TEST(SysInfoAnswerTest, AccessorsRemoveSeparatorMarksAndReadTheFirstMatchingName) {
  const TSysServer server(
      "hlnumber=7\r\nServerSystemDir=C:\\A<S>\\B<S>\r\nSERVERSYSTEMDIR=otro\r\nTipoSistema=<s>ORVIN\r\n"
      "ConfigDir\r\nServerVersion=9.70=x",
      0);
  EXPECT_EQ(server.HlNumber(), "7");
  EXPECT_EQ(server.ServerSystemDir(), "C:\\A\\B");
  EXPECT_EQ(server.TipoSistema(), "<s>ORVIN");  // only the exact mark goes
  EXPECT_EQ(server.ConfigDir(), "");             // a line without "=" has no name
  EXPECT_EQ(server.ServerVersion(), "9.70=x");
  EXPECT_EQ(server.key_number(), "7");
  EXPECT_FALSE(server.HasError());

  const TSysPlatformServer platform("CommonFilesVelmarServer=C:\\Comunes<S>\\Velmar");
  EXPECT_EQ(platform.CommonFilesVelmarServer(), "C:\\Comunes\\Velmar");
}

TEST(SysInfoAnswerTest, ErrorAnswersAreRecognised) {
  EXPECT_EQ(SysInfoErrorAnswer("Uno. \r\nDos\r\n"), "SysInfoException=Uno. Dos");
  const TSysInfo error("SysInfoException=No hay servicio");
  EXPECT_TRUE(error.HasError());
  EXPECT_EQ(error.ErrorMessage(), "No hay servicio");

  const TSysServers servers("1\r\n2\r\nxSysInfoExceptiony");
  EXPECT_TRUE(servers.HasError());  // anywhere in the text
  EXPECT_EQ(servers.ErrorMessage(), "");
  EXPECT_FALSE(TSysServers("1\r\n2").HasError());
}

}  // namespace
}  // namespace hotfix
