#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/paths.h"
#include "log/uVmWriteToLog.h"
#include "support/fake_machine.h"
#include "support/temp_dir.h"

namespace hotfix::testing {

// A fake machine whose common data folder is a fresh temporary folder, with
// the log's per-thread settings forgotten before and after each test.
class LogTest : public ::testing::Test {
 protected:
  LogTest() : fake_(MakeFakeMachine()), scoped_(fake_.machine) {
    program_data_ = temp_.File("ProgramData");
    fake_.registry->SetValue(
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
        "Common AppData",
        RegistryValue{RegistryValue::Kind::kExpandString, "%ProgramData%", 0});
    fake_.processes->environment["ProgramData"] = program_data_;
    testing_hooks::ResetLogState();
  }
  ~LogTest() override { testing_hooks::ResetLogState(); }

  std::string MakerFolder() const { return JoinPath(program_data_, "Velmar") + kPathSeparator; }
  std::string LogIniPath() const { return MakerFolder() + "Log.Ini"; }
  std::string LogsFolder() const { return JoinPath(program_data_, "Velmar", "Logs") + kPathSeparator; }
  std::string LogPath() const { return LogsFolder() + "HotFix.log"; }

  // Writes "Log.Ini" (lines joined with CR LF, Windows-1252).
  void WriteLogIni(const std::vector<std::string>& lines);
  // A "Log.Ini" with an empty help section and these [GLOBAL] lines.
  void WriteGlobal(const std::vector<std::string>& global_lines);

  // The bytes of the log file ("" when it does not exist).
  std::string LogBytes() const;
  // The log file's lines, decoded; the last CR LF ends the last line.
  std::vector<std::string> LogLines() const;

  // A log line of the fake clock's time and this run's thread identifier.
  std::string Line(std::string_view tag, std::string_view text) const;
  // The five header lines as the writer produces them on the fake machine.
  std::vector<std::string> HeaderLines() const;

  TempDir temp_;
  FakeMachine fake_;
  ScopedCurrentMachine scoped_;
  std::string program_data_;
};

}  // namespace hotfix::testing
