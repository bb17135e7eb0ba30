#pragma once

#include "tool_context.h"

namespace hotfix::hftool {

// "script split FILE": the batches the script runner would send for a file.
void AddScriptCommands(CLI::App& app, ToolContext& context);

}  // namespace hotfix::hftool
