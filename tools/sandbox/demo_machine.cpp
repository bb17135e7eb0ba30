#include "base/paths.h"
#include "sandbox/sandbox_builder.h"

namespace hotfix {
namespace {

constexpr std::string_view kSystemAccount = "NT AUTHORITY\\SYSTEM";

struct DemoKey {
  std::string_view number;
  std::string_view server_version;
  std::string_view system_kind;  // TipoSistema
  std::string_view country;
  std::string_view description;
};

constexpr DemoKey kDemoKeys[] = {
    {"1", "9.70.001.000", "ORVIN", "AR", "Orvin Argentina"},
    {"2", "10.00.000.000", "RESTO", "CL", "Resto Chile"},
    {"3", "9.70.000.000", "ORVIN", "AR", "Orvin Argentina (versión anterior)"},
};

void AddMachineFolders(SandboxBuilder& b) {
  const std::string windows = b.FsPath("Windows");
  const std::string program_files = b.FsPath("Program Files");
  const std::string common_files = b.FsPath("Program Files/Common Files");
  const std::string program_data = b.FsPath("ProgramData");
  for (const std::string& folder :
       {windows, b.FsPath("Windows/System32"), b.FsPath("Windows/Temp"), program_files,
        common_files, program_data, b.FsPath("ProgramData/Velmar"),
        b.FsPath("Program Files/Common Files/Velmar/Servidor")}) {
    b.AddFolder(folder);
  }

  const std::string current_version = "Software\\Microsoft\\Windows\\CurrentVersion";
  b.SetString(current_version, "ProgramFilesDir", program_files);
  b.SetString(current_version, "CommonFilesDir", common_files);
  b.SetExpandString(current_version + "\\Explorer\\User Shell Folders", "Common AppData",
                    "%ProgramData%");
  b.SetString(current_version + "\\Explorer\\Shell Folders", "Common AppData", program_data);
  b.SetString("Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Shell", "explorer.exe");
  // The platform's common server files folder, which the SysInfo service
  // answers as "CommonFilesVelmarServer".
  b.SetString("Software\\Velmar\\Quiltor2000", "CommonFilesVelmarServer",
              b.FsPath("Program Files/Common Files/Velmar/Servidor"));

  b.SetEnvironment("SESSIONNAME", "Console");
  b.SetEnvironment("COMPUTERNAME", kDemoComputerName);
  b.SetEnvironment("USERNAME", "Administrador");
  b.SetEnvironment("USERDOMAIN", kDemoComputerName);
  b.SetEnvironment("ProgramData", program_data);
  b.SetEnvironment("ALLUSERSPROFILE", program_data);
  b.SetEnvironment("SystemRoot", windows);
  b.SetEnvironment("windir", windows);
  b.SetEnvironment("TEMP", b.FsPath("Windows/Temp"));
  b.SetEnvironment("TMP", b.FsPath("Windows/Temp"));
}

void AddKeys(SandboxBuilder& b) {
  for (const DemoKey& key : kDemoKeys) {
    const std::string number(key.number);
    const std::string root = b.FsPath("Velmar/Llave" + number);
    b.AddInstallationKey(
        key.number,
        {
            {"CarpetaMenuInicioCliente", "Velmar\\Cliente " + number},
            {"CarpetaMenuInicioServidor", "Velmar\\Servidor " + number},
            {"Categoria", "Servidor"},
            {"Cliente", "1"},
            {"ClientISGUID", "{6F1E8D20-3A4B-4C5D-8E9F-00000000C00" + number + "}"},
            {"ClientVersion", std::string(key.server_version)},
            {"Comunes", "1"},
            {"ConfigDir", JoinPath(root, "Config")},
            {"CountryCustomization", std::string(key.country)},
            {"Description", std::string(key.description)},
            {"DirComunes", b.FsPath("Program Files/Common Files/Velmar/Llave" + number)},
            {"HLMachine", std::string(kDemoComputerName)},
            {"MonoUsuario", "0"},
            {"NombreShareCarpetaInstaladorCliente", "VelmarInstalador" + number},
            {"NombreShareCarpetaSistema", "VelmarSistema" + number},
            {"NombreShareCarpetaUpdate", "VelmarUpdate" + number},
            {"Plataforma", "Win32"},
            {"PlataformaCliente", "Win32"},
            {"PlataformaServer", "Win32"},
            {"ServerGUID", "{6F1E8D20-3A4B-4C5D-8E9F-00000000500" + number + "}"},
            {"ServersystemDir", JoinPath(root, "Servidor")},
            {"ServerVersion", std::string(key.server_version)},
            {"Servidor", "1"},
            {"SystemDir", JoinPath(root, "Sistema")},
            {"TipoSistema", std::string(key.system_kind)},
            {"ServerISGUID", "{6F1E8D20-3A4B-4C5D-8E9F-00000000A00" + number + "}"},
            // What the SysInfo service answers for the key's dictionary: the
            // database DICC_<n> on the sandbox's SQL server.
            {"DictionaryName", "DICC_" + number},
            {"DictionaryCnxnStr", std::string(kDemoDictionaryConnectionPrefix) + "Initial Catalog=DICC_" +
                                      number + ";Data Source=" + std::string(kDemoSqlServer)},
        });
  }
  // The older record of installed hotfixes ("date - number", one per line),
  // under the key and under the Orvin branch.
  const std::string hotfixes = "12/04/2011 - 9.70.000.1045\r\n03/06/2011 - 9.70.001.1110";
  b.SetString(std::string(SandboxBuilder::kKeysBranch) + "\\3", "HotFixNumber", hotfixes);
  b.SetString("Software\\Velmar\\Orvin\\3", "HotFixNumber", hotfixes);
}

void AddServicesAndProcesses(SandboxBuilder& b) {
  struct DemoService {
    std::string_view name;
    std::string program;
    uint32_t process_id;
  };
  const std::string server_folder = "Program Files/Common Files/Velmar/Servidor/";
  const DemoService services[] = {
      {"VmSysInfoService", "Program Files/Velmar/SysInfo/VmSysInfoService.exe", 1204},
      {"svcOrvin", server_folder + "svcOrvin.exe", 1320},
      {"svcOrvinTareas", server_folder + "svcOrvinTareas.exe", 1348},
      {"svcOrvinMensajeria", server_folder + "svcOrvinMensajeria.exe", 1376},
  };

  b.AddProcess(SandboxProcess{0, "[System Process]", {}, 0, std::nullopt, true, {}});
  b.AddProcess(SandboxProcess{4, "System", {}, 0, std::string(kSystemAccount), true, {}});
  for (const DemoService& service : services) {
    const std::string program = b.FsPath(service.program);
    b.AddService(service.name, kServiceRunning, program);
    b.AddProcess(SandboxProcess{service.process_id, ExtractFileName(program), program, 0,
                                std::string(kSystemAccount), true, {}});
  }
  // One product service takes its time: two state queries see it pending.
  b.Service("svcOrvinTareas").on_stop = ServiceReaction{ServiceReaction::Kind::kPending, 2};
  b.Service("svcOrvinTareas").on_start = ServiceReaction{ServiceReaction::Kind::kPending, 2};

  const std::string explorer = b.FsPath("Windows/explorer.exe");
  b.AddFile(explorer, {});
  b.AddProcess(SandboxProcess{1840, "explorer.exe", explorer, 1, std::string(kDemoUser), true, {}});
  const std::string server = b.FsPath("Velmar/Llave1/Servidor/OrvinServer.exe");
  b.AddFile(server, {});
  b.AddProcess(SandboxProcess{2216, "OrvinServer.exe", server, 1, std::string(kDemoUser), true, {}});
  b.AddWindow("TServerForm");
}

void AddComPlus(SandboxBuilder& b) {
  SandboxComPlusApplication& server = b.AddComPlusApplication("ORVIN_Servidor");
  server.SetProperty("Description", std::string("Componentes del servidor Orvin"));
  server.SetProperty("ApplicationAccessChecksEnabled", true);
  server.SetProperty("AccessChecksLevel", int64_t{1});
  server.roles = {"Administradores", "Usuarios"};

  SandboxComPlusApplication& reports = b.AddComPlusApplication("ORVIN_Reportes");
  reports.SetProperty("Description", std::string("Informes de Orvin"));
  reports.SetProperty("Identity", std::string("NT Authority\\LocalService"));
  reports.SetProperty("RunForever", true);
  reports.roles = {"Usuarios"};

  SandboxComPlusApplication& utilities = b.AddComPlusApplication("COM+ Utilities");
  utilities.SetProperty("Description", std::string("Utilidades de COM+"));
}

}  // namespace

SandboxBuilder DemoMachine(std::string_view directory) {
  SandboxBuilder b(directory);
  SandboxState& m = b.machine();
  m.machine.computer_name = std::string(kDemoComputerName);
  m.machine.current_user = std::string(kDemoUser);
  m.machine.current_process_id = 5000;
  m.machine.current_session = 1;
  m.system.os = OsVersion{OsVersion::Platform::kNt, 6, 1, "Service Pack 1"};
  m.system.temp_folder = b.FsPath("Windows/Temp");
  m.system.system_folder = b.FsPath("Windows/System32");
  b.AddSqlLogin("sa", "Quiltor2000");

  AddMachineFolders(b);
  AddKeys(b);
  AddServicesAndProcesses(b);
  AddComPlus(b);
  return b;
}

}  // namespace hotfix
