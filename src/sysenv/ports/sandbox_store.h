#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "sysenv/ports/reg_file.h"
#include "sysenv/ports/sandbox_state.h"

namespace hotfix {

// The files of one sandbox folder, shared by the sandbox backends.
//
// Every operation reads the file it needs again (a file whose bytes have not
// changed is not parsed again), so processes working on the same folder see
// each other's changes at once. A change is a read-modify-write under an
// exclusive lock on the folder's "sandbox.lock" file: the latest file is
// read, changed and replaced atomically, so a reader sees the old file or
// the new one and two writers do not lose each other's changes.
class SandboxStore {
 public:
  static constexpr std::string_view kRegistryFile = "registry.reg";
  static constexpr std::string_view kMachineFile = "machine.ini";
  static constexpr std::string_view kLaunchesFile = "launches.log";
  static constexpr std::string_view kLockFile = "sandbox.lock";
  static constexpr std::string_view kFsFolder = "fs";
  static constexpr std::string_view kSqlFolder = "sql";

  // Opens a sandbox folder and checks both files; writes nothing. A missing
  // folder or file raises Exception, a malformed one ESandboxFormatError.
  explicit SandboxStore(std::string directory);

  const std::string& directory() const { return directory_; }
  std::string File(std::string_view name) const;
  std::string FsFolder() const;
  // A folder named in machine.ini: absolute as it is, relative below fs/.
  std::string ResolveFolder(std::string_view folder) const;

  // The SQLite file standing for a SQL Server database: sql/<server>/<database>.db.
  // An instance name (SERVER\INSTANCE) is a folder inside the server's; a
  // folder or file already there is found without regard to case; characters
  // that could leave the folder (separators, a name of dots) become "_".
  std::string DatabaseFile(std::string_view server, std::string_view database) const;

  std::shared_ptr<const RegFile> Registry();
  std::shared_ptr<const SandboxState> Machine();

  // Applies a change to the latest registry.reg and writes it back when it changed.
  void UpdateRegistry(const std::function<void(RegFile&)>& change);
  // The change answers the edits to make to the latest machine.ini; nothing
  // is written when there are none.
  void UpdateMachine(const std::function<std::vector<MachineIniEdit>(const SandboxState&)>& change);
  // Adds one line to launches.log.
  void AppendLaunch(std::string_view line);

 private:
  struct RegistryCache {
    std::string bytes;
    std::shared_ptr<const RegFile> file;
  };
  struct MachineCache {
    std::string bytes;
    std::vector<std::string> lines;
    std::shared_ptr<const SandboxState> state;
  };
  std::string ReadRequired(std::string_view name) const;
  const RegistryCache& LoadRegistry();
  const MachineCache& LoadMachine();
  void WriteOrFail(std::string_view name, std::string_view bytes) const;

  std::string directory_;
  std::mutex mutex_;
  RegistryCache registry_;
  MachineCache machine_;
};

}  // namespace hotfix
