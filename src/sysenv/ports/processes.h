#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hotfix {

struct ProcessEntry {
  uint32_t id = 0;
  std::string image;  // program file name, such as "explorer.exe"
  std::string path;   // full program path (empty when not known)
  uint32_t session = 0;
};

struct AccountName {
  std::string domain;
  std::string user;
};

// Processes of the machine and facts about the running program.
class Processes {
 public:
  virtual ~Processes() = default;

  // A snapshot of the running processes in the system's order (the first entry
  // is the system idle process on Windows); nothing when it cannot be taken.
  virtual std::optional<std::vector<ProcessEntry>> Snapshot() = 0;
  // The owner of a process; nothing when the process cannot be opened or its
  // token read (access denied).
  virtual std::optional<AccountName> OwnerOf(uint32_t process_id) = 0;
  // The file of the first module of a process opened for query and read;
  // nothing when it cannot be opened.
  virtual std::optional<std::string> FirstModulePath(uint32_t process_id) = 0;
  // Terminates a process with the exit code; false when it could not.
  virtual bool Terminate(uint32_t process_id, uint32_t exit_code) = 0;

  // The running program's account as DOMAIN\user (SAM-compatible name).
  virtual std::string CurrentAccount() = 0;
  virtual uint32_t CurrentProcessId() = 0;
  // The session of a process; nothing when it cannot be read.
  virtual std::optional<uint32_t> SessionOf(uint32_t process_id) = 0;
  // Whether the operating system reports a remote (terminal services) session.
  virtual bool IsRemoteSession() = 0;
  // The running program's full path.
  virtual std::string CurrentProgramPath() = 0;

  virtual std::string ComputerName() = 0;
  // An environment variable of the running program, empty when unset.
  virtual std::string EnvironmentVariable(std::string_view name) = 0;
};

}  // namespace hotfix
