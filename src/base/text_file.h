#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hotfix {

// Whole-file reads and atomic replacement. A replacement writes a temporary
// file beside the target and renames it over the target, so a reader sees
// either the old file or the new one, never a half-written one.

// The file's bytes, or nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path);

// Writes the bytes atomically; false (with the reason in `error` when given)
// when the file could not be replaced. The previous file is then untouched.
bool WriteFileAtomic(const std::string& path, std::string_view bytes,
                     std::string* error = nullptr);

// A Windows-1252 text file as UTF-8 lines (CR LF, CR or LF breaks).
std::optional<std::vector<std::string>> ReadCp1252Lines(const std::string& path);
// Writes UTF-8 lines as Windows-1252, each followed by CR LF, atomically.
bool WriteCp1252Lines(const std::string& path, const std::vector<std::string>& lines,
                      std::string* error = nullptr);

namespace testing_hooks {
// Makes the next atomic writes fail after `bytes` bytes of the temporary file
// have been written, as a full disk would; a negative value switches it off.
void SetAtomicWriteFailureAfter(long long bytes);
}  // namespace testing_hooks

}  // namespace hotfix
