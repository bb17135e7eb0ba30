#include <cstdlib>

#include "base/exception.h"
#include "sysenv/ports/machine.h"
#include "sysenv/ports/sandbox_backends.h"
#include "sysenv/ports/sandbox_machine.h"
#include "sysenv/ports/scripted_dialogs.h"

namespace hotfix {

std::unique_ptr<Machine> CreateDefaultMachine() {
  const char* dir = std::getenv("HOTFIX_SANDBOX");
  if (dir == nullptr || *dir == '\0') {
    throw Exception(
        "No se indicó la máquina de prueba: defina la variable HOTFIX_SANDBOX con su carpeta.");
  }
  return OpenSandboxMachine(dir);
}

std::unique_ptr<Machine> OpenSandboxMachine(const std::string& directory) {
  auto store = std::make_shared<SandboxStore>(directory);
  Machine::Ports ports;
  ports.registry = NewSandboxRegistry(store);
  ports.services = NewSandboxServiceControl(store);
  ports.processes = NewSandboxProcesses(store);
  ports.windows = NewSandboxWindows(store);
  ports.launcher = NewSandboxLauncher(store);
  ports.com_plus = NewSandboxComPlus(store);
  ports.configuration_server = NewSandboxConfigurationServer(store);
  ports.file_facts = NewSandboxFileFacts();
  // Nobody sits at a sandbox: every box gets the safe default of its buttons.
  ports.dialogs = std::make_unique<ScriptedDialogs>();
  ports.database_location = NewSandboxDatabaseLocation(store);
  ports.system_info = NewSandboxSystemInfo(store);
  ports.clock = NewSandboxClock();
  return std::make_unique<Machine>(std::move(ports));
}

}  // namespace hotfix
