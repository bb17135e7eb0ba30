#pragma once

#include <string>
#include <string_view>

namespace hotfix {

// The SysInfo service's Windows service name.
inline constexpr char kSysInfoServiceName[] = "VmSysInfoService";

// The client side of one question to the SysInfo service. Each question
// checks that the service runs (waiting for a stopped one a few times), opens
// its own connection and closes it. No operation raises: a failure becomes the
// error answer "SysInfoException=" + its message without CR LF pairs.
class TVmSysInfoStub {
 public:
  TVmSysInfoStub() = delete;

  // "GetServer": the key's Name=Value lines for the data option.
  static std::string QueryServer(std::string_view hl_number, int option);
  // "GetServers": key numbers, one per line.
  static std::string QueryServers(int type_system);
  // "GetPlatformServer", answered from the process's one-minute cache when
  // it holds a fresh answer.
  static std::string QueryPlatformServer();
};

// The error answer of a failure message.
std::string SysInfoErrorAnswer(std::string_view message);

namespace testing_hooks {
// Empties the platform answer cache, as a new run of the program would.
void ResetSysInfoCache();
}  // namespace testing_hooks

}  // namespace hotfix
