#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hotfix::testing {

// The real sysinfo-service program serving a sandbox folder on a free
// loopback port (or, with `sandbox_port`, on the port the sandbox names):
// started by the constructor, which waits (at most 10 s) for the address it
// prints once it listens; stopped with SIGTERM by Stop or the destructor. Its
// standard error goes to a file beside the sandbox.
class SysInfoServiceProcess {
 public:
  SysInfoServiceProcess(const std::string& sandbox, const std::vector<std::string>& extra_args = {},
                        bool sandbox_port = false);
  ~SysInfoServiceProcess();
  SysInfoServiceProcess(const SysInfoServiceProcess&) = delete;
  SysInfoServiceProcess& operator=(const SysInfoServiceProcess&) = delete;

  uint16_t port() const { return port_; }
  // What it wrote to its standard error so far.
  std::string ErrorOutput() const;
  // Sends SIGTERM (or the signal given) and waits (at most 10 s, then
  // SIGKILL); answers the exit status, or -1 when it did not end by itself.
  int Stop();
  int StopWith(int signal_number);

 private:
  int pid_ = -1;
  uint16_t port_ = 0;
  std::string error_file_;
};

}  // namespace hotfix::testing
