#include <gtest/gtest.h>

#include <sstream>

#include "base/codepage.h"
#include "base/paths.h"
#include "base/text.h"
#include "log/uVmWriteToLog.h"
#include "log_user_commands.h"
#include "support/fake_machine.h"
#include "support/temp_dir.h"
#include "sysenv/uVmWinUser.h"

namespace hotfix::testing {
namespace {

class LogUserCommandsTest : public ::testing::Test {
 protected:
  LogUserCommandsTest() : fake_(MakeFakeMachine()), scoped_(fake_.machine) {
    fake_.registry->SetString(
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
        "Common AppData", temp_.path());
    testing_hooks::ResetLogState();
    TVmWinUser::ResetCache();
  }
  ~LogUserCommandsTest() override {
    testing_hooks::ResetLogState();
    TVmWinUser::ResetCache();
  }

  TempDir temp_;
  FakeMachine fake_;
  ScopedCurrentMachine scoped_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(LogUserCommandsTest, LogWritePrintsWhetherTheLineWasWritten) {
  EXPECT_EQ(hftool::RunLogWrite("ltError", "Falló", out_, err_), hftool::kExitOk);
  EXPECT_EQ(hftool::RunLogWrite("ltAudit", "Paso", out_, err_), hftool::kExitOk);
  EXPECT_EQ(out_.str(), "True\nFalse\n");

  const std::string log = ReadBytes(JoinPath(temp_.path(), "Velmar", "Logs", "HotFix.log"));
  EXPECT_EQ(SplitLines(Cp1252ToUtf8(log)).back(),
            "2026/12/11 10:30:00:000 | 437500 | #EXCEP | Falló");
}

TEST_F(LogUserCommandsTest, LogWriteRejectsAnUnknownLevel) {
  EXPECT_EQ(hftool::RunLogWrite("ltNada", "x", out_, err_), hftool::kExitUsage);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(err_.str().rfind("Nivel de log desconocido: ltNada.", 0), 0u) << err_.str();
}

TEST_F(LogUserCommandsTest, WhoAmIPrintsTheSessionUser) {
  fake_.processes->processes.clear();
  fake_.processes->Add(0, "[System Process]", 0, "");
  fake_.processes->Add(100, "explorer.exe", 1, "MAQ01\\Tecnico");
  fake_.processes->environment["SESSIONNAME"] = "RDP-Tcp#3";

  EXPECT_EQ(hftool::RunWhoAmI(out_), hftool::kExitOk);
  EXPECT_EQ(out_.str(),
            "CurrentUser=MAQ01\\Tecnico\n"
            "InteractiveUser=MAQ01\\Tecnico\n"
            "ShellName=explorer.exe\n"
            "IsInteractiveUser=True\n"
            "ComputerSessionName=MAQ01{RDP-Tcp#3}\n");
}

}  // namespace
}  // namespace hotfix::testing
