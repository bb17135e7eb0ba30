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

  group->add_subcommand("servers", "Números de las llaves de instalación, uno por línea")
      ->callback([&context] {
        context.SetHandler([&context] {
          context.machine();
          TVmSysInfoGateWay gateway;
          const TSysServers& servers = gateway.SysServers(2);
          for (int i = 0; i < servers.Count(); ++i) std::cout << servers[i] << "\n";
          return kExitOk;
        });
      });

  auto key = std::make_shared<std::string>();
  CLI::App* server = group->add_subcommand(
      "server", "Datos de una llave (Name=Value), con su conexión al diccionario");
  server->add_option("KEY", *key, "Número de la llave")->required();
  server->callback([&context, key] {
    context.SetHandler([&context, key] {
      context.machine();
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
  });

  group->add_subcommand("platform", "Datos de la plataforma (Name=Value)")->callback([&context] {
    context.SetHandler([&context] {
      context.machine();
      TVmSysInfoGateWay gateway;
      std::unique_ptr<TSysPlatformServer> platform = gateway.SysPlatformServer();
      std::cout << "CommonFilesVelmarServer=" << platform->CommonFilesVelmarServer() << "\n";
      return kExitOk;
    });
  });
}

}  // namespace hotfix::hftool
