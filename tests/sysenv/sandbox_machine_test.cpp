// The sandbox machine's backends over a real sandbox folder.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "base/exception.h"
#include "base/ini_file.h"
#include "base/paths.h"
#include "base/text.h"
#include "sandbox/sandbox_builder.h"
#include "support/temp_dir.h"
#include "sysenv/ports/sandbox_format_error.h"
#include "sysenv/ports/sandbox_machine.h"

namespace hotfix {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

class SandboxMachineTest : public ::testing::Test {
 protected:
  SandboxMachineTest() : builder_(JoinPath(temp_.path(), "m")) {}

  Machine& Open() {
    if (!written_) builder_.Write();
    written_ = true;
    machine_ = OpenSandboxMachine(builder_.directory());
    return *machine_;
  }
  std::string File(std::string_view name) const { return JoinPath(builder_.directory(), name); }
  IniFile MachineIni() const { return IniFile(File("machine.ini")); }
  std::vector<std::string> Launches() const { return SplitLines(ReadBytes(File("launches.log"))); }
  int StateOf(std::string_view service) {
    auto handle = machine_->services().OpenService(service, kServiceQueryStatus);
    return handle ? handle->QueryState().value_or(-1) : -2;
  }

  TempDir temp_;
  SandboxBuilder builder_;
  bool written_ = false;
  std::unique_ptr<Machine> machine_;
};

// ---- Opening ------------------------------------------------------------------

TEST_F(SandboxMachineTest, AMissingFolderOrFileIsNamed) {
  try {
    OpenSandboxMachine(File("no-existe"));
    FAIL();
  } catch (const Exception& error) {
    EXPECT_THAT(error.Message(), HasSubstr("no-existe"));
  }
  builder_.Write();
  written_ = true;
  std::filesystem::remove(ToFsPath(File("machine.ini")));
  try {
    Open();
    FAIL();
  } catch (const Exception& error) {
    EXPECT_THAT(error.Message(), HasSubstr("machine.ini"));
  }
}

TEST_F(SandboxMachineTest, AMalformedFileFailsNamingItAndWritesNothing) {
  builder_.AddService("svcOrvin", kServiceRunning, "");
  builder_.Write();
  written_ = true;
  for (const char* file : {"registry.reg", "machine.ini"}) {
    const std::string registry = ReadBytes(File("registry.reg"));
    const std::string machine = ReadBytes(File("machine.ini"));
    const std::string broken = std::string(file) == "registry.reg"
                                   ? registry + "[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=\"C:\\roto\"\r\n"
                                   : machine + "[Service otro]\r\nState=cuatro\r\n";
    WriteBytes(File(file), broken);
    try {
      Open();
      FAIL() << file;
    } catch (const ESandboxFormatError& error) {
      EXPECT_THAT(error.Message(), HasSubstr(File(file) + ", línea"));
    }
    EXPECT_EQ(ReadBytes(File(file)), broken);
    EXPECT_FALSE(std::filesystem::exists(ToFsPath(File("sandbox.lock"))));
    WriteBytes(File("registry.reg"), registry);
    WriteBytes(File("machine.ini"), machine);
  }
}

TEST_F(SandboxMachineTest, AFileBrokenWhileOpenFailsTheChangeAndIsLeftAsItIs) {
  builder_.AddService("svcOrvin", kServiceRunning, "");
  Machine& machine = Open();
  auto handle = machine.services().OpenService("svcOrvin", kServiceStop);
  const std::string broken = ReadBytes(File("machine.ini")) + "[Window 1]\r\n";
  WriteBytes(File("machine.ini"), broken);
  EXPECT_THROW(handle->Control(ServiceControlCode::kStop), ESandboxFormatError);
  EXPECT_EQ(ReadBytes(File("machine.ini")), broken);
}

// ---- Registry -------------------------------------------------------------------

TEST_F(SandboxMachineTest, RegistryWritesReachTheFileAndOtherMachinesOnTheFolder) {
  builder_.SetString("Software\\Velmar\\Quiltor2000\\Llaves\\3", "HotFixNumber", "a");
  Machine& first = Open();
  const std::unique_ptr<Machine> second = OpenSandboxMachine(builder_.directory());

  first.registry().WriteString("\\software\\velmar\\quiltor2000\\llaves\\3\\", "hotfixnumber", "");
  EXPECT_EQ(second->registry().ReadValue("Software\\Velmar\\Quiltor2000\\Llaves\\3", "HotFixNumber")->text, "");
  second->registry().WriteString("Software\\Nueva", "Valor", "x");
  EXPECT_TRUE(first.registry().KeyExists("SOFTWARE\\NUEVA"));
  EXPECT_THAT(ReadBytes(File("registry.reg")), HasSubstr("[HKEY_LOCAL_MACHINE\\Software\\Nueva]\r\n\"Valor\"=\"x\""));
  EXPECT_THAT(*first.registry().SubKeyNames("Software"), ElementsAre("Velmar", "Nueva"));
}

// ---- Services -------------------------------------------------------------------

struct ReactionCase {
  const char* name;
  ServiceReaction reaction;
  bool accepted;
  std::vector<int> states;  // the answers of the next state queries
};

class SandboxServiceReactions : public SandboxMachineTest,
                                public ::testing::WithParamInterface<ReactionCase> {};

TEST_P(SandboxServiceReactions, StopPassesThroughTheStatesItWasToldTo) {
  const ReactionCase& c = GetParam();
  builder_.AddService("svc", kServiceRunning, "", c.reaction);
  Machine& machine = Open();
  auto handle = machine.services().OpenService("SVC", kServiceStop | kServiceQueryStatus);
  ASSERT_TRUE(handle);
  EXPECT_EQ(handle->Control(ServiceControlCode::kStop), c.accepted);
  std::vector<int> states;
  for (size_t i = 0; i < c.states.size(); ++i) states.push_back(handle->QueryState().value_or(-1));
  EXPECT_EQ(states, c.states);
  EXPECT_EQ(MachineIni().ReadInteger("Service svc", "State", -1), c.states.back());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SandboxServiceReactions,
    ::testing::Values(
        ReactionCase{"immediate", {ServiceReaction::Kind::kImmediate, 0}, true, {1, 1}},
        ReactionCase{"pending", {ServiceReaction::Kind::kPending, 2}, true, {3, 3, 1, 1}},
        ReactionCase{"never", {ServiceReaction::Kind::kNever, 0}, true, {3, 3, 3, 3, 3}},
        ReactionCase{"refuse", {ServiceReaction::Kind::kRefuse, 0}, false, {4, 4}}),
    [](const auto& test_info) { return std::string(test_info.param.name); });

TEST_F(SandboxMachineTest, ServiceRequestsFollowTheManagersRules) {
  builder_.AddService("corriendo", kServiceRunning, "");
  builder_.AddService("detenido", kServiceStopped, "", {ServiceReaction::Kind::kPending, 1});
  builder_.AddService("pausado", kServicePaused, "");
  Machine& machine = Open();
  const uint32_t all = kServiceStart | kServiceStop | kServicePauseContinue | kServiceQueryStatus;

  EXPECT_FALSE(machine.services().OpenService("no-existe", all));
  EXPECT_FALSE(machine.services().OpenService("corriendo", all)->Start());  // already running
  EXPECT_FALSE(machine.services().OpenService("detenido", all)->Control(ServiceControlCode::kStop));
  EXPECT_FALSE(machine.services().OpenService("corriendo", all)->Control(ServiceControlCode::kContinue));

  EXPECT_TRUE(machine.services().OpenService("detenido", all)->Start());
  EXPECT_EQ(StateOf("detenido"), kServiceStartPending);
  EXPECT_EQ(StateOf("detenido"), kServiceRunning);
  EXPECT_TRUE(machine.services().OpenService("pausado", all)->Control(ServiceControlCode::kContinue));
  EXPECT_EQ(StateOf("pausado"), kServiceRunning);

  // Rights not asked for are refused.
  auto query_only = machine.services().OpenService("corriendo", kServiceQueryStatus);
  EXPECT_FALSE(query_only->Control(ServiceControlCode::kStop));
  EXPECT_FALSE(query_only->Start());
  uint32_t needed = 0;
  EXPECT_THROW(query_only->QueryBinaryPath(4096, needed), EOSError);
  EXPECT_FALSE(machine.services().OpenService("corriendo", kServiceStop)->QueryState());
  EXPECT_EQ(StateOf("corriendo"), kServiceRunning);
}

TEST_F(SandboxMachineTest, BinaryPathAsksForTheRoomItNeeds) {
  const std::string long_path = builder_.FsPath(std::string(5000, 'x') + "/svc.exe");
  builder_.AddService("largo", kServiceRunning, "");
  builder_.Service("largo").binary_path = long_path;
  Machine& machine = Open();
  auto handle = machine.services().OpenService("largo", kServiceQueryConfig);
  uint32_t needed = 0;
  EXPECT_FALSE(handle->QueryBinaryPath(4096, needed));
  EXPECT_GT(needed, 4096u);
  uint32_t again = 0;
  EXPECT_EQ(handle->QueryBinaryPath(needed, again), long_path);
}

TEST_F(SandboxMachineTest, AServicesProcessEndsWhenItStopsAndRunsWhenItStarts) {
  const std::string program = builder_.FsPath("Velmar/svcOrvin.exe");
  builder_.AddService("svcOrvin", kServiceRunning, program);
  builder_.AddProcess(SandboxProcess{1320, "svcOrvin.exe", program, 0, "NT AUTHORITY\\SYSTEM", true, {}});
  Machine& machine = Open();
  const uint32_t all = kServiceStart | kServiceStop | kServiceQueryStatus;
  ASSERT_TRUE(machine.services().OpenService("svcOrvin", all)->Control(ServiceControlCode::kStop));
  EXPECT_TRUE(machine.processes().Snapshot()->empty());
  ASSERT_TRUE(machine.services().OpenService("svcOrvin", all)->Start());
  ASSERT_EQ(machine.processes().Snapshot()->size(), 1u);
  EXPECT_TRUE(MachineIni().ReadBool("Process 1320", "Running", false));
}

// ---- Processes, launcher, windows -----------------------------------------------

TEST_F(SandboxMachineTest, ProcessesAnswerFromTheTable) {
  builder_.machine().machine.current_process_id = 77;
  builder_.machine().machine.current_session = 2;
  builder_.machine().machine.current_user = "DOM\\yo";
  builder_.AddProcess(SandboxProcess{0, "[System Process]", {}, 0, std::nullopt, true, {}});
  builder_.AddProcess(SandboxProcess{10, "explorer.exe", "/x/explorer.exe", 2, "DOM\\yo", true, {}});
  builder_.AddProcess(SandboxProcess{11, "terminado.exe", "", 2, "DOM\\yo", false, {}});
  builder_.AddProcess(SandboxProcess{12, "ajeno.exe", "", 5, std::nullopt, true, {}});
  builder_.SetEnvironment("SESSIONNAME", "RDP-Tcp#3");
  Machine& machine = Open();
  Processes& p = machine.processes();

  std::vector<uint32_t> ids;
  const auto snapshot = p.Snapshot();
  for (const ProcessEntry& entry : *snapshot) ids.push_back(entry.id);
  EXPECT_THAT(ids, ElementsAre(0u, 10u, 12u));
  EXPECT_EQ(p.OwnerOf(10)->domain, "DOM");
  EXPECT_EQ(p.OwnerOf(10)->user, "yo");
  EXPECT_FALSE(p.OwnerOf(12));  // cannot be read
  EXPECT_FALSE(p.OwnerOf(11));  // not running
  EXPECT_EQ(p.FirstModulePath(10), "/x/explorer.exe");
  EXPECT_FALSE(p.FirstModulePath(12));
  EXPECT_EQ(p.SessionOf(77), 2u);
  EXPECT_EQ(p.SessionOf(12), 5u);
  EXPECT_FALSE(p.SessionOf(999));
  EXPECT_EQ(p.CurrentAccount(), "DOM\\yo");
  EXPECT_EQ(p.EnvironmentVariable("sessionname"), "RDP-Tcp#3");
  EXPECT_EQ(p.EnvironmentVariable("NADA"), "");
  EXPECT_FALSE(p.CurrentProgramPath().empty());

  EXPECT_TRUE(p.Terminate(12, 0));
  EXPECT_FALSE(p.Terminate(12, 0));
  EXPECT_FALSE(MachineIni().ReadBool("Process 12", "Running", true));
}

TEST_F(SandboxMachineTest, TaskkillEndsTheNamedProcessesAndTheirService) {
  const std::string program = builder_.FsPath("Program Files/Velmar/svcOrvin.exe");
  builder_.AddService("svcOrvin", kServiceRunning, program, {ServiceReaction::Kind::kNever, 0});
  builder_.AddProcess(SandboxProcess{20, "svcOrvin.exe", program, 0, std::nullopt, true, {}});
  builder_.AddProcess(SandboxProcess{21, "SVCORVIN.EXE", program, 0, std::nullopt, true, {}});
  builder_.AddProcess(SandboxProcess{22, "otro.exe", "", 0, std::nullopt, true, {}});
  Machine& machine = Open();
  // A hung service: its stop request leaves it stop-pending.
  machine.services().OpenService("svcOrvin", kServiceStop)->Control(ServiceControlCode::kStop);
  ASSERT_EQ(StateOf("svcOrvin"), kServiceStopPending);

  // The file name as taken from a quoted binary path keeps its closing quote.
  EXPECT_GT(machine.launcher().ShellExecute("Open", "TASKKILL", " /F /IM svcOrvin.exe\"", "",
                                            ShowWindow::kHidden),
            32);
  EXPECT_EQ(StateOf("svcOrvin"), kServiceStopped);
  std::vector<uint32_t> ids;
  const auto snapshot = machine.processes().Snapshot();
  for (const ProcessEntry& entry : *snapshot) ids.push_back(entry.id);
  EXPECT_THAT(ids, ElementsAre(22u));
  EXPECT_THAT(Launches(), ElementsAre("ShellExecute Open TASKKILL /F /IM svcOrvin.exe\""));
}

TEST_F(SandboxMachineTest, WithoutTaskkillTheLaunchFailsAndNothingIsRecorded) {
  builder_.machine().machine.taskkill_available = false;
  builder_.AddProcess(SandboxProcess{20, "a.exe", "", 0, std::nullopt, true, {}});
  Machine& machine = Open();
  EXPECT_LE(machine.launcher().ShellExecute("Open", "TASKKILL", " /F /IM a.exe", "", ShowWindow::kHidden), 32);
  EXPECT_EQ(machine.processes().Snapshot()->size(), 1u);
  EXPECT_TRUE(Launches().empty());
}

TEST_F(SandboxMachineTest, LaunchesAreRecordedAndNeverRun) {
  const std::string program = builder_.FsPath("Velmar/Llave1/Servidor/Antes.exe");
  builder_.AddFile(program, "#!/bin/sh\nexit 1\n");
  Machine& machine = Open();
  Launcher& launcher = machine.launcher();
  EXPECT_GT(launcher.ShellExecute("open", program, "", ExtractFileDir(program), ShowWindow::kNormal), 32);
  EXPECT_GT(launcher.ShellExecute("open", "Antes.exe", "", ExtractFileDir(program), ShowWindow::kNormal), 32);
  EXPECT_EQ(launcher.ShellExecute("open", "Falta.exe", "", ExtractFileDir(program), ShowWindow::kNormal), 2);
  EXPECT_EQ(launcher.ShellExecuteAndWait("RegSvr32.exe", "", "\"C:\\x.dll\" /silent", 1000, 50000),
            Launcher::WaitResult::kEnded);
  EXPECT_EQ(launcher.ShellExecuteAndWait("/no/existe.exe", "", "", 1000, 50000),
            Launcher::WaitResult::kNotStarted);
  std::string error;
  EXPECT_TRUE(launcher.CreateProcess("\"" + program + "\" /regserver", error));
  EXPECT_FALSE(launcher.CreateProcess("/no/existe.exe /regserver", error));
  EXPECT_EQ(error, "El sistema no puede encontrar el archivo especificado.");

  const std::string quoted = "\"" + program + "\"";
  EXPECT_THAT(Launches(), ElementsAre("ShellExecute open " + program, "ShellExecute open Antes.exe",
                                      "ShellExecuteAndWait open RegSvr32.exe \"C:\\x.dll\" /silent",
                                      "CreateProcess " + quoted + " /regserver"));
}

TEST_F(SandboxMachineTest, AWindowClosesAfterTheRequestsItSurvives) {
  const uint64_t id = builder_.AddWindow("TServerForm", 2);
  Machine& machine = Open();
  TopLevelWindows& windows = machine.windows();
  EXPECT_FALSE(windows.FindByClass("TOtra"));
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(windows.FindByClass("tserverform"), id) << round;
    EXPECT_TRUE(windows.PostClose(id));
  }
  EXPECT_FALSE(windows.FindByClass("TServerForm"));
  EXPECT_FALSE(windows.PostClose(id));
  const IniFile ini = MachineIni();
  EXPECT_EQ(ini.ReadInteger("Window " + std::to_string(id), "CloseRequests", 0), 3);
  EXPECT_FALSE(ini.ReadBool("Window " + std::to_string(id), "Open", true));
}

