#include "base/text.h"
#include "sysenv/ports/sandbox_backends.h"
#include "sysenv/ports/windows.h"

namespace hotfix {
namespace {

class SandboxWindows : public TopLevelWindows {
 public:
  explicit SandboxWindows(std::shared_ptr<SandboxStore> store) : store_(std::move(store)) {}

  std::optional<WindowId> FindByClass(std::string_view window_class) override {
    const auto state = store_->Machine();
    for (const SandboxWindow& window : state->windows) {
      if (window.open && SameText(window.window_class, window_class)) return window.id;
    }
    return std::nullopt;
  }

  // A window closes once it has received one request more than it survives.
  bool PostClose(WindowId id) override {
    bool posted = false;
    store_->UpdateMachine([&](const SandboxState& state) {
      std::vector<MachineIniEdit> edits;
      const SandboxWindow* window = state.FindWindow(id);
      if (window == nullptr || !window->open) return edits;
      posted = true;
      const int requests = window->close_requests + 1;
      edits.push_back(MachineIniEdit{window->SectionName(), "CloseRequests", std::to_string(requests)});
      if (requests > window->survives_close_requests) {
        edits.push_back(MachineIniEdit{window->SectionName(), "Open", "0"});
      }
      return edits;
    });
    return posted;
  }

 private:
  std::shared_ptr<SandboxStore> store_;
};

}  // namespace

std::unique_ptr<TopLevelWindows> NewSandboxWindows(std::shared_ptr<SandboxStore> store) {
  return std::make_unique<SandboxWindows>(std::move(store));
}

}  // namespace hotfix
