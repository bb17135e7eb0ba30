#pragma once

#include "tool_context.h"

namespace hotfix::hftool {

// "version", "fileversion" and "journal": dotted versions, the version
// resource of an executable and a key's installed-hotfix journal.
void AddPackageCommands(CLI::App& app, ToolContext& context);

}  // namespace hotfix::hftool
