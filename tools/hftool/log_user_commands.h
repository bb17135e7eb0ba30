#pragma once

#include <iosfwd>
#include <string_view>

#include "tool_context.h"

namespace hotfix::hftool {

// "log write LEVEL TEXT" and "whoami".
void AddLogUserCommands(CLI::App& app, ToolContext& context);

// The commands' work on the current machine; each answers the exit status.
// log write: one entry through the log writer, then "True" or "False"
// (whether a line was written).
int RunLogWrite(std::string_view level_name, std::string_view text, std::ostream& out,
                std::ostream& err);
// whoami: Name=value lines of the session user and the computer session name.
int RunWhoAmI(std::ostream& out);

}  // namespace hotfix::hftool
