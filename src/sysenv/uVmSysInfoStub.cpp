#include "sysenv/uVmSysInfoStub.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "base/exception.h"
#include "base/format.h"
#include "base/hex.h"
#include "base/ini_file.h"
#include "base/paths.h"
#include "base/text.h"
#include "log/uVmPaths.h"
#include "log/uVmWriteToLog.h"
#include "sysenv/Lib_SysInfo_Intf.h"
#include "sysenv/ports/machine.h"
#include "sysenv/sysinfo_tcp_channel.h"
#include "sysenv/uVmServiceControl.h"

namespace hotfix {
namespace {

constexpr char kErrorAnswerName[] = "SysInfoException";
constexpr char kServicesIni[] = "Services.Ini";
constexpr char kServicesSection[] = "SysInfoService";
constexpr char kReattemptsSleep[] = "ReattemptsSleep";
constexpr int kDefaultReattemptSeconds = 2;
// Longest pause honoured between two checks; a larger setting would hold the
// program for hours (or, multiplied into milliseconds, overflow).
constexpr int kMaxReattemptSeconds = 600;
constexpr int kMaxStateQueries = 4;

constexpr char kStateUnreadable[] =
    "No fue posible evaluar el estado del Servicio de Información del Sistema. \r\n"
    "Es necesario instalar y activar el servicio para que esta aplicación funcione \r\n"
    "adecuadamente.";
constexpr char kStateNotRunning[] =
    "El Servicio de Información del Sistema se encuentra en estado %s. \r\n"
    "Es necesario activar el servicio para que esta aplicación funcione adecuadamente.";

std::string StateName(int state) {
  switch (state) {
    case kServiceStopped: return "detenido";
    case kServiceStartPending: return "pendiente de inicio";
    case kServiceStopPending: return "pendiente de detenerse";
    case kServiceRunning: return "";
    case kServiceContinuePending: return "pendiente de continuar";
    case kServicePausePending: return "pendiente de pausado";
    case kServicePaused: return "pausado";
    default: return "desconocido";
  }
}

// The pause between two checks of a stopped service, from "Services.Ini" in
// the maker's data folder; a missing or unreadable setting is written back
// as 2 seconds.
int ReattemptPauseMs() {
  const std::string path = JoinPath(TVmPaths::GetDataFolder(""), kServicesIni);
  std::error_code error;
  if (!std::filesystem::exists(ToFsPath(path), error)) return kDefaultReattemptSeconds * 1000;
  IniFile ini(path);
  int seconds = ini.ReadInteger(kServicesSection, kReattemptsSleep, -1);
  if (seconds == -1) {
    seconds = kDefaultReattemptSeconds;
    try {
      ini.WriteInteger(kServicesSection, kReattemptsSleep, seconds);
    } catch (const std::exception& write_error) {
      TManagedLogFile::WriteException(ltError, "TVmSysInfoStub.ReattemptsSleep", write_error);
    }
  }
  return std::clamp(seconds, 0, kMaxReattemptSeconds) * 1000;
}

// Makes sure the SysInfo Windows service runs; raises with the state's
// message otherwise.
void CheckSysInfoService() {
  Clock& clock = CurrentMachine().clock();
  int state = kServiceStateUnknown;
  int pause_ms = -1;
  for (int query = 1; query <= kMaxStateQueries; ++query) {
    if (!ServiceGetStatus(kSysInfoServiceName, state)) throw Exception(kStateUnreadable);
    if (state != kServiceStopped) break;
    if (pause_ms < 0) pause_ms = ReattemptPauseMs();
    clock.Sleep(pause_ms);
  }
  if (state != kServiceRunning) throw Exception(Format(kStateNotRunning, StateName(state)));
}

// One question: service check, connection, operation. Never raises.
std::string Ask(const char* operation_name, const std::function<std::string(Svr_SysInfo&)>& operation) {
  const std::string log_name = std::string("TVmSysInfoStub.") + operation_name;
  TManagedLogFile::Write(ltStart, log_name);
  std::string answer;
  try {
    SysInfoClientMessage message;
    SysInfoTcpChannel channel(CurrentMachine().system_info().SysInfoEndpoint(), kSysInfoChannelKey);
    CheckSysInfoService();
    const std::unique_ptr<Svr_SysInfo> client = CoSvr_SysInfo::Create(message, channel);
    answer = operation(*client);
  } catch (const std::exception& error) {
    TManagedLogFile::WriteException(ltError, log_name, error);
    answer = SysInfoErrorAnswer(error.what());
  }
  TManagedLogFile::Write(ltDown, log_name);
  return answer;
}

struct CachedAnswer {
  std::string hex;
  double read_at = 0;  // local time, as days
};

constexpr char kPlatformCacheName[] = "Server";
constexpr double kCacheLifeDays = 1.0 / 1440;  // one minute

std::map<std::string, CachedAnswer>& PlatformCache() {
  static std::map<std::string, CachedAnswer> cache;
  return cache;
}

}  // namespace

std::string SysInfoErrorAnswer(std::string_view message) {
  return std::string(kErrorAnswerName) + "=" + ReplaceAll(message, "\r\n", "");
}

std::string TVmSysInfoStub::QueryServer(std::string_view hl_number, int option) {
  const std::string key(hl_number);
  return Ask("QueryServer", [&](Svr_SysInfo& client) { return client.GetServer(key, option); });
}

std::string TVmSysInfoStub::QueryServers(int type_system) {
  return Ask("QueryServers", [&](Svr_SysInfo& client) { return client.GetServers(type_system); });
}

std::string TVmSysInfoStub::QueryPlatformServer() {
  auto& cache = PlatformCache();
  const double now = CurrentMachine().clock().Now().ToSerial();
  if (auto entry = cache.find(kPlatformCacheName); entry != cache.end()) {
    const double age = now - entry->second.read_at;
    // A clock set back makes the age negative; such an entry is stale too.
    if (age >= 0 && age <= kCacheLifeDays) return HexToBytes(entry->second.hex);
    cache.erase(entry);
  }
  std::string answer =
      Ask("QueryPlatformServer", [](Svr_SysInfo& client) { return client.GetPlatformServer(); });
  cache.erase(kPlatformCacheName);
  if (answer.find(kErrorAnswerName) == std::string::npos) {
    cache[kPlatformCacheName] =
        CachedAnswer{BytesToHex(answer), CurrentMachine().clock().Now().ToSerial()};
  }
  return answer;
}

namespace testing_hooks {
void ResetSysInfoCache() { PlatformCache().clear(); }
}  // namespace testing_hooks

}  // namespace hotfix
