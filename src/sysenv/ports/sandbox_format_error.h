#pragma once

#include <string>
#include <string_view>

#include "base/exception.h"

namespace hotfix {

// A sandbox file (registry.reg, machine.ini) that cannot be read as it is
// written. The message names the file and the line.
HOTFIX_DECLARE_EXCEPTION(ESandboxFormatError, Exception);

// "Error en <file>, línea <n>: <what>".
[[noreturn]] void ThrowSandboxFormatError(std::string_view file_name, size_t line_number,
                                          std::string_view what);

}  // namespace hotfix
