#pragma once

#include <memory>
#include <string>

#include "sysenv/ports/com_plus.h"
#include "sysenv/ports/config_server.h"
#include "sysenv/ports/database_location.h"
#include "sysenv/ports/dialogs.h"
#include "sysenv/ports/file_facts.h"
#include "sysenv/ports/launcher.h"
#include "sysenv/ports/processes.h"
#include "sysenv/ports/registry.h"
#include "sysenv/ports/service_control.h"
#include "sysenv/ports/system_info.h"
#include "sysenv/ports/windows.h"

namespace hotfix {

// One machine the program works on: one backend of every port. The Windows
// build makes the real machine; the sandbox build a sandbox folder's.
class Machine {
 public:
  struct Ports {
    std::unique_ptr<Registry> registry;
    std::unique_ptr<ServiceControl> services;
    std::unique_ptr<Processes> processes;
    std::unique_ptr<TopLevelWindows> windows;
    std::unique_ptr<Launcher> launcher;
    std::unique_ptr<ComPlus> com_plus;
    std::unique_ptr<ConfigurationServerFactory> configuration_server;
    std::unique_ptr<FileFacts> file_facts;
    std::unique_ptr<Dialogs> dialogs;
    std::unique_ptr<DatabaseLocation> database_location;
    std::unique_ptr<SystemInfo> system_info;
    std::unique_ptr<Clock> clock;
  };

  explicit Machine(Ports ports);
  virtual ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  Registry& registry() { return *ports_.registry; }
  ServiceControl& services() { return *ports_.services; }
  Processes& processes() { return *ports_.processes; }
  TopLevelWindows& windows() { return *ports_.windows; }
  Launcher& launcher() { return *ports_.launcher; }
  ComPlus& com_plus() { return *ports_.com_plus; }
  ConfigurationServerFactory& configuration_server() { return *ports_.configuration_server; }
  FileFacts& file_facts() { return *ports_.file_facts; }
  Dialogs& dialogs() { return *ports_.dialogs; }
  DatabaseLocation& database_location() { return *ports_.database_location; }
  SystemInfo& system_info() { return *ports_.system_info; }
  Clock& clock() { return *ports_.clock; }

  // Replace one port (tests script dialogs and control the clock; the
  // unattended command line answers dialogs without a person). Answers the
  // previous backend.
  std::unique_ptr<Dialogs> ReplaceDialogs(std::unique_ptr<Dialogs> dialogs);
  std::unique_ptr<Clock> ReplaceClock(std::unique_ptr<Clock> clock);

 private:
  Ports ports_;
};

// The machine of this build made from the process's environment: the Windows
// machine, or the sandbox named by HOTFIX_SANDBOX. Raises Exception with a
// clear message when there is none.
std::unique_ptr<Machine> CreateDefaultMachine();

// The process-wide machine the class-level helpers use (log writer, data
// folder, session user). Created with CreateDefaultMachine on first use.
Machine& CurrentMachine();
bool HasCurrentMachine();
// Installs a machine as the current one (nullptr: back to the default on next use).
void SetCurrentMachine(std::shared_ptr<Machine> machine);

// Installs a machine for the life of the object and restores the previous one.
class ScopedCurrentMachine {
 public:
  explicit ScopedCurrentMachine(std::shared_ptr<Machine> machine);
  ~ScopedCurrentMachine();
  ScopedCurrentMachine(const ScopedCurrentMachine&) = delete;
  ScopedCurrentMachine& operator=(const ScopedCurrentMachine&) = delete;
  Machine& machine() { return *machine_; }

 private:
  std::shared_ptr<Machine> machine_;
  std::shared_ptr<Machine> previous_;
};

}  // namespace hotfix
