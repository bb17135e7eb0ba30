#include "base/exception.h"

#include <new>
#include <stdexcept>

namespace hotfix {

std::string ExceptionClassName(const std::exception& error) {
  if (const auto* own = dynamic_cast<const Exception*>(&error)) return own->ClassName();
  if (dynamic_cast<const std::bad_alloc*>(&error)) return "EOutOfMemory";
  return "Exception";
}

}  // namespace hotfix
