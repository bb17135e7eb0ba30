// hftool sysinfo: the SysInfo service's answers as the gateway reads them.

#include <iostream>
#include <memory>

#include "sysenv/uVmSysInfoGW.h"
#include "sysinfo_commands.h"

namespace hotfix::hftool {

void AddSysInfoCommands(CLI::App& app, ToolContext& context) {
  CLI::App* group = app.add_subcommand(
      "sysinfo", "Consultas al Servicio de Información del Sistema de la máquina");
  group->require_subcommand(1);

  CLI::App* servers =
      group->add_subcommand("servers", "Números de las llaves de instalación, uno por línea");
  context.RunOnMachineWhenChosen(servers, [] {
    TVmSysInfoGateWay gateway;
    const TSysServers& keys = gateway.SysServers(2);
    for (int i = 0; i < keys.Count(); ++i) std::cout << keys[i] << "\n";
    return kExitOk;
  });

  auto key = std::make_shared<std::string>();
  CLI::App* server = group->add_subcommand(
      "server", "Datos de una llave (Name=Value), con su conexión al diccionario");
  server->add_option("KEY", *key, "Número de la llave")->required();
  context.RunOnMachineWhenChosen(server, [key] {
    TVmSysInfoGateWay gateway;
    std::unique_ptr<TSysServer> record = gateway.SysServerNewInstance(*key);
    std::cout << "HlNumber=" << record->HlNumber() << "\n"
              << "ServerSystemDir=" << record->ServerSystemDir() << "\n"
              << "ConfigDir=" << record->ConfigDir() << "\n"
              << "ServerVersion=" << record->ServerVersion() << "\n"
              << "TipoSistema=" << record->TipoSistema() << "\n"
              << "CountryCustomization=" << record->CountryCustomization() << "\n"
              << "DictionaryName=" << record->DictionaryName() << "\n"
              << "DictionaryCnxnStr=" << record->DictionaryCnxnStr() << "\n";
    return kExitOk;
  });

  CLI::App* platform_command =
      group->add_subcommand("platform", "Datos de la plataforma (Name=Value)");
  context.RunOnMachineWhenChosen(platform_command, [] {
    TVmSysInfoGateWay gateway;
    std::unique_ptr<TSysPlatformServer> platform = gateway.SysPlatformServer();
    std::cout << "CommonFilesVelmarServer=" << platform->CommonFilesVelmarServer() << "\n";
    return kExitOk;
  });
}

}  // namespace hotfix::hftool
