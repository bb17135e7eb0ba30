#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/format.h"  // BoolText

namespace hotfix {

// The computer's NetBIOS name.
std::string ComputerName();
// ComputerName, followed by "{" + session name + "}" outside the console
// session ("MAQ01{RDP-Tcp#3}").
std::string ComputerSessionName();
// The system's temporary folder.
std::string TempFolder();
// A new GUID as 32 hexadecimal digits, with "." + the trimmed extension when
// there is one.
std::string UniqueFileName(std::string_view extension);
// TempFolder + UniqueFileName.
std::string TempFileName(std::string_view extension);

// Who runs the program and who owns the desktop it would show messages on.
// The first question runs the interactive check, which looks at the owners
// and sessions of the running processes; its answers are kept for the life of
// the process. Failures raise Exception with the failing step's name; every
// step is logged at ltTech.
class TVmWinUser {
 public:
  TVmWinUser() = delete;

  // DOMAIN\user of the running program.
  static std::string getCurrentUserName();
  // DOMAIN\user of the desktop shell's owner (empty when no shell runs).
  static std::string getInteractiveUserName();
  // The desktop shell's program file name (explorer.exe, or rdpshell.exe in
  // a remote application).
  static std::string getShellName();
  // Whether the user who would see a message box is the one running the program.
  static bool isUserInteractive();

  // Forgets every cached answer (tests switch machines).
  static void ResetCache();

 private:
  static bool Internal_isUserInteractive();
  static std::string Internal_getCurrentUserName();
  static std::string Internal_getShellName();
  static std::string Internal_getInteractiveUserName();
  static std::vector<std::string> Internal_getOwnersFromProcessName(const std::string& name);
  static bool Internal_getUserAndDomainFromPID(uint32_t process_id, std::string& user,
                                               std::string& domain);
  static uint32_t Internal_getSessionIdfromProccessId(uint32_t process_id);
  static uint32_t Internal_GetSessionIdfromProccessId();
  static std::vector<std::string> Internal_getSessionsIdsFromProcessName(const std::string& name);
  static bool Internal_isProcessExists(const std::string& name);
  static bool Internal_isProcessOwner(const std::string& process_name, const std::string& user);
  static bool Internal_isRunningAsDiferentUser(const std::string& shell);
};

}  // namespace hotfix
