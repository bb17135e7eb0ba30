#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace hotfix {

using WindowId = uint64_t;

// The top-level windows of the desktop.
class TopLevelWindows {
 public:
  virtual ~TopLevelWindows() = default;
  // The first top-level window of that class, or nothing.
  virtual std::optional<WindowId> FindByClass(std::string_view window_class) = 0;
  // Posts a close request (WM_CLOSE) to the window; false when it is gone.
  virtual bool PostClose(WindowId window) = 0;
};

}  // namespace hotfix
