#pragma once

#include <string>

namespace hotfix {

// An exclusive lock between the processes that change one sandbox folder
// (the program, hftool, the SysInfo service): held for the life of the
// object. Raises EOSError when the lock file cannot be opened.
class SandboxLock {
 public:
  explicit SandboxLock(const std::string& lock_file);
  ~SandboxLock();
  SandboxLock(const SandboxLock&) = delete;
  SandboxLock& operator=(const SandboxLock&) = delete;

 private:
  int descriptor_ = -1;
};

}  // namespace hotfix
