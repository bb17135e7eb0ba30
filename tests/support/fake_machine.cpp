#include "support/fake_machine.h"

#include "base/exception.h"
#include "base/text.h"

namespace hotfix::testing {
namespace {

std::string FoldPath(std::string_view path) {
  std::string_view p = path;
  while (!p.empty() && p.front() == '\\') p.remove_prefix(1);
  while (!p.empty() && p.back() == '\\') p.remove_suffix(1);
  return AnsiUpperCase(p);
}

std::string ParentOf(const std::string& folded) {
  const size_t sep = folded.rfind('\\');
  return sep == std::string::npos ? std::string() : folded.substr(0, sep);
}

}  // namespace

// --- registry ---------------------------------------------------------------

FakeRegistry::Key* FakeRegistry::Find(std::string_view path) {
  auto it = keys_.find(FoldPath(path));
  return it == keys_.end() ? nullptr : &it->second;
}

FakeRegistry::Key& FakeRegistry::Ensure(std::string_view path) {
  const std::string folded = FoldPath(path);
  if (auto it = keys_.find(folded); it != keys_.end()) return it->second;
  if (!folded.empty()) {
    Key& parent = Ensure(ParentOf(folded));
    parent.children.push_back(folded);
  }
  std::string_view p = path;
  while (!p.empty() && p.back() == '\\') p.remove_suffix(1);
  const size_t sep = p.rfind('\\');
  Key key;
  key.name = std::string(sep == std::string_view::npos ? p : p.substr(sep + 1));
  return keys_.emplace(folded, std::move(key)).first->second;
}

void FakeRegistry::CreateKey(std::string_view path) { Ensure(path); }

void FakeRegistry::SetValue(std::string_view path, std::string_view name, RegistryValue value) {
  Key& key = Ensure(path);
  for (auto& [existing, stored] : key.values) {
    if (SameText(existing, name)) {
      stored = std::move(value);
      return;
    }
  }
  key.values.emplace_back(std::string(name), std::move(value));
}

void FakeRegistry::SetString(std::string_view path, std::string_view name,
                             std::string_view value) {
  SetValue(path, name, RegistryValue{RegistryValue::Kind::kString, std::string(value), 0});
}

bool FakeRegistry::KeyExists(std::string_view path) { return Find(path) != nullptr; }

std::optional<std::vector<std::string>> FakeRegistry::SubKeyNames(std::string_view path) {
  Key* key = Find(path);
  if (!key) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& child : key->children) names.push_back(keys_.at(child).name);
  return names;
}

std::optional<RegistryValue> FakeRegistry::ReadValue(std::string_view path,
                                                     std::string_view name) {
  Key* key = Find(path);
  if (!key) return std::nullopt;
  for (const auto& [existing, stored] : key->values) {
    if (SameText(existing, name)) return stored;
  }
  return std::nullopt;
}

void FakeRegistry::WriteString(std::string_view path, std::string_view name,
                               std::string_view value) {
  SetString(path, name, value);
}

// --- services ---------------------------------------------------------------

class FakeServiceHandle : public ServiceHandle {
 public:
  FakeServiceHandle(FakeServiceControl& owner, std::string name)
      : owner_(owner), name_(std::move(name)) {}

  std::optional<int> QueryState() override {
    FakeService& service = owner_.services.at(name_);
    if (service.query_fails) return std::nullopt;
    auto& pending = owner_.pending_[name_];
    if (!pending.empty()) {
      service.state = pending.front();
      pending.erase(pending.begin());
    }
    return service.state;
  }

  bool Start() override {
    owner_.requests.push_back("start " + name_);
    Begin(owner_.services.at(name_).after_start);
    return true;
  }

  bool Control(ServiceControlCode code) override {
    FakeService& service = owner_.services.at(name_);
    if (code == ServiceControlCode::kStop) {
      owner_.requests.push_back("stop " + name_);
      Begin(service.after_stop);
    } else {
      owner_.requests.push_back("continue " + name_);
      Begin(service.after_continue);
    }
    return true;
  }

  std::optional<std::string> QueryBinaryPath(uint32_t buffer_size,
                                             uint32_t& needed_size) override {
    const std::string& path = owner_.services.at(name_).binary_path;
    needed_size = static_cast<uint32_t>(path.size() + 64);
    if (buffer_size < needed_size) return std::nullopt;
    return path;
  }

 private:
  void Begin(const std::vector<int>& states) {
    auto& pending = owner_.pending_[name_];
    pending = states;
    if (!pending.empty()) {
      owner_.services.at(name_).state = pending.front();
      pending.erase(pending.begin());
    }
  }

  FakeServiceControl& owner_;
  std::string name_;
};

std::unique_ptr<ServiceHandle> FakeServiceControl::OpenService(std::string_view name,
                                                               uint32_t /*access*/) {
  for (auto& [key, service] : services) {
    if (SameText(key, name)) {
      if (!service.opens) return nullptr;
      return std::make_unique<FakeServiceHandle>(*this, key);
    }
  }
  return nullptr;
}

// --- processes --------------------------------------------------------------

void FakeProcesses::Add(uint32_t id, std::string image, uint32_t session, std::string owner) {
  processes.push_back(ProcessEntry{id, image, "C:\\Windows\\" + image, session});
  if (!owner.empty()) {
    const size_t sep = owner.find('\\');
    owners[id] = sep == std::string::npos ? AccountName{"", owner}
                                          : AccountName{owner.substr(0, sep), owner.substr(sep + 1)};
  }
}

std::optional<std::vector<ProcessEntry>> FakeProcesses::Snapshot() {
  if (snapshot_fails) return std::nullopt;
  return processes;
}