// ---- COM+ and the configuration server --------------------------------------------

TEST_F(SandboxMachineTest, ComPlusCatalogReadsSavesAndShutsDown) {
  SandboxComPlusApplication& ventas = builder_.AddComPlusApplication("Orvin_Ventas");
  ventas.roles = {"Vendedores"};
  builder_.AddComPlusApplication("ORVIN_Compras");
  Machine& machine = Open();
  auto catalog = machine.com_plus().CreateCatalog();
  ASSERT_TRUE(catalog);
  auto apps = catalog->GetCollection("Applications");
  EXPECT_EQ(apps->Count(), 0);  // until populated
  apps->Populate();
  ASSERT_EQ(apps->Count(), 2);
  EXPECT_EQ(CatalogValueToText(apps->Item(0).Value("Name")), "Orvin_Ventas");
  EXPECT_EQ(apps->Item(1).Value("IsEnabled"), CatalogValue(true));
  EXPECT_THROW(apps->Item(0).Value("NoExiste"), EOSError);
  EXPECT_THROW(apps->Item(2), EOSError);

  auto roles = apps->GetCollection("Roles", CatalogValueToText(apps->Item(0).Value("ID")));
  roles->Populate();
  ASSERT_EQ(roles->Count(), 1);
  EXPECT_EQ(roles->Item(0).Value("Name"), CatalogValue(std::string("Vendedores")));

  apps->Item(1).SetValue("IsEnabled", false);
  EXPECT_TRUE(MachineIni().ReadBool("ComPlusApplication 2", "IsEnabled", false));  // not saved yet
  apps->SaveChanges();
  EXPECT_FALSE(MachineIni().ReadBool("ComPlusApplication 2", "IsEnabled", true));

  catalog->ShutdownApplication("ORVIN_Compras");
  EXPECT_FALSE(MachineIni().ReadBool("ComPlusApplication 2", "Running", true));
  EXPECT_THROW(catalog->ShutdownApplication("ORVIN_Nada"), EOSError);

  auto fresh = machine.com_plus().CreateCatalog()->GetCollection("Applications");
  fresh->Populate();
  EXPECT_EQ(fresh->Item(1).Value("IsEnabled"), CatalogValue(false));
}

