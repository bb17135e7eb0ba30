// sysinfo-service: the SysInfo service of a sandbox machine, on the loopback
// interface. Once it listens it writes "127.0.0.1:PORT" on a line of its
// standard output; every request gets one line on standard error.

#include <CLI/CLI.hpp>

#include <iostream>
#include <mutex>

#include "base/exception.h"
#include "sysenv/ports/sandbox_machine.h"
#include "sysenv/sysinfo_channel.h"
#include "sysinfo_registry_service.h"
#include "sysinfo_request_handler.h"
#include "sysinfo_server.h"

namespace hotfix {
namespace {

int Main(int argc, char** argv) {
  CLI::App app{"sysinfo-service: Servicio de Información del Sistema de una máquina de prueba"};
  std::string sandbox;
  int port = -1;
  std::string key = kSysInfoChannelKey;
  app.add_option("--sandbox", sandbox, "Carpeta de la máquina de prueba")->required();
  app.add_option("--port", port,
                 "Puerto TCP en 127.0.0.1 (por defecto el de la máquina; 0: uno libre cualquiera)")
      ->check(CLI::Range(0, 65535));
  app.add_option("--key", key, "Clave del canal cifrado, 32 dígitos hexadecimales (pruebas)");
  SysInfoServerLimits limits;
  app.add_option("--read-timeout-ms", limits.read_ms,
                 "Plazo para recibir una consulta completa, en milisegundos")
      ->check(CLI::Range(1, 600000));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : 2;
  }

  try {
    std::unique_ptr<Machine> machine = OpenSandboxMachine(sandbox);
    const uint16_t wanted =
        port >= 0 ? static_cast<uint16_t>(port) : machine->system_info().SysInfoEndpoint().port;
    SysInfoRegistryService service(machine->registry());
    SysInfoRequestHandler handler(service, service, key);
    std::mutex log_mutex;
    SysInfoServer server(handler, [&](const std::string& line) {
      std::lock_guard<std::mutex> lock(log_mutex);
      std::cerr << "sysinfo-service: " << line << std::endl;
    }, limits);
    server.StopOnSignals();
    const uint16_t bound = server.Listen(wanted);
    std::cerr << "sysinfo-service: escuchando en 127.0.0.1:" << bound << " (máquina " << sandbox
              << ")" << std::endl;
    std::cout << "127.0.0.1:" << bound << std::endl;
    server.Run();
    std::cerr << "sysinfo-service: detenido" << std::endl;
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "sysinfo-service: " << error.what() << std::endl;
    return 1;
  }
}

}  // namespace
}  // namespace hotfix

int main(int argc, char** argv) { return hotfix::Main(argc, argv); }
