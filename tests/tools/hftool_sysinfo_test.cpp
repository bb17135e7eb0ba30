// hftool sysinfo end to end: the real hftool asking the real sysinfo-service
// of a demo sandbox.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/paths.h"
#include "run_program.h"
#include "sandbox/sandbox_builder.h"
#include "support/temp_dir.h"
#include "sysenv/sysinfo_service_process.h"
#include "sysenv/tcp_test_peer.h"

namespace hotfix {
namespace {

using testing::ProgramResult;

class HftoolSysInfoTest : public ::testing::Test {
 protected:
  HftoolSysInfoTest() : sandbox_(JoinPath(temp_.path(), "m")) {
    SandboxBuilder builder = DemoMachine(sandbox_);
    builder.machine().system.sysinfo_port = testing::UnusedLoopbackPort();
    builder.SetString(std::string(SandboxBuilder::kKeysBranch) + "\\2", "ConfigDir",
                      "C:\\Datos<S>\\Conf");
    builder.Write();
    service_ = std::make_unique<testing::SysInfoServiceProcess>(sandbox_, std::vector<std::string>{},
                                                                /*sandbox_port=*/true);
  }

  ProgramResult Run(const std::vector<std::string>& arguments) {
    std::vector<std::string> with_sandbox{"--sandbox", sandbox_};
    with_sandbox.insert(with_sandbox.end(), arguments.begin(), arguments.end());
    return testing::RunProgram(HFTOOL_PATH, with_sandbox);
  }

  testing::TempDir temp_;
  std::string sandbox_;
  std::unique_ptr<testing::SysInfoServiceProcess> service_;
};

TEST_F(HftoolSysInfoTest, ListsKeysAndPrintsRecordsAsTheGatewayReadsThem) {
  const ProgramResult servers = Run({"sysinfo", "servers"});
  EXPECT_EQ(servers.exit_status, 0) << servers.err;
  EXPECT_EQ(servers.out, "1\n2\n3\n");

  const ProgramResult server = Run({"sysinfo", "server", "2"});
  EXPECT_EQ(server.exit_status, 0) << server.err;
  const std::string key_folder = JoinPath(sandbox_, "fs", "Velmar", "Llave2");
  EXPECT_EQ(server.out,
            "HlNumber=2\n"
            "ServerSystemDir=" + JoinPath(key_folder, "Servidor") + "\n"
            "ConfigDir=C:\\Datos\\Conf\n"
            "ServerVersion=10.00.000.000\n"
            "TipoSistema=RESTO\n"
            "CountryCustomization=CL\n"
            "DictionaryName=DICC_2\n"
            "DictionaryCnxnStr=Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;"
            "Password=Quiltor2000;Initial Catalog=DICC_2;Data Source=SANDBOX\n");

  const ProgramResult platform = Run({"sysinfo", "platform"});
  EXPECT_EQ(platform.exit_status, 0) << platform.err;
  EXPECT_EQ(platform.out, "CommonFilesVelmarServer=" +
                              JoinPath(sandbox_, "fs", "Program Files", "Common Files", "Velmar",
                                       "Servidor") +
                              "\n");
}

TEST_F(HftoolSysInfoTest, ErrorsPrintTheGatewaysMessageAndExitWithOne) {
  const ProgramResult unknown = Run({"sysinfo", "server", "99"});
  EXPECT_EQ(unknown.exit_status, 1);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(unknown.err, "La llave \"99\" no está registrada en este equipo.\n");

  testing::WriteBytes(JoinPath(sandbox_, "fs", "ProgramData", "Velmar", "Services.Ini"),
                      "[SysInfoService]\r\nReattemptsSleep=0\r\n");
  ASSERT_EQ(Run({"service", "stop", "VmSysInfoService"}).exit_status, 0);
  const ProgramResult stopped = Run({"sysinfo", "servers"});
  EXPECT_EQ(stopped.exit_status, 1);
  EXPECT_EQ(stopped.err,
            "El Servicio de Información del Sistema se encuentra en estado detenido. Es necesario "
            "activar el servicio para que esta aplicación funcione adecuadamente.\n");

  ASSERT_EQ(Run({"service", "start", "VmSysInfoService"}).exit_status, 0);
  service_->Stop();
  const ProgramResult no_listener = Run({"sysinfo", "platform"});
  EXPECT_EQ(no_listener.exit_status, 1);
  EXPECT_THAT(no_listener.err, ::testing::HasSubstr("conexión rechazada"));
}

}  // namespace
}  // namespace hotfix
