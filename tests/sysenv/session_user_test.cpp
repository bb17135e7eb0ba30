#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "base/codepage.h"
#include "base/exception.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/text_file.h"
#include "log/uVmWriteToLog.h"
#include "support/fake_machine.h"
#include "support/temp_dir.h"
#include "sysenv/uVmWinUser.h"

namespace hotfix::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

constexpr std::string_view kWinLogon = "Software\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon";

// Processes whose backend can be made to fail.
class ScriptedProcesses : public FakeProcesses {
 public:
  bool owner_raises = false;
  std::optional<uint32_t> owner_raises_for;
  bool snapshot_raises = false;
  bool own_session_unknown = false;

  std::optional<AccountName> OwnerOf(uint32_t id) override {
    if (owner_raises || owner_raises_for == id) throw EOSError("Acceso denegado al token.");
    return FakeProcesses::OwnerOf(id);
  }
  std::optional<std::vector<ProcessEntry>> Snapshot() override {
    if (snapshot_raises) throw EOSError("No hay memoria para la instantánea.");
    return FakeProcesses::Snapshot();
  }
  std::optional<uint32_t> SessionOf(uint32_t id) override {
    if (own_session_unknown && id == current_process_id) return std::nullopt;
    return FakeProcesses::SessionOf(id);
  }
};

// A machine of fakes with ltTech logging switched on in a temporary data folder.
class SessionUserTest : public ::testing::Test {
 protected:
  SessionUserTest() {
    auto processes = std::make_unique<ScriptedProcesses>();
    auto registry = std::make_unique<FakeRegistry>();
    auto system_info = std::make_unique<FakeSystemInfo>();
    processes_ = processes.get();
    registry_ = registry.get();
    system_info_ = system_info.get();
    Machine::Ports ports;
    ports.processes = std::move(processes);
    ports.registry = std::move(registry);
    ports.system_info = std::move(system_info);
    ports.clock = std::make_unique<FakeClock>();
    scoped_ = std::make_unique<ScopedCurrentMachine>(std::make_shared<Machine>(std::move(ports)));

    registry_->SetString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                         "Common AppData", temp_.path());
    WriteBytes(JoinPath(temp_.path(), "Velmar", "Log.Ini"),
               "[LogFileHelp]\r\n[GLOBAL]\r\nArchivo_Texto_Nivel=33\r\n");
    testing_hooks::ResetLogState();
    TVmWinUser::ResetCache();

    processes_->processes.clear();
    processes_->Add(0, "[System Process]", 0, "");
    processes_->Add(4, "System", 0, "NT AUTHORITY\\SYSTEM");
  }
  ~SessionUserTest() override {
    TVmWinUser::ResetCache();
    testing_hooks::ResetLogState();
  }

  // The texts of the log's lines, after their tag.
  std::vector<std::string> LoggedTexts() const {
    const std::string path = JoinPath(temp_.path(), "Velmar", "Logs", "HotFix.log");
    std::vector<std::string> texts;
    const auto bytes = ReadFileBytes(path);
    if (!bytes) return texts;
    for (const std::string& line : SplitLines(Cp1252ToUtf8(*bytes))) {
      const size_t tag = line.find(" | T_TECH | ");
      if (tag != std::string::npos) texts.push_back(line.substr(tag + 12));
    }
    return texts;
  }

  TempDir temp_;
  ScriptedProcesses* processes_ = nullptr;
  FakeRegistry* registry_ = nullptr;
  FakeSystemInfo* system_info_ = nullptr;
  std::unique_ptr<ScopedCurrentMachine> scoped_;
};

struct Process {
  uint32_t id;
  const char* image;
  uint32_t session;
  const char* owner;  // "": cannot be opened
};

struct Scenario {
  const char* name;
  bool remote;
  const char* current_user;
  uint32_t current_session;
  std::vector<Process> processes;
  const char* marker;
  bool interactive;
  const char* interactive_user;
  const char* shell;
};

