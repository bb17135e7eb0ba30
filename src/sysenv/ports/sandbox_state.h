#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sysenv/ports/com_plus.h"
#include "sysenv/ports/service_control.h"
#include "sysenv/ports/system_info.h"

namespace hotfix {

// The model of a sandbox machine's machine.ini: everything about the
// simulated Windows server that is not in its registry or on its drive.
// The file is an INI file in Windows-1252 with CR LF (sections and keys
// without regard to case); its sections are described in docs/sandbox.md.

// How a sandbox service answers a request to stop, start or continue:
// "immediate" (the new state at once), "pending N" (the pending state for N
// state queries, then the new state), "never" (the pending state for good)
// or "refuse" (the request fails and nothing changes).
struct ServiceReaction {
  enum class Kind { kImmediate, kPending, kNever, kRefuse };
  Kind kind = Kind::kImmediate;
  int queries = 0;  // kPending only

  friend bool operator==(const ServiceReaction&, const ServiceReaction&) = default;
};
std::string FormatServiceReaction(const ServiceReaction& reaction);
std::optional<ServiceReaction> ParseServiceReaction(std::string_view text);

struct SandboxService {
  std::string name;
  int state = kServiceRunning;
  // State queries left before a pending state completes; nothing while the
  // state is pending means it never completes.
  std::optional<int> pending_queries;
  std::string binary_path;  // the configured command text
  ServiceReaction on_stop;
  ServiceReaction on_start;
  ServiceReaction on_continue;

  std::string section;  // the header as the file spells it (empty: the usual spelling)

  std::string SectionName() const { return section.empty() ? "Service " + name : section; }
};

struct SandboxProcess {
  uint32_t id = 0;
  std::string image;
  std::string path;  // empty: the first module cannot be read
  uint32_t session = 0;
  std::optional<std::string> owner;  // DOMAIN\user; nothing: it cannot be read
  bool running = true;

  std::string section;

  std::string SectionName() const {
    return section.empty() ? "Process " + std::to_string(id) : section;
  }
};

struct SandboxWindow {
  uint64_t id = 0;
  std::string window_class;
  int survives_close_requests = 0;
  int close_requests = 0;  // received so far
  bool open = true;

  std::string section;

  std::string SectionName() const {
    return section.empty() ? "Window " + std::to_string(id) : section;
  }
};

// The catalog properties of a sandbox COM+ application: names and defaults
// (the default's type is the property's type).
struct ComPlusPropertySpec {
  std::string_view name;
  CatalogValue default_value;
};
const std::vector<ComPlusPropertySpec>& ComPlusPropertySpecs();

struct SandboxComPlusApplication {
  int number = 0;  // its place in the catalog
  // Every property of ComPlusPropertySpecs, in that order, with its type.
  std::vector<std::pair<std::string, CatalogValue>> properties;
  std::vector<std::string> roles;
  bool running = true;
  std::string section;

  // An application with the default properties, "Name" and an "ID" derived from the number.
  static SandboxComPlusApplication Make(int number, std::string_view name);
  std::string SectionName() const {
    return section.empty() ? "ComPlusApplication " + std::to_string(number) : section;
  }
  std::string Name() const;
  std::string Id() const;
  const CatalogValue* Property(std::string_view name) const;
  // Converts to the property's type; false for a property it does not have.
  bool SetProperty(std::string_view name, const CatalogValue& value);
};
// The machine.ini text of a property value.
std::string FormatCatalogValue(const CatalogValue& value);

struct ConfigurationServerAnswer {
  int32_t result = 0;
  std::string last_error;
};

struct SandboxConfigurationServer {
  bool available = true;
  ConfigurationServerAnswer default_answer;
  std::vector<std::pair<std::string, ConfigurationServerAnswer>> by_key;

  const ConfigurationServerAnswer& AnswerFor(std::string_view key_number) const;
};

struct SandboxMachineInfo {
  std::string computer_name = "SANDBOX";
  std::string current_user = "SANDBOX\\Administrador";
  uint32_t current_process_id = 5000;
  uint32_t current_session = 1;
  bool remote_session = false;
  std::string program_path;  // empty: the real path of the running program
  bool taskkill_available = true;
  bool com_plus_available = true;
};

struct SandboxSystem {
  OsVersion os{OsVersion::Platform::kNt, 6, 1, "Service Pack 1"};
  // Folders: absolute, or relative to the sandbox's fs/ folder.
  std::string temp_folder = "Windows/Temp";
  std::string system_folder = "Windows/System32";
  uint16_t sysinfo_port = 9097;
};

struct SandboxState {
  SandboxMachineInfo machine;
  SandboxSystem system;
  std::vector<std::pair<std::string, std::string>> environment;
  std::vector<std::pair<std::string, std::string>> sql_logins;  // login, password
  SandboxConfigurationServer configuration_server;
  std::vector<SandboxService> services;
  std::vector<SandboxProcess> processes;
  std::vector<SandboxWindow> windows;
  std::vector<SandboxComPlusApplication> com_plus_applications;

  const SandboxService* FindService(std::string_view name) const;
  const SandboxProcess* FindProcess(uint32_t id) const;
  const SandboxWindow* FindWindow(uint64_t id) const;
  // Empty when unset.
  std::string EnvironmentVariable(std::string_view name) const;
};

// Reads machine.ini's lines (UTF-8). A malformed line (unknown section or
// key, a value of the wrong kind, a duplicate) raises ESandboxFormatError
// naming `file_name` and the line number.
SandboxState ParseMachineIni(const std::vector<std::string>& lines, const std::string& file_name);
// The lines of a whole machine.ini for a state.
std::vector<std::string> FormatMachineIni(const SandboxState& state);

// One change to machine.ini: a key of an existing section set, or removed
// when the value is nothing.
struct MachineIniEdit {
  std::string section;
  std::string key;
  std::optional<std::string> value;
};
// The lines with the edits applied; every other line stays as it was.
std::vector<std::string> ApplyMachineIniEdits(std::vector<std::string> lines,
                                              const std::vector<MachineIniEdit>& edits);

}  // namespace hotfix
