#include "tool_context.h"

#include "sysenv/ports/sandbox_machine.h"

namespace hotfix::hftool {

Machine& ToolContext::machine() {
  if (!machine_) {
    std::shared_ptr<Machine> machine =
        sandbox_option.empty() ? CreateDefaultMachine() : OpenSandboxMachine(sandbox_option);
    SetCurrentMachine(machine);
    machine_ = std::move(machine);
  }
  return *machine_;
}

void ToolContext::RunWhenChosen(CLI::App* command, std::function<int()> handler) {
  command->callback([this, handler = std::move(handler)] { SetHandler(handler); });
}

void ToolContext::RunOnMachineWhenChosen(CLI::App* command, std::function<int()> handler) {
  RunWhenChosen(command, [this, handler = std::move(handler)] {
    machine();
    return handler();
  });
}

}  // namespace hotfix::hftool
