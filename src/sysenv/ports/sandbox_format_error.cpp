#include "sysenv/ports/sandbox_format_error.h"

namespace hotfix {

void ThrowSandboxFormatError(std::string_view file_name, size_t line_number,
                             std::string_view what) {
  throw ESandboxFormatError("Error en " + std::string(file_name) + ", línea " +
                            std::to_string(line_number) + ": " + std::string(what));
}

}  // namespace hotfix