TEST_F(SessionUserTest, InteractiveCheckScenarios) {
  const Scenario scenarios[] = {
      {"console, started by the desktop user", false, "MAQ01\\Tecnico", 1,
       {{100, "explorer.exe", 1, "MAQ01\\Tecnico"}, {4242, "HotFix.exe", 1, "MAQ01\\Tecnico"}},
       "//Normal", true, "MAQ01\\Tecnico", "explorer.exe"},
      {"system account", false, "DOMINIO\\MAQ01$", 0,
       {{100, "explorer.exe", 1, "MAQ01\\Tecnico"}},
       "//Run As System or Diferent User", false, "MAQ01\\Tecnico", "explorer.exe"},
      {"run as another account inside the desktop session", false, "MAQ01\\Administrador", 1,
       {{100, "explorer.exe", 1, "MAQ01\\Tecnico"}},
       "//Run As System or Diferent User", false, "MAQ01\\Tecnico", "explorer.exe"},
      {"same user, but the shell runs in another session", false, "MAQ01\\Tecnico", 2,
       {{100, "explorer.exe", 1, "MAQ01\\Tecnico"}},
       "//Run As System or Diferent User", false, "MAQ01\\Tecnico", "explorer.exe"},
      {"no shell at all", false, "MAQ01\\Tecnico", 1, {}, "//Normal", false, "", "explorer.exe"},
      {"shell owner cannot be read", false, "MAQ01\\Tecnico", 1,
       {{100, "explorer.exe", 1, ""}},
       "//Run As System or Diferent User", false, "UnknownDomain\\UnknownUser", "explorer.exe"},
      {"the shell owner that is the current user wins over the first", false, "MAQ01\\Tecnico", 1,
       {{100, "Explorer.EXE", 2, "MAQ01\\Otro"}, {101, "explorer.exe", 1, "MAQ01\\Tecnico"}},
       "//Normal", true, "MAQ01\\Tecnico", "explorer.exe"},
      {"remote application", true, "DOM\\Ana", 3,
       {{100, "explorer.exe", 1, "DOM\\Tecnico"}, {300, "rdpshell.exe", 3, "DOM\\Ana"}},
       "//Is remote application", true, "DOM\\Ana", "rdpshell.exe"},
      {"remote desktop", true, "DOM\\Ana", 2,
       {{100, "explorer.exe", 1, "DOM\\Tecnico"}, {200, "explorer.exe", 2, "DOM\\Ana"}},
       "//Is remote desktop", true, "DOM\\Ana", "explorer.exe"},
      {"remote desktop, rdpshell of another user", true, "DOM\\Ana", 2,
       {{200, "explorer.exe", 2, "DOM\\Ana"}, {300, "rdpshell.exe", 3, "DOM\\Luis"}},
       "//Is remote desktop", true, "DOM\\Ana", "explorer.exe"},
      {"remote desktop under a machine account", true, "DOM\\SRV01$", 2,
       {{200, "explorer.exe", 2, "DOM\\Ana"}},
       "//Is remote desktop", false, "DOM\\Ana", "explorer.exe"},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    TVmWinUser::ResetCache();
    testing_hooks::ResetLogState();
    std::filesystem::remove_all(ToFsPath(JoinPath(temp_.path(), "Velmar", "Logs")));
    processes_->processes.resize(2);
    processes_->owners.erase(processes_->owners.upper_bound(4), processes_->owners.end());
    for (const Process& p : s.processes) processes_->Add(p.id, p.image, p.session, p.owner);
    processes_->remote_session = s.remote;
    processes_->current_account = s.current_user;
    processes_->current_session = s.current_session;

    EXPECT_EQ(TVmWinUser::isUserInteractive(), s.interactive);
    EXPECT_EQ(TVmWinUser::getCurrentUserName(), s.current_user);
    EXPECT_EQ(TVmWinUser::getInteractiveUserName(), s.interactive_user);
    EXPECT_EQ(TVmWinUser::getShellName(), s.shell);
    EXPECT_THAT(LoggedTexts(),
                ElementsAre(s.marker, std::string("Shell Name           : ") + s.shell,
                            std::string("Current User Name    : ") + s.current_user,
                            std::string("Interactive User Name: ") + s.interactive_user,
                            std::string("Is Interactive User  : ") + BoolText(s.interactive)));
  }
}

