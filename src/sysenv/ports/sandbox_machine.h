#pragma once

#include <memory>
#include <string>

#include "sysenv/ports/machine.h"

namespace hotfix {

// Opens the sandbox machine of a folder (registry.reg, machine.ini, fs/,
// sql/, launches.log). A malformed registry.reg or machine.ini raises
// Exception naming the file and the line; nothing is written then.
std::unique_ptr<Machine> OpenSandboxMachine(const std::string& directory);

}  // namespace hotfix