std::optional<AccountName> FakeProcesses::OwnerOf(uint32_t process_id) {
  auto it = owners.find(process_id);
  if (it == owners.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> FakeProcesses::FirstModulePath(uint32_t process_id) {
  auto it = module_paths.find(process_id);
  if (it != module_paths.end()) return it->second;
  for (const auto& p : processes) {
    if (p.id == process_id) return p.path;
  }
  return std::nullopt;
}

bool FakeProcesses::Terminate(uint32_t process_id, uint32_t /*exit_code*/) {
  for (auto it = processes.begin(); it != processes.end(); ++it) {
    if (it->id == process_id) {
      processes.erase(it);
      terminated.push_back(process_id);
      return true;
    }
  }
  return false;
}

std::optional<uint32_t> FakeProcesses::SessionOf(uint32_t process_id) {
  if (process_id == current_process_id) return current_session;
  for (const auto& p : processes) {
    if (p.id == process_id) return p.session;
  }
  return std::nullopt;
}

std::string FakeProcesses::EnvironmentVariable(std::string_view name) {
  for (const auto& [key, value] : environment) {
    if (SameText(key, name)) return value;
  }
  return {};
}

// --- windows, launcher, files, clock -----------------------------------------

std::optional<WindowId> FakeWindows::FindByClass(std::string_view window_class) {
  for (const auto& [cls, survives] : windows) {
    if (cls == window_class) {
      ids_.push_back(cls);
      return ids_.size();
    }
  }
  return std::nullopt;
}

bool FakeWindows::PostClose(WindowId window) {
  if (window == 0 || window > ids_.size()) return false;
  const std::string cls = ids_[window - 1];
  close_requests.push_back(cls);
  auto it = windows.find(cls);
  if (it == windows.end()) return false;
  if (it->second <= 0) {
    windows.erase(it);
  } else {
    --it->second;
  }
  return true;
}

int FakeLauncher::ShellExecute(std::string_view verb, std::string_view file,
                               std::string_view parameters, std::string_view folder,
                               ShowWindow /*show*/) {
  launches.push_back(std::string(verb) + "|" + std::string(file) + "|" + std::string(parameters) +
                     "|" + std::string(folder));
  return shell_result;
}

Launcher::WaitResult FakeLauncher::ShellExecuteAndWait(std::string_view program,
                                                       std::string_view folder,
                                                       std::string_view parameters,
                                                       int /*first_wait_ms*/,
                                                       int /*second_wait_ms*/) {
  launches.push_back("open-wait|" + std::string(program) + "|" + std::string(parameters) + "|" +
                     std::string(folder));
  return wait_result;
}

bool FakeLauncher::CreateProcess(std::string_view command_line, std::string& error) {
  launches.push_back("create|" + std::string(command_line));
  if (!create_process_succeeds) error = "El sistema no puede encontrar el archivo especificado.";
  return create_process_succeeds;
}

bool FakeFileFacts::IsReadOnly(const std::string& path) {
  auto it = read_only.find(path);
  return it != read_only.end() && it->second;
}

bool FakeFileFacts::SetReadOnly(const std::string& path, bool value) {
  read_only[path] = value;
  return true;
}

std::optional<std::string> FakeFileFacts::ReadVersionResource(const std::string& path) {
  auto it = version_resources.find(path);
  if (it == version_resources.end()) return std::nullopt;
  return it->second;
}

void FakeClock::Advance(int milliseconds) {
  ticks += static_cast<uint64_t>(milliseconds);
  now = DateTime::FromSerial(now.ToSerial() + milliseconds / 86400000.0);
}

void FakeClock::Sleep(int milliseconds) {
  sleeps.push_back(milliseconds);
  Advance(milliseconds);
}

std::unique_ptr<ConfigurationServer> FakeConfigurationServerFactory::Create() {
  throw EOSError("Clase no registrada");
}

FakeMachine MakeFakeMachine() {
  FakeMachine fake;
  Machine::Ports ports;
  auto registry = std::make_unique<FakeRegistry>();
  auto services = std::make_unique<FakeServiceControl>();
  auto processes = std::make_unique<FakeProcesses>();
  auto windows = std::make_unique<FakeWindows>();
  auto launcher = std::make_unique<FakeLauncher>();
  auto file_facts = std::make_unique<FakeFileFacts>();
  auto dialogs = std::make_unique<ScriptedDialogs>();
  auto system_info = std::make_unique<FakeSystemInfo>();
  auto clock = std::make_unique<FakeClock>();
  fake.registry = registry.get();
  fake.services = services.get();
  fake.processes = processes.get();
  fake.windows = windows.get();
  fake.launcher = launcher.get();
  fake.file_facts = file_facts.get();
  fake.dialogs = dialogs.get();
  fake.system_info = system_info.get();
  fake.clock = clock.get();
  ports.registry = std::move(registry);
  ports.services = std::move(services);
  ports.processes = std::move(processes);
  ports.windows = std::move(windows);
  ports.launcher = std::move(launcher);
  ports.com_plus = std::make_unique<FakeComPlus>();
  ports.configuration_server = std::make_unique<FakeConfigurationServerFactory>();
  ports.file_facts = std::move(file_facts);
  ports.dialogs = std::move(dialogs);
  ports.database_location = std::make_unique<FakeDatabaseLocation>();
  ports.system_info = std::move(system_info);
  ports.clock = std::move(clock);
  fake.machine = std::make_shared<Machine>(std::move(ports));
  return fake;
}

}  // namespace hotfix::testing
