// hftool service status|start|stop|exists|path NAME: the service primitives.

#include <iostream>
#include <memory>

#include "base/format.h"
#include "sysenv/uVmServiceControl.h"
#include "tool_context.h"

namespace hotfix::hftool {
namespace {

int NotInstalled(const std::string& name) {
  std::cerr << Format("El servicio %s no se encontró instalado.", name) << "\n";
  return kExitFailed;
}

int Status(const std::string& name) {
  int state = 0;
  if (!ServiceGetStatus(name, state)) {
    if (!ServiceExists(name)) return NotInstalled(name);
    std::cerr << Format("No se pudo consultar el estado del servicio: %s.", name) << "\n";
    return kExitFailed;
  }
  std::cout << state << "\n";
  return kExitOk;
}

int Start(const std::string& name) {
  if (ServiceStart(name)) return kExitOk;
  if (!ServiceExists(name)) return NotInstalled(name);
  std::cerr << Format("No se pudo iniciar el servicio: %s.", name) << "\n";
  return kExitFailed;
}

int Stop(const std::string& name) {
  if (ServiceStop(name)) return kExitOk;
  if (!ServiceExists(name)) return NotInstalled(name);
  std::cerr << Format("No se pudo detener el servicio: %s.", name) << "\n";
  return kExitFailed;
}

int Exists(const std::string& name) {
  const bool exists = ServiceExists(name);
  std::cout << BoolText(exists) << "\n";
  return exists ? kExitOk : kExitFailed;
}

int Path(const std::string& name) {
  std::string path;
  if (!ServiceGetBinaryPath(name, path)) return NotInstalled(name);
  std::cout << path << "\n";
  return kExitOk;
}

}  // namespace

void AddServiceCommands(CLI::App& app, ToolContext& context) {
  CLI::App* service = app.add_subcommand("service", "Servicios de Windows de la máquina");
  service->require_subcommand(1);

  struct Action {
    const char* name;
    const char* help;
    int (*run)(const std::string&);
  };
  static constexpr Action kActions[] = {
      {"status", "Muestra el número de estado (1 detenido ... 4 en ejecución ... 7 en pausa)", Status},
      {"start", "Inicia el servicio (o lo continúa si está en pausa); no espera", Start},
      {"stop", "Pide detener el servicio; no espera", Stop},
      {"exists", "Muestra True o False; sale con 0 si está instalado y 1 si no", Exists},
      {"path", "Muestra el programa configurado del servicio", Path},
  };
  for (const Action& action : kActions) {
    auto name = std::make_shared<std::string>();
    CLI::App* command = service->add_subcommand(action.name, action.help);
    command->add_option("NAME", *name, "Nombre del servicio")->required();
    context.RunOnMachineWhenChosen(command, [name, run = action.run] { return run(*name); });
  }
}

}  // namespace hotfix::hftool