TEST_F(SandboxMachineTest, ComPlusCanBeMissing) {
  builder_.machine().machine.com_plus_available = false;
  EXPECT_FALSE(Open().com_plus().CreateCatalog());
}

TEST_F(SandboxMachineTest, ConfigurationServerAnswersPerKey) {
  builder_.SetConfigurationServerAnswer("2", 7, "Falló ORVIN_Ventas");
  Machine& machine = Open();
  auto server = machine.configuration_server().Create();
  EXPECT_EQ(server->RegistrarComponentesComPlus("1"), 0);
  EXPECT_EQ(server->ObtenerUltimoError(), "");
  EXPECT_EQ(server->RegistrarComponentesComPlus("2"), 7);
  EXPECT_EQ(server->ObtenerUltimoError(), "Falló ORVIN_Ventas");
  EXPECT_THAT(Launches(), ElementsAre("ConfigurationServer RegistrarComponentesComPlus 1",
                                      "ConfigurationServer RegistrarComponentesComPlus 2"));

  IniFile ini = MachineIni();
  ini.WriteBool("ConfigurationServer", "Available", false);
  EXPECT_THROW(machine.configuration_server().Create(), EOSError);
}

// ---- Databases, files, system --------------------------------------------------------

TEST_F(SandboxMachineTest, ConnectionStringsNameSqliteFilesBelowSql) {
  builder_.AddFile(JoinPath(builder_.directory(), "sql", "Srv01", "DICCIONARIO.db"), "");
  Machine& machine = Open();
  DatabaseLocation& location = machine.database_location();
  EXPECT_EQ(location.ToOdbc("Provider=SQLOLEDB.1;Password=secreto;Persist Security Info=True;"
                            "User ID=sa;Initial Catalog=Diccionario;Data Source=SRV01"),
            "Driver=SQLite3;Database=" + JoinPath(builder_.directory(), "sql", "Srv01", "DICCIONARIO.db"));
  EXPECT_EQ(location.ToOdbc("Data Source=SRV01\\SQLEXPRESS;Initial Catalog='Empresa 1'"),
            "Driver=SQLite3;Database=" +
                JoinPath(builder_.directory(), "sql", "Srv01", "SQLEXPRESS", "Empresa 1.db"));
  EXPECT_EQ(location.ToOdbc("Data Source=..;Initial Catalog=../x"),
            "Driver=SQLite3;Database=" + JoinPath(builder_.directory(), "sql", "__", ".._x.db"));
  try {
    location.ToOdbc("Provider=SQLOLEDB.1;Password=secreto;Initial Catalog=D");
    FAIL();
  } catch (const Exception& error) {
    EXPECT_THAT(error.Message(), HasSubstr("Data Source"));
    EXPECT_THAT(error.Message(), Not(HasSubstr("secreto")));
  }
}

