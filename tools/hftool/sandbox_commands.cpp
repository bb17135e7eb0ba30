// hftool sandbox new DIR: writes the demo machine.

#include <iostream>
#include <memory>

#include "sandbox/sandbox_builder.h"
#include "tool_context.h"

namespace hotfix::hftool {

void AddSandboxCommands(CLI::App& app, ToolContext& context) {
  CLI::App* sandbox = app.add_subcommand("sandbox", "Máquinas de prueba");
  sandbox->require_subcommand(1);

  auto directory = std::make_shared<std::string>();
  CLI::App* create = sandbox->add_subcommand(
      "new", "Crea en DIR la máquina de prueba de demostración (DIR no debe existir o estar vacía)");
  create->add_option("DIR", *directory, "Carpeta de la nueva máquina de prueba")->required();
  context.RunWhenChosen(create, [directory] {
    SandboxBuilder demo = DemoMachine(*directory);
    demo.Write();
    std::cout << "Máquina de prueba creada en " << demo.directory() << "\n";
    return kExitOk;
  });
}

}  // namespace hotfix::hftool
