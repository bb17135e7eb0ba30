#include <cstdlib>

#include "base/exception.h"
#include "sysenv/ports/machine.h"
#include "sysenv/ports/sandbox_machine.h"

namespace hotfix {

std::unique_ptr<Machine> CreateDefaultMachine() {
  const char* dir = std::getenv("HOTFIX_SANDBOX");
  if (dir == nullptr || *dir == '\0') {
    throw Exception(
        "No se indicó la máquina de prueba: defina la variable HOTFIX_SANDBOX con su carpeta.");
  }
  return OpenSandboxMachine(dir);
}

}  // namespace hotfix
