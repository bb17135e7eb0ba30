#pragma once

#include <cstdint>
#include <string>

#include "base/date_time.h"

namespace hotfix {

struct OsVersion {
  enum class Platform { kWin32s, kWindows9x, kNt, kOther };
  Platform platform = Platform::kNt;
  uint32_t major = 0;
  uint32_t minor = 0;
  std::string service_pack;  // the CSD text
};

struct Endpoint {
  std::string host;
  uint16_t port = 0;
};

// Facts about the machine and its folders.
class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  virtual OsVersion GetOsVersion() = 0;
  virtual std::string TempFolder() = 0;            // with a trailing separator
  virtual std::string WindowsSystemFolder() = 0;   // with a trailing separator
  // Where the SysInfo service listens (127.0.0.1:9097 on Windows).
  virtual Endpoint SysInfoEndpoint() = 0;
  // The version stamped into the running program ("1.0.0.0").
  virtual std::string ProgramVersion() = 0;
};

// Time as the program sees it; tests replace it to make waits instant and
// time-dependent rules testable.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime Now() = 0;          // local time
  virtual uint64_t TickCountMs() = 0;  // monotonic milliseconds
  virtual void Sleep(int milliseconds) = 0;
};

}  // namespace hotfix
