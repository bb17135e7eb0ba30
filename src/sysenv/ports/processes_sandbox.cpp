#include <filesystem>

#include "base/paths.h"
#include "base/text.h"
#include "sysenv/ports/processes.h"
#include "sysenv/ports/sandbox_backends.h"

namespace hotfix {
namespace {

AccountName SplitAccount(std::string_view account) {
  const size_t slash = account.find('\\');
  if (slash == std::string_view::npos) return AccountName{{}, std::string(account)};
  return AccountName{std::string(account.substr(0, slash)), std::string(account.substr(slash + 1))};
}

class SandboxProcesses : public Processes {
 public:
  explicit SandboxProcesses(std::shared_ptr<SandboxStore> store) : store_(std::move(store)) {}

  std::optional<std::vector<ProcessEntry>> Snapshot() override {
    const auto state = store_->Machine();
    std::vector<ProcessEntry> entries;
    for (const SandboxProcess& process : state->processes) {
      if (!process.running) continue;
      entries.push_back(ProcessEntry{process.id, process.image, process.path, process.session});
    }
    return entries;
  }

  std::optional<AccountName> OwnerOf(uint32_t process_id) override {
    const SandboxProcess* process = Running(process_id);
    if (process == nullptr || !process->owner) return std::nullopt;
    return SplitAccount(*process->owner);
  }

  std::optional<std::string> FirstModulePath(uint32_t process_id) override {
    const SandboxProcess* process = Running(process_id);
    if (process == nullptr || process->path.empty()) return std::nullopt;
    return process->path;
  }

  bool Terminate(uint32_t process_id, uint32_t /*exit_code*/) override {
    bool terminated = false;
    store_->UpdateMachine([&](const SandboxState& state) {
      std::vector<MachineIniEdit> edits;
      const SandboxProcess* process = state.FindProcess(process_id);
      if (process == nullptr || !process->running) return edits;
      terminated = true;
      edits.push_back(MachineIniEdit{process->SectionName(), "Running", "0"});
      for (MachineIniEdit& edit : StopServicesOfImage(state, process->image)) {
        edits.push_back(std::move(edit));
      }
      return edits;
    });
    return terminated;
  }

  std::string CurrentAccount() override { return store_->Machine()->machine.current_user; }

  uint32_t CurrentProcessId() override { return store_->Machine()->machine.current_process_id; }

  std::optional<uint32_t> SessionOf(uint32_t process_id) override {
    const auto state = store_->Machine();
    if (const SandboxProcess* process = state->FindProcess(process_id);
        process != nullptr && process->running) {
      return process->session;
    }
    if (process_id == state->machine.current_process_id) return state->machine.current_session;
    return std::nullopt;
  }

  bool IsRemoteSession() override { return store_->Machine()->machine.remote_session; }

  std::string CurrentProgramPath() override {
    const std::string configured = store_->Machine()->machine.program_path;
    if (!configured.empty()) return configured;
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : FromFsPath(path);
  }

  std::string ComputerName() override { return store_->Machine()->machine.computer_name; }

  std::string EnvironmentVariable(std::string_view name) override {
    return store_->Machine()->EnvironmentVariable(name);
  }

 private:
  const SandboxProcess* Running(uint32_t process_id) {
    state_ = store_->Machine();
    const SandboxProcess* process = state_->FindProcess(process_id);
    return process != nullptr && process->running ? process : nullptr;
  }

  std::shared_ptr<SandboxStore> store_;
  std::shared_ptr<const SandboxState> state_;  // keeps the answer of Running alive
};

}  // namespace

std::unique_ptr<Processes> NewSandboxProcesses(std::shared_ptr<SandboxStore> store) {
  return std::make_unique<SandboxProcesses>(std::move(store));
}

}  // namespace hotfix
