#include "sysenv/uVmWinUser.h"

#include <algorithm>
#include <mutex>

#include "base/exception.h"
#include "base/guid.h"
#include "base/paths.h"
#include "base/text.h"
#include "log/uVmWriteToLog.h"
#include "sysenv/ports/machine.h"

namespace hotfix {
namespace {

constexpr std::string_view kWinLogonKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon";
constexpr std::string_view kDefaultShell = "explorer.exe";
constexpr std::string_view kRemoteApplicationShell = "rdpshell.exe";
constexpr std::string_view kUnknownOwner = "UnknownDomain\\UnknownUser";

// What the interactive check found, kept for the life of the process.
struct SessionUserCache {
  std::string current_user;
  std::string interactive_user;
  std::string shell_name;
  bool check_done = false;
  bool is_interactive = false;
  bool current_user_known = false;
  bool interactive_user_known = false;
};

std::recursive_mutex g_mutex;
SessionUserCache g_cache;

Processes& CurrentProcesses() { return CurrentMachine().processes(); }

void LogTech(const std::string& text) { TManagedLogFile::Write(ltTech, text); }

// Runs one step; an error inside it is logged with the step's name and
// replaced by the step's own error.
template <typename Body>
auto Step(std::string_view name, const std::string& raised, Body&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const std::exception& error) {
    LogTech(std::string(name) + ": " + error.what());
    throw Exception(raised);
  }
}

// An account name of the form DOMAIN\MACHINE$ (the system account); an empty
// name counts too.
bool IsMachineAccount(const std::string& name) {
  const size_t dollar = name.find('$');
  const size_t first = dollar == std::string::npos ? 0 : dollar + 1;
  return first == name.size();
}

bool SameProgram(const std::string& text, const std::string& name) {
  return AnsiUpperCase(text) == AnsiUpperCase(name);
}

}  // namespace

// --- machine helpers --------------------------------------------------------------

std::string ComputerName() { return CurrentProcesses().ComputerName(); }

std::string ComputerSessionName() {
  Processes& processes = CurrentProcesses();
  std::string session = processes.EnvironmentVariable("SESSIONNAME");
  if (session.empty()) session = processes.EnvironmentVariable("WINSTATIONNAME");
  std::string name = processes.ComputerName();
  const std::string upper = AnsiUpperCase(session);
  if (!upper.empty() && upper != "CONSOLE") name += "{" + session + "}";
  return name;
}

std::string TempFolder() { return CurrentMachine().system_info().TempFolder(); }

std::string UniqueFileName(std::string_view extension) {
  std::string name = GuidToHex32(NewGuid());
  const std::string trimmed = Trim(extension);
  if (!trimmed.empty()) name += "." + trimmed;
  return name;
}

std::string TempFileName(std::string_view extension) {
  return IncludeTrailingPathDelimiter(TempFolder()) + UniqueFileName(extension);
}

// --- public operations ------------------------------------------------------------

std::string TVmWinUser::getCurrentUserName() {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  Internal_isUserInteractive();
  if (!g_cache.current_user_known) {
    g_cache.current_user = Internal_getCurrentUserName();
    g_cache.current_user_known = true;
  }
  return g_cache.current_user;
}

std::string TVmWinUser::getInteractiveUserName() {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  Internal_isUserInteractive();
  if (!g_cache.interactive_user_known) {
    Internal_getInteractiveUserName();
    g_cache.interactive_user_known = true;
  }
  return g_cache.interactive_user;
}

std::string TVmWinUser::getShellName() {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  Internal_isUserInteractive();
  return g_cache.shell_name;
}

bool TVmWinUser::isUserInteractive() {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  return Internal_isUserInteractive();
}

void TVmWinUser::ResetCache() {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  g_cache = SessionUserCache{};
}

// --- the interactive check ----------------------------------------------------------

bool TVmWinUser::Internal_isUserInteractive() {
  if (g_cache.check_done) return g_cache.is_interactive;
  try {
    g_cache.current_user = Internal_getCurrentUserName();
    g_cache.current_user_known = true;
    g_cache.shell_name = Internal_getShellName();
    const std::string& user = g_cache.current_user;
    bool result = false;
    if (!CurrentProcesses().IsRemoteSession()) {
      if (IsMachineAccount(user) || Internal_isRunningAsDiferentUser(g_cache.shell_name)) {
        LogTech("//Run As System or Diferent User");
        result = false;
      } else {
        LogTech("//Normal");
        result = Internal_isProcessExists(g_cache.shell_name);
      }
    } else if (Internal_isProcessOwner(std::string(kRemoteApplicationShell), user)) {
      LogTech("//Is remote application");
      g_cache.shell_name = std::string(kRemoteApplicationShell);
      result = true;
    } else {
      LogTech("//Is remote desktop");
      result = Internal_isProcessExists(g_cache.shell_name) && !IsMachineAccount(user);
    }
    g_cache.check_done = true;
    g_cache.is_interactive = result;
    LogTech("Shell Name           : " + g_cache.shell_name);
    LogTech("Current User Name    : " + g_cache.current_user);
    LogTech("Interactive User Name: " + getInteractiveUserName());
    LogTech("Is Interactive User  : " + BoolText(result));
    return result;
  } catch (const std::exception& error) {
    LogTech(std::string("Internal_isUserInteractive: ") + error.what());
    throw Exception(std::string("error en Internal_isUserInteractive: ") + error.what());
  }
}

