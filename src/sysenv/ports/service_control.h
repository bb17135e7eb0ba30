#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace hotfix {

// The service control manager of the local machine.

// Access rights asked for when a service is opened (combinable).
enum ServiceAccess : uint32_t {
  kServiceQueryConfig = 0x0001,
  kServiceChangeConfig = 0x0002,
  kServiceQueryStatus = 0x0004,
  kServiceStart = 0x0010,
  kServiceStop = 0x0020,
  kServicePauseContinue = 0x0040,
};

enum class ServiceControlCode { kStop, kContinue };

// The state numbers the manager reports.
enum ServiceState : int {
  kServiceStateUnknown = 0,
  kServiceStopped = 1,
  kServiceStartPending = 2,
  kServiceStopPending = 3,
  kServiceRunning = 4,
  kServiceContinuePending = 5,
  kServicePausePending = 6,
  kServicePaused = 7,
};

// One open service; closing happens when the handle is destroyed.
class ServiceHandle {
 public:
  virtual ~ServiceHandle() = default;
  // The state number as reported (any value), or nothing when the query fails.
  virtual std::optional<int> QueryState() = 0;
  virtual bool Start() = 0;
  virtual bool Control(ServiceControlCode code) = 0;
  // The configured command text of the service. The answer is nothing when
  // the buffer of `buffer_size` bytes is too small, with `needed_size` set.
  // Any other failure raises EOSError.
  virtual std::optional<std::string> QueryBinaryPath(uint32_t buffer_size,
                                                     uint32_t& needed_size) = 0;
};

class ServiceControl {
 public:
  virtual ~ServiceControl() = default;
  // Opens the manager (connect rights) and the service with the rights asked;
  // nothing when either does not open (not installed, access denied).
  virtual std::unique_ptr<ServiceHandle> OpenService(std::string_view name, uint32_t access) = 0;
};

}  // namespace hotfix
