#include "base/exception.h"
#include "sysenv/ports/sandbox_machine.h"

namespace hotfix {

std::unique_ptr<Machine> OpenSandboxMachine(const std::string& directory) {
  throw Exception("Máquina de prueba aún no disponible: " + directory);
}

}  // namespace hotfix
