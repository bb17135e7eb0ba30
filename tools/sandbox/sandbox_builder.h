#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sysenv/ports/reg_file.h"
#include "sysenv/ports/sandbox_state.h"

namespace hotfix {

// Writes a sandbox folder (registry.reg, machine.ini, fs/, sql/,
// launches.log). Start from an empty machine or from DemoMachine(), add what
// a test needs, then Write(). Nothing touches the disk before Write().
class SandboxBuilder {
 public:
  static constexpr std::string_view kKeysBranch = "Software\\Velmar\\Quiltor2000\\Llaves";

  // A machine with no keys, services, processes or windows, for `directory`
  // (made absolute: every path the sandbox hands out is absolute).
  explicit SandboxBuilder(std::string_view directory);

  const std::string& directory() const { return directory_; }
  // The native absolute path of a place on the simulated drive ("Program
  // Files/Velmar" gives DIR/fs/Program Files/Velmar; "/" or "\" separate).
  std::string FsPath(std::string_view relative) const;

  // ---- registry.reg
  RegFile& registry() { return registry_; }
  SandboxBuilder& AddKey(std::string_view path);
  SandboxBuilder& SetString(std::string_view path, std::string_view name, std::string_view value);
  SandboxBuilder& SetExpandString(std::string_view path, std::string_view name,
                                  std::string_view value);
  SandboxBuilder& SetDWord(std::string_view path, std::string_view name, uint32_t value);
  // An installation key below the keys branch with its string values; the
  // folder values (ConfigDir, DirComunes, ServersystemDir, SystemDir) are
  // created on the drive.
  SandboxBuilder& AddInstallationKey(std::string_view number,
                                     const std::vector<std::pair<std::string, std::string>>& values);

  // ---- machine.ini
  SandboxState& machine() { return state_; }
  SandboxBuilder& SetEnvironment(std::string_view name, std::string_view value);
  SandboxBuilder& AddSqlLogin(std::string_view login, std::string_view password);
  SandboxBuilder& SetConfigurationServerAnswer(std::string_view key_number, int32_t result,
                                               std::string_view last_error);
  // A service in a state, with its program placed at `program` (empty: no
  // file) and the reaction to every request.
  SandboxBuilder& AddService(std::string_view name, int state, std::string_view program,
                             ServiceReaction on_requests = {});
  SandboxService& Service(std::string_view name);
  SandboxBuilder& AddProcess(SandboxProcess process);
  // A top-level window; answers its id.
  uint64_t AddWindow(std::string_view window_class, int survives_close_requests = 0);
  SandboxComPlusApplication& AddComPlusApplication(std::string_view name);

  // ---- fs/
  SandboxBuilder& AddFolder(std::string_view path);
  SandboxBuilder& AddFile(std::string_view path, std::string_view bytes);

  // Writes the folder, which must not exist or be empty; raises Exception
  // otherwise or when something cannot be written.
  void Write() const;

 private:
  std::string directory_;
  RegFile registry_;
  SandboxState state_;
  std::vector<std::string> folders_;
  std::vector<std::pair<std::string, std::string>> files_;
};

// The demo machine `hftool sandbox new` writes: three installation keys
// (1: 9.70.001.000 ORVIN AR; 2: 10.00.000.000 RESTO CL; 3: 9.70.000.000
// ORVIN AR with a legacy HotFixNumber), the machine folders in the registry,
// the product's services running, the desktop shell, the server window and
// three COM+ applications.
SandboxBuilder DemoMachine(std::string_view directory);

// Names the demo uses.
inline constexpr std::string_view kDemoComputerName = "VELMARSRV01";
inline constexpr std::string_view kDemoUser = "VELMARSRV01\\Administrador";
// The SQL server of the demo's databases and the start of each key's
// dictionary connection text (its login is the demo's "sa").
inline constexpr std::string_view kDemoSqlServer = "SANDBOX";
inline constexpr std::string_view kDemoDictionaryConnectionPrefix =
    "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=Quiltor2000;";

}  // namespace hotfix
