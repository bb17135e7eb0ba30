#include <chrono>
#include <ctime>
#include <thread>

#include "sysenv/ports/sandbox_backends.h"
#include "sysenv/ports/system_info.h"

namespace hotfix {
namespace {

// The real clock of the machine the sandbox runs on.
class RealClock : public Clock {
 public:
  DateTime Now() override {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                    local.tm_min,         local.tm_sec,     static_cast<int>(millis.count())};
  }

  uint64_t TickCountMs() override {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  }

  void Sleep(int milliseconds) override {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

}  // namespace

std::unique_ptr<Clock> NewSandboxClock() { return std::make_unique<RealClock>(); }

}  // namespace hotfix
