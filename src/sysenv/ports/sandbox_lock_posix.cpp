#include "sysenv/ports/sandbox_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/exception.h"

namespace hotfix {

SandboxLock::SandboxLock(const std::string& lock_file) {
  descriptor_ = ::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (descriptor_ < 0) {
    throw EOSError("No se pudo abrir " + lock_file + ": " + std::strerror(errno));
  }
  while (::flock(descriptor_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      const int error = errno;
      ::close(descriptor_);
      throw EOSError("No se pudo bloquear " + lock_file + ": " + std::strerror(error));
    }
  }
}

SandboxLock::~SandboxLock() {
  if (descriptor_ >= 0) {
    ::flock(descriptor_, LOCK_UN);
    ::close(descriptor_);
  }
}

}  // namespace hotfix
