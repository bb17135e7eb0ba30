// Exclusive appends on Windows: the file is opened with no sharing at all.

#include "log/exclusive_file.h"

#include <windows.h>

#include <string>

namespace hotfix {
namespace {

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                         nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        size);
  return wide;
}

HANDLE OpenUnshared(const std::string& path, DWORD disposition) {
  return ::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(bytes.size() > 0x10000000 ? 0x10000000 : bytes.size());
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace

bool AppendExclusive(const std::string& path, std::string_view bytes, AppendOpenMode mode) {
  const HANDLE file =
      OpenUnshared(path, mode == AppendOpenMode::kCreate ? OPEN_ALWAYS : OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  LARGE_INTEGER zero{};
  LARGE_INTEGER end{};
  if (::SetFilePointerEx(file, zero, &end, FILE_END)) {
    ok = WriteAll(file, bytes);
    if (!ok && ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN)) ::SetEndOfFile(file);
  }
  if (!::CloseHandle(file)) ok = false;
  return ok;
}

ExclusiveFileHold::ExclusiveFileHold(const std::string& path) {
  const HANDLE file = OpenUnshared(path, OPEN_EXISTING);
  if (file != INVALID_HANDLE_VALUE) handle_ = reinterpret_cast<intptr_t>(file);
}

ExclusiveFileHold::~ExclusiveFileHold() { Release(); }

void ExclusiveFileHold::Release() {
  if (handle_ == kNoHandle) return;
  ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = kNoHandle;
}

}  // namespace hotfix
