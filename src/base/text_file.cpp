#include "base/text_file.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/codepage.h"
#include "base/guid.h"
#include "base/paths.h"
#include "base/text.h"

namespace hotfix {
namespace {

std::atomic<long long> g_fail_after{-1};

}  // namespace

namespace testing_hooks {
void SetAtomicWriteFailureAfter(long long bytes) { g_fail_after = bytes; }
}  // namespace testing_hooks

std::optional<std::string> ReadFileBytes(const std::string& path) {
  std::ifstream in(ToFsPath(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error) {
  namespace fs = std::filesystem;
  const fs::path target = ToFsPath(path);
  fs::path temp = target;
  temp += ".tmp-" + GuidToHex32(NewGuid()).substr(0, 12);
  auto fail = [&](const std::string& reason) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    if (error) *error = reason;
    return false;
  };
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return fail("no se pudo crear " + FromFsPath(temp));
    const long long fail_after = g_fail_after.load();
    if (fail_after >= 0 && static_cast<size_t>(fail_after) < bytes.size()) {
      out.write(bytes.data(), static_cast<std::streamsize>(fail_after));
      out.close();
      return fail("no hay espacio en el disco");
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) return fail("no se pudo escribir " + FromFsPath(temp));
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) return fail("no se pudo reemplazar " + path + ": " + ec.message());
  return true;
}

std::optional<std::vector<std::string>> ReadCp1252Lines(const std::string& path) {
  auto bytes = ReadFileBytes(path);
  if (!bytes) return std::nullopt;
  return SplitLines(Cp1252ToUtf8(*bytes));
}

bool WriteCp1252Lines(const std::string& path, const std::vector<std::string>& lines,
                      std::string* error) {
  return WriteFileAtomic(path, Utf8ToCp1252(JoinLinesCrLf(lines)), error);
}

}  // namespace hotfix