TEST_F(SessionUserTest, AnswersAreKeptForTheLifeOfTheProcess) {
  processes_->Add(100, "explorer.exe", 1, "MAQ01\\Tecnico");
  EXPECT_EQ(TVmWinUser::getInteractiveUserName(), "MAQ01\\Tecnico");
  EXPECT_TRUE(TVmWinUser::isUserInteractive());

  processes_->processes.resize(2);
  processes_->Add(101, "explorer.exe", 1, "MAQ01\\Otro");
  processes_->current_account = "MAQ01\\Otro";

  EXPECT_EQ(TVmWinUser::getInteractiveUserName(), "MAQ01\\Tecnico");
  EXPECT_EQ(TVmWinUser::getCurrentUserName(), "MAQ01\\Tecnico");
  EXPECT_TRUE(TVmWinUser::isUserInteractive());
  EXPECT_EQ(LoggedTexts().size(), 5u) << "the check runs once";
}

TEST_F(SessionUserTest, WinLogonShellRule) {
  const struct {
    std::optional<std::string> value;
    std::string shell;
  } cases[] = {
      {std::nullopt, "explorer.exe"},
      {"", "explorer.exe"},
      {"C:\\Windows\\Explorer.exe /x", "explorer.exe"},
      {"EXPLORER.EXE", "explorer.exe"},
      {"C:\\Kiosk\\kiosk.exe", "kiosk.exe"},
      {"kiosk.exe", "kiosk.exe"},
  };
  processes_->Add(100, "kiosk.exe", 1, "MAQ01\\Tecnico");
  processes_->Add(101, "explorer.exe", 1, "MAQ01\\Tecnico");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.value_or("(no value)"));
    TVmWinUser::ResetCache();
    registry_->CreateKey(kWinLogon);
    if (c.value) registry_->SetString(kWinLogon, "Shell", *c.value);
    EXPECT_EQ(TVmWinUser::getShellName(), c.shell);
    EXPECT_TRUE(TVmWinUser::isUserInteractive());
  }
}

TEST_F(SessionUserTest, ComputerSessionName) {
  const struct {
    const char* session_name;
    const char* winstation_name;
    const char* expected;
  } cases[] = {
      {"RDP-Tcp#3", "", "MAQ01{RDP-Tcp#3}"},
      {"Console", "", "MAQ01"},
      {"console", "RDP-Tcp#9", "MAQ01"},
      {"", "RDP-Tcp#5", "MAQ01{RDP-Tcp#5}"},
      {"", "", "MAQ01"},
  };
  for (const auto& c : cases) {
    processes_->environment["SESSIONNAME"] = c.session_name;
    processes_->environment["WINSTATIONNAME"] = c.winstation_name;
    EXPECT_EQ(ComputerSessionName(), c.expected) << c.session_name << "/" << c.winstation_name;
  }
  EXPECT_EQ(ComputerName(), "MAQ01");
}

TEST_F(SessionUserTest, UniqueAndTemporaryFileNames) {
  const std::regex hex32("[0-9A-F]{32}");
  const struct {
    const char* extension;
    const char* suffix;
  } cases[] = {{" zip ", ".zip"}, {"", ""}, {"   ", ""}, {"sql", ".sql"}};
  for (const auto& c : cases) {
    const std::string name = UniqueFileName(c.extension);
    const std::string suffix = c.suffix;
    ASSERT_EQ(name.size(), 32 + suffix.size()) << name;
    EXPECT_TRUE(std::regex_match(name.substr(0, 32), hex32)) << name;
    EXPECT_EQ(name.substr(32), suffix);
  }
  EXPECT_NE(UniqueFileName("x"), UniqueFileName("x"));

  EXPECT_EQ(TempFolder(), "/fake/temp/");
  const std::string temp = TempFileName("sql");
  EXPECT_EQ(temp.substr(0, 11), "/fake/temp/");
  EXPECT_EQ(temp.size(), 11u + 32 + 4);
  system_info_->temp_folder = "/fake/tmp";
  EXPECT_EQ(TempFileName("").substr(0, 10), "/fake/tmp/");
}

