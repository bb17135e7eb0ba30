#pragma once

#include <string>
#include <string_view>

#include "sysenv/ports/service_control.h"

namespace hotfix {

// The only way the system talks to the service control manager: five plain
// functions on a service of the local machine, by its name. Each opens the
// service with the rights it needs, does its one thing and closes it again;
// none waits for a state change. A service that is not installed (or cannot
// be opened) answers false and nothing is raised.
//
// Each comes in two forms: on a given manager, and on the current machine's.

// Stopped or stop pending: start it; pause pending or paused: continue it;
// otherwise nothing. True when the service opened and the action (if any)
// succeeded; a failed state query still answers true.
bool ServiceStart(ServiceControl& manager, std::string_view name);
bool ServiceStart(std::string_view name);

// Start pending, running, continue pending, pause pending or paused: stop
// it; otherwise nothing. Answers as ServiceStart.
bool ServiceStop(ServiceControl& manager, std::string_view name);
bool ServiceStop(std::string_view name);

bool ServiceExists(ServiceControl& manager, std::string_view name);
bool ServiceExists(std::string_view name);

// The state (1 stopped to 7 paused; 0 for any other value). False, with the
// state 0, when the service does not open or the query fails.
bool ServiceGetStatus(ServiceControl& manager, std::string_view name, int& state);
bool ServiceGetStatus(std::string_view name, int& state);

// The configured command text of the service, however long. False when the
// service does not open; a failed query raises EOSError.
bool ServiceGetBinaryPath(ServiceControl& manager, std::string_view name, std::string& path);
bool ServiceGetBinaryPath(std::string_view name, std::string& path);

}  // namespace hotfix
