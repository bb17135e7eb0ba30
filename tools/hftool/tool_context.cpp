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

}  // namespace hotfix::hftool
