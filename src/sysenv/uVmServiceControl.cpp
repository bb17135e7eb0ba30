#include "sysenv/uVmServiceControl.h"

#include "base/exception.h"
#include "sysenv/ports/machine.h"

namespace hotfix {
namespace {

constexpr uint32_t kInitialConfigBuffer = 4096;

ServiceControl& CurrentManager() { return CurrentMachine().services(); }

}  // namespace

bool ServiceStart(ServiceControl& manager, std::string_view name) {
  // Continuing a paused service needs the pause-continue right besides the start right.
  const auto service = manager.OpenService(
      name, kServiceQueryConfig | kServiceChangeConfig | kServiceQueryStatus | kServiceStart |
                kServicePauseContinue);
  if (!service) return false;
  const std::optional<int> state = service->QueryState();
  if (!state) return true;
  switch (*state) {
    case kServiceStopped:
    case kServiceStopPending:
      return service->Start();
    case kServicePausePending:
    case kServicePaused:
      return service->Control(ServiceControlCode::kContinue);
    default:
      return true;
  }
}

bool ServiceStop(ServiceControl& manager, std::string_view name) {
  const auto service =
      manager.OpenService(name, kServiceQueryConfig | kServiceQueryStatus | kServiceStop);
  if (!service) return false;
  const std::optional<int> state = service->QueryState();
  if (!state) return true;
  switch (*state) {
    case kServiceStartPending:
    case kServiceRunning:
    case kServiceContinuePending:
    case kServicePausePending:
    case kServicePaused:
      return service->Control(ServiceControlCode::kStop);
    default:
      return true;
  }
}

bool ServiceExists(ServiceControl& manager, std::string_view name) {
  return manager.OpenService(name, kServiceQueryStatus) != nullptr;
}

bool ServiceGetStatus(ServiceControl& manager, std::string_view name, int& state) {
  state = kServiceStateUnknown;
  const auto service = manager.OpenService(name, kServiceQueryStatus);
  if (!service) return false;
  const std::optional<int> reported = service->QueryState();
  if (!reported) return false;
  state = *reported >= kServiceStopped && *reported <= kServicePaused ? *reported
                                                                       : kServiceStateUnknown;
  return true;
}

bool ServiceGetBinaryPath(ServiceControl& manager, std::string_view name, std::string& path) {
  path.clear();
  const auto service = manager.OpenService(name, kServiceQueryConfig);
  if (!service) return false;
  uint32_t size = kInitialConfigBuffer;
  while (true) {
    uint32_t needed = 0;
    if (auto text = service->QueryBinaryPath(size, needed)) {
      path = std::move(*text);
      return true;
    }
    // The manager asks for more room; a request that does not grow would
    // repeat for ever.
    if (needed <= size) {
      throw EOSError("El administrador de servicios pidió un búfer no mayor que el ofrecido.");
    }
    size = needed;
  }
}

bool ServiceStart(std::string_view name) { return ServiceStart(CurrentManager(), name); }
bool ServiceStop(std::string_view name) { return ServiceStop(CurrentManager(), name); }
bool ServiceExists(std::string_view name) { return ServiceExists(CurrentManager(), name); }
bool ServiceGetStatus(std::string_view name, int& state) {
  return ServiceGetStatus(CurrentManager(), name, state);
}
bool ServiceGetBinaryPath(std::string_view name, std::string& path) {
  return ServiceGetBinaryPath(CurrentManager(), name, path);
}

}  // namespace hotfix