TEST_F(SandboxMachineTest, ReadOnlyIsTheOwnersWritePermission) {
  const std::string file = builder_.FsPath("Velmar/a.dll");
  builder_.AddFile(file, "MZ no es un PE");
  Machine& machine = Open();
  FileFacts& facts = machine.file_facts();
  EXPECT_FALSE(facts.IsReadOnly(file));
  EXPECT_TRUE(facts.SetReadOnly(file, true));
  EXPECT_TRUE(facts.IsReadOnly(file));
  EXPECT_TRUE(facts.SetReadOnly(file, false));
  EXPECT_FALSE(facts.IsReadOnly(file));
  EXPECT_FALSE(facts.SetReadOnly(file + ".no", true));
  EXPECT_FALSE(facts.ReadVersionResource(file));
  EXPECT_FALSE(facts.ReadVersionResource(file + ".no"));
}

TEST_F(SandboxMachineTest, SystemFoldersAreBelowFs) {
  builder_.machine().system.sysinfo_port = 19097;
  Machine& machine = Open();
  SystemInfo& info = machine.system_info();
  EXPECT_EQ(info.TempFolder(), builder_.FsPath("Windows/Temp") + "/");
  EXPECT_EQ(info.WindowsSystemFolder(), builder_.FsPath("Windows/System32") + "/");
  EXPECT_EQ(info.SysInfoEndpoint().host, "127.0.0.1");
  EXPECT_EQ(info.SysInfoEndpoint().port, 19097);
  EXPECT_EQ(info.GetOsVersion().major, 6u);
  // Named by a relative path, the sandbox still hands out absolute ones.
  const auto relative = std::filesystem::relative(ToFsPath(builder_.directory()));
  EXPECT_EQ(OpenSandboxMachine(FromFsPath(relative))->system_info().TempFolder(), info.TempFolder());
  EXPECT_EQ(machine.dialogs().Show(DialogRequest{DialogKind::kConfirmation, "", "¿Seguro?",
                                                 DialogButtons::kYesNo}),
            DialogResult::kNo);
}

}  // namespace
}  // namespace hotfix
