#pragma once

#include "tool_context.h"

namespace hotfix::hftool {

// "sysinfo servers", "sysinfo server KEY" and "sysinfo platform": the SysInfo
// service's answers as the gateway reads them. An error prints the gateway's
// message and exits with 1.
void AddSysInfoCommands(CLI::App& app, ToolContext& context);

}  // namespace hotfix::hftool
