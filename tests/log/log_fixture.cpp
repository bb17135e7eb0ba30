#include "log/log_fixture.h"

#include <filesystem>

#include "base/codepage.h"
#include "base/text.h"

namespace hotfix::testing {

void LogTest::WriteLogIni(const std::vector<std::string>& lines) {
  WriteBytes(LogIniPath(), Utf8ToCp1252(JoinLinesCrLf(lines)));
}

void LogTest::WriteGlobal(const std::vector<std::string>& global_lines) {
  std::vector<std::string> lines{"[LogFileHelp]", "[GLOBAL]"};
  lines.insert(lines.end(), global_lines.begin(), global_lines.end());
  WriteLogIni(lines);
}

std::string LogTest::LogBytes() const {
  std::error_code error;
  if (!std::filesystem::exists(ToFsPath(LogPath()), error)) return {};
  return ReadBytes(LogPath());
}

std::vector<std::string> LogTest::LogLines() const {
  return SplitLines(Cp1252ToUtf8(LogBytes()));
}

std::string LogTest::Line(std::string_view tag, std::string_view text) const {
  return FormatLogTimestamp(fake_.clock->now) + " | " + LogThreadIdentifier(fake_.clock->now) +
         " | " + std::string(tag) + " | " + std::string(text);
}

std::vector<std::string> LogTest::HeaderLines() const {
  const std::string rule(50, '*');
  return {
      Line("T_AUDI", rule),
      Line("T_AUDI", "File:           " + fake_.processes->program_path),
      Line("T_AUDI", "File Version:   " + fake_.system_info->program_version),
      Line("T_AUDI", "OS Version:     WinVista"),
      Line("T_AUDI", rule),
  };
}

}  // namespace hotfix::testing
