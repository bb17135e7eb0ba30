#include "log_user_commands.h"

#include <iostream>
#include <string>

#include "log/uVmWriteToLog.h"
#include "sysenv/uVmWinUser.h"

namespace hotfix::hftool {

int RunLogWrite(std::string_view level_name, std::string_view text, std::ostream& out,
                std::ostream& err) {
  const auto level = LogTypeFromName(level_name);
  if (!level) {
    err << "Nivel de log desconocido: " << level_name << ". Los niveles son:";
    for (int i = 0; i < kLogTypeCount; ++i) err << " " << LogTypeName(static_cast<TLogType>(i));
    err << ".\n";
    return kExitUsage;
  }
  out << BoolText(TManagedLogFile::Write(*level, text)) << "\n";
  return kExitOk;
}

int RunWhoAmI(std::ostream& out) {
  const std::string current = TVmWinUser::getCurrentUserName();
  const std::string interactive = TVmWinUser::getInteractiveUserName();
  const std::string shell = TVmWinUser::getShellName();
  const bool is_interactive = TVmWinUser::isUserInteractive();
  const std::string session = ComputerSessionName();
  out << "CurrentUser=" << current << "\n"
      << "InteractiveUser=" << interactive << "\n"
      << "ShellName=" << shell << "\n"
      << "IsInteractiveUser=" << BoolText(is_interactive) << "\n"
      << "ComputerSessionName=" << session << "\n";
  return kExitOk;
}

void AddLogUserCommands(CLI::App& app, ToolContext& context) {
  CLI::App* log = app.add_subcommand("log", "Archivo de log del instalador");
  log->require_subcommand(1);
  CLI::App* write = log->add_subcommand(
      "write", "Escribe una entrada en el log (como lo hace el instalador) e indica si se escribió");
  auto level = std::make_shared<std::string>();
  auto text = std::make_shared<std::string>();
  write->add_option("LEVEL", *level, "Nivel por su nombre: ltError, ltAudit, ltTech...")
      ->required();
  write->add_option("TEXT", *text, "Texto de la entrada")->required();
  context.RunOnMachineWhenChosen(
      write, [level, text] { return RunLogWrite(*level, *text, std::cout, std::cerr); });

  CLI::App* whoami = app.add_subcommand(
      "whoami", "Usuario actual, usuario interactivo, shell y nombre de la sesión de la máquina");
  context.RunOnMachineWhenChosen(whoami, [] { return RunWhoAmI(std::cout); });
}

}  // namespace hotfix::hftool
