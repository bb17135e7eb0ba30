#include "sysinfo_registry_service.h"

#include <vector>

#include "base/text.h"
#include "sysenv/sysinfo_errors.h"

namespace hotfix {
namespace {

// The lines of a key's ordinary data, in this order; "HlNumber" is the key's name.
const char* const kServerValueNames[] = {
    "ServerSystemDir", "ConfigDir", "ServerVersion", "TipoSistema", "CountryCustomization",
    "DictionaryName",
};
constexpr char kDictionaryConnection[] = "DictionaryCnxnStr";

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

[[noreturn]] void NotSupported(const char* interface_name, const char* operation) {
  throw ESysInfoNotSupported(std::string("La operación \"") + interface_name + "." + operation +
                             "\" no está soportada por este servicio.");
}

}  // namespace

std::string SysInfoRegistryService::ReadText(const std::string& path, const char* name) {
  const std::optional<RegistryValue> value = registry_.ReadValue(path, name);
  if (!value) return "";
  if (value->kind == RegistryValue::Kind::kDWord) return std::to_string(value->dword);
  return value->text;
}

std::string SysInfoRegistryService::GetServers(int32_t /*type_system*/) {
  return JoinCrLf(registry_.SubKeyNames(kSysInfoKeysBranch).value_or(std::vector<std::string>{}));
}

std::string SysInfoRegistryService::GetServer(const std::string& hl_number, int32_t data_option) {
  // A key number is one subkey name; a separator would reach elsewhere.
  const std::string path = std::string(kSysInfoKeysBranch) + hl_number;
  if (TrimView(hl_number).empty() || hl_number.find('\\') != std::string::npos ||
      !registry_.KeyExists(path)) {
    throw ESysInfoKeyNotFound("La llave \"" + hl_number + "\" no está registrada en este equipo.");
  }
  if (data_option == 2) return std::string(kDictionaryConnection) + "=" + ReadText(path, kDictionaryConnection);
  if (data_option != 0 && data_option != 1) {
    throw ESysInfoError("Opción de datos " + std::to_string(data_option) + " no válida para GetServer.");
  }
  std::vector<std::string> lines{"HlNumber=" + hl_number};
  for (const char* name : kServerValueNames) lines.push_back(std::string(name) + "=" + ReadText(path, name));
  return JoinCrLf(lines);
}

std::string SysInfoRegistryService::GetPlatformServer() {
  return std::string(kSysInfoPlatformValue) + "=" + ReadText(kSysInfoPlatformKey, kSysInfoPlatformValue);
}

std::string SysInfoRegistryService::GetClients(int32_t) { NotSupported(kSvrSysInfoName, "GetClients"); }
std::string SysInfoRegistryService::GetClient(const std::string&, const std::string&, int32_t) {
  NotSupported(kSvrSysInfoName, "GetClient");
}
bool SysInfoRegistryService::SetClient(const std::string&, const std::string&, const std::string&) {
  NotSupported(kSvrSysInfoName, "SetClient");
}
bool SysInfoRegistryService::SetServer(const std::string&, const std::string&, const std::string&) {
  NotSupported(kSvrSysInfoName, "SetServer");
}
bool SysInfoRegistryService::SetClientCurrentUser(const std::string&, const std::string&,
                                                  const std::string&) {
  NotSupported(kSvrSysInfoName, "SetClientCurrentUser");
}
std::string SysInfoRegistryService::Execute(const std::string&, const std::string&, std::string&) {
  NotSupported(kSvrSysInfoName, "Execute");
}
bool SysInfoRegistryService::SetPlatformServer(const std::string&) {
  NotSupported(kSvrSysInfoName, "SetPlatformServer");
}
std::string SysInfoRegistryService::GetPlatformClient() {
  NotSupported(kSvrSysInfoName, "GetPlatformClient");
}
bool SysInfoRegistryService::SetPlatformClient(const std::string&) {
  NotSupported(kSvrSysInfoName, "SetPlatformClient");
}

bool SysInfoRegistryService::GetServices(ServiceList&) { NotSupported(kSvcSysAdminName, "GetServices"); }
void SysInfoRegistryService::InterruptServices() { NotSupported(kSvcSysAdminName, "InterruptServices"); }
void SysInfoRegistryService::ReleaseServices() { NotSupported(kSvcSysAdminName, "ReleaseServices"); }
bool SysInfoRegistryService::ServicesInterrupted() {
  NotSupported(kSvcSysAdminName, "ServicesInterrupted");
}

}  // namespace hotfix
