#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sysenv/ports/machine.h"
#include "sysenv/ports/scripted_dialogs.h"

namespace hotfix::testing {

// In-memory backends of every port, for unit tests that need a machine but
// not a sandbox folder. Each is plain data the test sets up and inspects.

class FakeRegistry : public Registry {
 public:
  // Creates the key chain and sets a value.
  void SetString(std::string_view path, std::string_view name, std::string_view value);
  void SetValue(std::string_view path, std::string_view name, RegistryValue value);
  void CreateKey(std::string_view path);

  bool KeyExists(std::string_view path) override;
  std::optional<std::vector<std::string>> SubKeyNames(std::string_view path) override;
  std::optional<RegistryValue> ReadValue(std::string_view path, std::string_view name) override;
  void WriteString(std::string_view path, std::string_view name, std::string_view value) override;

 private:
  struct Key {
    std::string name;
    std::vector<std::pair<std::string, RegistryValue>> values;
    std::vector<std::string> children;  // folded paths in creation order
  };
  Key* Find(std::string_view path);
  Key& Ensure(std::string_view path);
  std::map<std::string, Key> keys_;  // by folded path without outer separators
};

struct FakeService {
  int state = kServiceRunning;
  std::string binary_path;
  bool opens = true;          // false: access denied
  bool query_fails = false;   // the state query fails after opening
  // States the service passes through after a stop/start/continue request,
  // one per state query, ending in the last; empty: the final state at once.
  std::vector<int> after_stop{kServiceStopped};
  std::vector<int> after_start{kServiceRunning};
  std::vector<int> after_continue{kServiceRunning};
};

class FakeServiceControl : public ServiceControl {
 public:
  std::map<std::string, FakeService> services;  // by exact name
  std::vector<std::string> requests;            // "start NAME", "stop NAME", "continue NAME"

  std::unique_ptr<ServiceHandle> OpenService(std::string_view name, uint32_t access) override;

 private:
  friend class FakeServiceHandle;
  std::map<std::string, std::vector<int>> pending_;
};

class FakeProcesses : public Processes {
 public:
  std::vector<ProcessEntry> processes;
  std::map<uint32_t, AccountName> owners;  // a process without an owner entry cannot be opened
  std::map<uint32_t, std::string> module_paths;
  std::vector<uint32_t> terminated;
  bool snapshot_fails = false;
  std::string current_account = "MAQ01\\Tecnico";
  uint32_t current_process_id = 4242;
  uint32_t current_session = 1;
  bool remote_session = false;
  std::string program_path = "/fake/HotFix.exe";
  std::string computer_name = "MAQ01";
  std::map<std::string, std::string> environment;

  // Adds a process with an owner ("DOMAIN\user"; empty: cannot be opened).
  void Add(uint32_t id, std::string image, uint32_t session, std::string owner);

  std::optional<std::vector<ProcessEntry>> Snapshot() override;
  std::optional<AccountName> OwnerOf(uint32_t process_id) override;
  std::optional<std::string> FirstModulePath(uint32_t process_id) override;
  bool Terminate(uint32_t process_id, uint32_t exit_code) override;
  std::string CurrentAccount() override { return current_account; }
  uint32_t CurrentProcessId() override { return current_process_id; }
  std::optional<uint32_t> SessionOf(uint32_t process_id) override;
  bool IsRemoteSession() override { return remote_session; }
  std::string CurrentProgramPath() override { return program_path; }
  std::string ComputerName() override { return computer_name; }
  std::string EnvironmentVariable(std::string_view name) override;
};

class FakeWindows : public TopLevelWindows {
 public:
  // Window class -> close requests it survives before it goes.
  std::map<std::string, int> windows;
  std::vector<std::string> close_requests;

  std::optional<WindowId> FindByClass(std::string_view window_class) override;
  bool PostClose(WindowId window) override;

 private:
  std::vector<std::string> ids_;
};

class FakeLauncher : public Launcher {
 public:
  std::vector<std::string> launches;  // "verb|file|parameters|folder"
  int shell_result = 42;
  WaitResult wait_result = WaitResult::kEnded;
  bool create_process_succeeds = true;

  int ShellExecute(std::string_view verb, std::string_view file, std::string_view parameters,
                   std::string_view folder, ShowWindow show) override;
  WaitResult ShellExecuteAndWait(std::string_view program, std::string_view folder,
                                 std::string_view parameters, int first_wait_ms,
                                 int second_wait_ms) override;
  bool CreateProcess(std::string_view command_line, std::string& error) override;
};

class FakeFileFacts : public FileFacts {
 public:
  std::map<std::string, bool> read_only;
  std::map<std::string, std::string> version_resources;

  bool IsReadOnly(const std::string& path) override;
  bool SetReadOnly(const std::string& path, bool value) override;
  std::optional<std::string> ReadVersionResource(const std::string& path) override;
};

class FakeSystemInfo : public SystemInfo {
 public:
  OsVersion os{OsVersion::Platform::kNt, 6, 1, ""};
  std::string temp_folder = "/fake/temp/";
  std::string system_folder = "/fake/windows/system32/";
  Endpoint sysinfo{"127.0.0.1", 9097};
  std::string program_version = "1.0.0.0";

  OsVersion GetOsVersion() override { return os; }
  std::string TempFolder() override { return temp_folder; }
  std::string WindowsSystemFolder() override { return system_folder; }
  Endpoint SysInfoEndpoint() override { return sysinfo; }
  std::string ProgramVersion() override { return program_version; }
};

// A clock the test drives: Sleep advances it at once and is recorded.
class FakeClock : public Clock {
 public:
  DateTime now{2026, 12, 11, 10, 30, 0, 0};
  uint64_t ticks = 1000000;
  std::vector<int> sleeps;

  DateTime Now() override { return now; }
  uint64_t TickCountMs() override { return ticks; }
  void Sleep(int milliseconds) override;
  void Advance(int milliseconds);
};

// The configuration server and COM+ catalog are absent unless a test sets them.
class FakeComPlus : public ComPlus {
 public:
  std::unique_ptr<ComAdminCatalog> CreateCatalog() override { return nullptr; }
};

class FakeConfigurationServerFactory : public ConfigurationServerFactory {
 public:
  std::unique_ptr<ConfigurationServer> Create() override;
};

class FakeDatabaseLocation : public DatabaseLocation {
 public:
  std::string ToOdbc(std::string_view oledb) override { return std::string(oledb); }
};

// A machine made of the fakes above, with typed access to each.
struct FakeMachine {
  std::shared_ptr<Machine> machine;
  FakeRegistry* registry = nullptr;
  FakeServiceControl* services = nullptr;
  FakeProcesses* processes = nullptr;
  FakeWindows* windows = nullptr;
  FakeLauncher* launcher = nullptr;
  FakeFileFacts* file_facts = nullptr;
  ScriptedDialogs* dialogs = nullptr;
  FakeSystemInfo* system_info = nullptr;
  FakeClock* clock = nullptr;
};

FakeMachine MakeFakeMachine();

}  // namespace hotfix::testing
