// Exclusive appends on POSIX systems: an advisory whole-file lock (flock),
// which every writer of this program takes before it writes.

#include "log/exclusive_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace hotfix {
namespace {

// Opens the file and takes its exclusive lock without waiting; -1 on failure.
int OpenLocked(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace

bool AppendExclusive(const std::string& path, std::string_view bytes, AppendOpenMode mode) {
  const int flags = O_WRONLY | (mode == AppendOpenMode::kCreate ? O_CREAT : 0);
  const int fd = OpenLocked(path, flags);
  if (fd < 0) return false;
  bool ok = false;
  const off_t end = ::lseek(fd, 0, SEEK_END);
  if (end >= 0) {
    ok = WriteAll(fd, bytes);
    if (!ok && ::ftruncate(fd, end) != 0) {
      // Nothing more can be done; the caller reports the entry as lost.
    }
  }
  if (::close(fd) != 0) ok = false;
  return ok;
}

ExclusiveFileHold::ExclusiveFileHold(const std::string& path) {
  const int fd = OpenLocked(path, O_WRONLY);
  if (fd >= 0) handle_ = fd;
}

ExclusiveFileHold::~ExclusiveFileHold() { Release(); }

void ExclusiveFileHold::Release() {
  if (handle_ == kNoHandle) return;
  ::close(static_cast<int>(handle_));
  handle_ = kNoHandle;
}

}  // namespace hotfix