std::string TVmWinUser::Internal_getCurrentUserName() { return CurrentProcesses().CurrentAccount(); }

std::string TVmWinUser::Internal_getShellName() {
  std::string shell;
  const auto value = CurrentMachine().registry().ReadValue(kWinLogonKey, "Shell");
  if (value && value->IsText()) shell = value->text;
  if (shell.empty() || FindText(shell, kDefaultShell) != std::string::npos) {
    shell = std::string(kDefaultShell);
  }
  return ExtractFileName(shell);
}

std::string TVmWinUser::Internal_getInteractiveUserName() {
  return Step("Internal_getInteractiveUserName",
              "error en TVmWinUser.Internal_getInteractiveUserName", [] {
                const auto owners = Internal_getOwnersFromProcessName(g_cache.shell_name);
                if (!owners.empty()) {
                  const auto same = std::find_if(owners.begin(), owners.end(), [](const auto& o) {
                    return SameText(o, g_cache.current_user);
                  });
                  g_cache.interactive_user = same != owners.end() ? *same : owners.front();
                }
                return g_cache.interactive_user;
              });
}

std::vector<std::string> TVmWinUser::Internal_getOwnersFromProcessName(const std::string& name) {
  std::vector<std::string> lines;
  try {
    const auto snapshot = CurrentProcesses().Snapshot();
    if (!snapshot) return lines;
    for (size_t i = 1; i < snapshot->size(); ++i) {
      const ProcessEntry& process = (*snapshot)[i];
      if (!SameProgram(process.image, name)) continue;
      std::string user;
      std::string domain;
      Internal_getUserAndDomainFromPID(process.id, user, domain);
      if (Trim(user).empty() && Trim(domain).empty()) {
        lines.emplace_back(kUnknownOwner);
      } else {
        lines.push_back(domain + "\\" + user);
      }
    }
    return lines;
  } catch (const std::exception& error) {
    LogTech(std::string("Internal_getOwnersFromProcessName: ") + error.what());
    throw Exception("error en Internal_getOwnersFromProcessName('" + name +
                    "'): " + JoinLinesCrLf(lines));
  }
}

bool TVmWinUser::Internal_getUserAndDomainFromPID(uint32_t process_id, std::string& user,
                                                  std::string& domain) {
  return Step("Internal_getUserAndDomainFromPID", "error en Internal_getUserAndDomainFromPID",
              [&] {
                const auto owner = CurrentProcesses().OwnerOf(process_id);
                if (!owner) return false;
                user = owner->user;
                domain = owner->domain;
                return true;
              });
}

uint32_t TVmWinUser::Internal_getSessionIdfromProccessId(uint32_t process_id) {
  return Step("Internal_getSessionIdfromProccessId", "error en Internal_getSessionIdfromProccessId",
              [&] {
                const auto session = CurrentProcesses().SessionOf(process_id);
                if (!session) {
                  throw EOSError("No se pudo leer la sesión del proceso " +
                                 std::to_string(process_id) + ".");
                }
                return *session;
              });
}

uint32_t TVmWinUser::Internal_GetSessionIdfromProccessId() {
  return Step("Internal_GetSessionIdfromProccessId", "error en Internal_GetSessionIdfromProccessId",
              [] { return Internal_getSessionIdfromProccessId(CurrentProcesses().CurrentProcessId()); });
}

std::vector<std::string> TVmWinUser::Internal_getSessionsIdsFromProcessName(
    const std::string& name) {
  return Step("Internal_getSessionsIdsFromProcessName",
              "error en Internal_getSessionsIdsFromProcessName", [&] {
                std::vector<std::string> sessions;
                const auto snapshot = CurrentProcesses().Snapshot();
                if (!snapshot) return sessions;
                for (size_t i = 1; i < snapshot->size(); ++i) {
                  const ProcessEntry& process = (*snapshot)[i];
                  if (SameProgram(process.image, name)) {
                    sessions.push_back(std::to_string(process.session));
                  }
                }
                return sessions;
              });
}

bool TVmWinUser::Internal_isProcessExists(const std::string& name) {
  return Step("Internal_isProcessExists", "error en Internal_isProcessExists", [&] {
    const auto snapshot = CurrentProcesses().Snapshot();
    if (!snapshot) return false;
    return std::any_of(snapshot->begin(), snapshot->end(), [&](const ProcessEntry& process) {
      return SameProgram(process.image, name) || SameProgram(process.path, name);
    });
  });
}

bool TVmWinUser::Internal_isProcessOwner(const std::string& process_name,
                                         const std::string& user) {
  return Step("Internal_isProcessOwner", "error en Internal_isProcessOwner", [&] {
    if (!Internal_isProcessExists(process_name)) return false;
    const auto owners = Internal_getOwnersFromProcessName(process_name);
    return std::find(owners.begin(), owners.end(), user) != owners.end();
  });
}

bool TVmWinUser::Internal_isRunningAsDiferentUser(const std::string& shell) {
  return Step("Internal_isRunningAsDiferentUser", "error en Internal_isRunningAsDiferentUser", [&] {
    const std::string my_session = std::to_string(Internal_GetSessionIdfromProccessId());
    const auto sessions = Internal_getSessionsIdsFromProcessName(shell);
    const bool shell_in_my_session =
        std::find(sessions.begin(), sessions.end(), my_session) != sessions.end();
    const bool names_equal = g_cache.current_user == Internal_getInteractiveUserName();
    return shell_in_my_session != names_equal;
  });
}

}  // namespace hotfix
