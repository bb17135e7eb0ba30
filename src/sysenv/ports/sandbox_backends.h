#pragma once

#include <memory>

#include "sysenv/ports/machine.h"
#include "sysenv/ports/sandbox_store.h"

namespace hotfix {

// The backends of a sandbox machine, all over one folder's store.
std::unique_ptr<Registry> NewSandboxRegistry(std::shared_ptr<SandboxStore> store);
std::unique_ptr<ServiceControl> NewSandboxServiceControl(std::shared_ptr<SandboxStore> store);
std::unique_ptr<Processes> NewSandboxProcesses(std::shared_ptr<SandboxStore> store);
std::unique_ptr<TopLevelWindows> NewSandboxWindows(std::shared_ptr<SandboxStore> store);
std::unique_ptr<Launcher> NewSandboxLauncher(std::shared_ptr<SandboxStore> store);
std::unique_ptr<ComPlus> NewSandboxComPlus(std::shared_ptr<SandboxStore> store);
std::unique_ptr<ConfigurationServerFactory> NewSandboxConfigurationServer(
    std::shared_ptr<SandboxStore> store);
std::unique_ptr<FileFacts> NewSandboxFileFacts();
std::unique_ptr<DatabaseLocation> NewSandboxDatabaseLocation(std::shared_ptr<SandboxStore> store);
std::unique_ptr<SystemInfo> NewSandboxSystemInfo(std::shared_ptr<SandboxStore> store);
std::unique_ptr<Clock> NewSandboxClock();

// What a process's end means for the services: a service whose program
// image is `image` stops when its process is killed. The edits that record it.
std::vector<MachineIniEdit> StopServicesOfImage(const SandboxState& state, std::string_view image);
// The edits that record a service entering `new_state`, with the processes of
// its program following it (they end when it stops, run again when it starts).
std::vector<MachineIniEdit> ServiceStateEdits(const SandboxState& state,
                                              const SandboxService& service, int new_state,
                                              std::optional<int> pending_queries);

}  // namespace hotfix
