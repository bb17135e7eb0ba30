#include "sysenv/in_process_sysinfo_service.h"

namespace hotfix::testing {

InProcessSysInfoService::InProcessSysInfoService(std::string key_text, SysInfoServerLimits limits)
    : service_(registry_),
      handler_(service_, service_, key_text),
      server_(
          handler_,
          [this](const std::string& line) {
            std::lock_guard<std::mutex> lock(mutex_);
            log_.push_back(line);
          },
          limits) {
  const std::string branch = kSysInfoKeysBranch;
  registry_.SetString(branch + "2", "ServersystemDir", "C:\\Velmar\\Llave2\\Sistema");
  registry_.SetString(branch + "10", "ServerVersion", "9.70.001.000");
  registry_.SetString(branch + "1", "ServerSystemDir", "C:\\Velmar\\Llave1\\Sistema");
  registry_.SetString(branch + "1", "ConfigDir", "C:\\Velmar\\Llave1\\Config<S>");
  registry_.SetString(branch + "1", "ServerVersion", "10.00.000.000");
  registry_.SetString(branch + "1", "TipoSistema", "RESTO");
  registry_.SetString(branch + "1", "CountryCustomization", "CL");
  registry_.SetString(branch + "1", "DictionaryName", "DICC_1");
  registry_.SetString(branch + "1", "DictionaryCnxnStr",
                      "Provider=SQLOLEDB.1;Data Source=SANDBOX;Initial Catalog=DICC_1");
  registry_.SetString(kSysInfoPlatformKey, kSysInfoPlatformValue,
                      "C:\\Archivos comunes\\Velmar\\Servidor");
  port_ = server_.Listen(0);
  thread_ = std::thread([this] { server_.Run(); });
}

InProcessSysInfoService::~InProcessSysInfoService() {
  server_.Stop();
  thread_.join();
}

std::vector<std::string> InProcessSysInfoService::log() {
  std::lock_guard<std::mutex> lock(mutex_);
  return log_;
}

}  // namespace hotfix::testing
