// hftool: the command-line companion of the hotfix installer.

#include <iostream>

#include "base/exception.h"
#include "log_user_commands.h"
#include "package_commands.h"
#include "recordset_commands.h"
#include "script_commands.h"
#include "sysinfo_commands.h"
#include "tool_context.h"

namespace hotfix::hftool {

void AddSandboxCommands(CLI::App& app, ToolContext& context);
void AddRegistryCommands(CLI::App& app, ToolContext& context);
void AddServiceCommands(CLI::App& app, ToolContext& context);

// The command groups; each lives in its own file.
const CommandGroup kCommandGroups[] = {
    AddSandboxCommands,
    AddRegistryCommands,
    AddServiceCommands,
    AddPackageCommands,
    AddRecordsetCommands,
    AddScriptCommands,
    AddLogUserCommands,
    AddSysInfoCommands,
};

int Main(int argc, char** argv) {
  CLI::App app{"hftool: inspección y manejo de máquinas de prueba del instalador de hotfix"};
  app.require_subcommand(1);
  ToolContext context;
  app.add_option("--sandbox", context.sandbox_option,
                 "Carpeta de la máquina de prueba (por defecto HOTFIX_SANDBOX)");
  for (CommandGroup group : kCommandGroups) {
    if (group != nullptr) group(app, context);
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& success) {
    return app.exit(success);
  } catch (const CLI::ParseError& error) {
    app.exit(error);
    return kExitUsage;
  }
  try {
    return context.RunHandler();
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return kExitFailed;
  }
}

}  // namespace hotfix::hftool

int main(int argc, char** argv) { return hotfix::hftool::Main(argc, argv); }