TEST_F(SessionUserTest, FailuresNameTheFailingStepsInTheLogAndTheError) {
  const struct {
    const char* name;
    bool remote;
    void (*breaks)(ScriptedProcesses&);
    const char* message;
    std::vector<std::string> logged;
  } cases[] = {
      {"owner of the shell cannot be read", false,
       [](ScriptedProcesses& p) { p.owner_raises = true; },
       "error en Internal_isUserInteractive: error en Internal_isRunningAsDiferentUser",
       {"Internal_getUserAndDomainFromPID: Acceso denegado al token.",
        "Internal_getOwnersFromProcessName: error en Internal_getUserAndDomainFromPID",
        "Internal_getInteractiveUserName: error en "
        "Internal_getOwnersFromProcessName('explorer.exe'): ",
        "Internal_isRunningAsDiferentUser: error en TVmWinUser.Internal_getInteractiveUserName",
        "Internal_isUserInteractive: error en Internal_isRunningAsDiferentUser"}},
      {"session of the running program unknown", false,
       [](ScriptedProcesses& p) { p.own_session_unknown = true; },
       "error en Internal_isUserInteractive: error en Internal_isRunningAsDiferentUser",
       {"Internal_getSessionIdfromProccessId: No se pudo leer la sesión del proceso 4242.",
        "Internal_GetSessionIdfromProccessId: error en Internal_getSessionIdfromProccessId",
        "Internal_isRunningAsDiferentUser: error en Internal_GetSessionIdfromProccessId",
        "Internal_isUserInteractive: error en Internal_isRunningAsDiferentUser"}},
      {"snapshot fails, local", false,
       [](ScriptedProcesses& p) { p.snapshot_raises = true; },
       "error en Internal_isUserInteractive: error en Internal_isRunningAsDiferentUser",
       {"Internal_getSessionsIdsFromProcessName: No hay memoria para la instantánea.",
        "Internal_isRunningAsDiferentUser: error en Internal_getSessionsIdsFromProcessName",
        "Internal_isUserInteractive: error en Internal_isRunningAsDiferentUser"}},
      {"snapshot fails, remote", true,
       [](ScriptedProcesses& p) { p.snapshot_raises = true; },
       "error en Internal_isUserInteractive: error en Internal_isProcessOwner",
       {"Internal_isProcessExists: No hay memoria para la instantánea.",
        "Internal_isProcessOwner: error en Internal_isProcessExists",
        "Internal_isUserInteractive: error en Internal_isProcessOwner"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TVmWinUser::ResetCache();
    testing_hooks::ResetLogState();
    std::filesystem::remove_all(ToFsPath(JoinPath(temp_.path(), "Velmar", "Logs")));
    processes_->processes.resize(2);
    processes_->Add(100, "explorer.exe", 1, "MAQ01\\Tecnico");
    processes_->remote_session = c.remote;
    processes_->owner_raises = processes_->snapshot_raises = processes_->own_session_unknown = false;
    c.breaks(*processes_);

    try {
      TVmWinUser::getCurrentUserName();
      ADD_FAILURE() << "no error raised";
    } catch (const Exception& error) {
      EXPECT_EQ(error.Message(), c.message);
    }
    EXPECT_THAT(LoggedTexts(), ElementsAreArray(c.logged));
  }
}

TEST_F(SessionUserTest, OwnersGatheredBeforeAFailureAreInTheError) {
  processes_->Add(100, "explorer.exe", 1, "MAQ01\\Tecnico");
  processes_->Add(101, "explorer.exe", 2, "");  // cannot be opened: not an error
  processes_->Add(102, "explorer.exe", 3, "MAQ01\\Otro");
  processes_->owner_raises_for = 102;

  EXPECT_THROW(TVmWinUser::getCurrentUserName(), Exception);

  const auto log = ReadFileBytes(JoinPath(temp_.path(), "Velmar", "Logs", "HotFix.log"));
  ASSERT_TRUE(log);
  EXPECT_THAT(*log, HasSubstr("Internal_getInteractiveUserName: error en "
                              "Internal_getOwnersFromProcessName('explorer.exe'): "
                              "MAQ01\\Tecnico\r\nUnknownDomain\\UnknownUser\r\n"));
}

}  // namespace
}  // namespace hotfix::testing
