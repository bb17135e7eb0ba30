#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hotfix {

// How an append opens its file: the file that is there, or a new one when
// there was none (an existing file is never truncated).
enum class AppendOpenMode { kOpenExisting, kCreate };

// Appends bytes at the end of a file opened for writing without sharing:
// while it is open no other writer of this program can open it (on Windows no
// program at all). False when the file could not be opened, is held by
// another writer, or could not be written; a failed write leaves the file as
// it was before the call.
bool AppendExclusive(const std::string& path, std::string_view bytes, AppendOpenMode mode);

// Keeps an existing file open without sharing for the life of the object, so
// the writers above find it busy.
class ExclusiveFileHold {
 public:
  explicit ExclusiveFileHold(const std::string& path);
  ~ExclusiveFileHold();
  ExclusiveFileHold(const ExclusiveFileHold&) = delete;
  ExclusiveFileHold& operator=(const ExclusiveFileHold&) = delete;

  // Whether the file is held (false when it could not be opened or another
  // writer holds it).
  bool held() const { return handle_ != kNoHandle; }
  void Release();

 private:
  static constexpr intptr_t kNoHandle = -1;
  intptr_t handle_ = kNoHandle;
};

}  // namespace hotfix
