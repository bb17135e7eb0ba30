#include "base/codepage.h"
#include "base/exception.h"
#include "base/text.h"
#include "sysenv/ports/command_line.h"
#include "sysenv/ports/sandbox_backends.h"
#include "sysenv/ports/service_control.h"

namespace hotfix {
namespace {

// QUERY_SERVICE_CONFIG before its texts, and the texts other than the path
// (load-order group, dependencies, account, display name), as the manager
// counts them.
constexpr uint32_t kConfigFixedBytes = 36;
constexpr uint32_t kConfigOtherTextBytes = 12;

// The state a pending state ends in.
int CompletedState(int pending_state) {
  switch (pending_state) {
    case kServiceStartPending: return kServiceRunning;
    case kServiceStopPending: return kServiceStopped;
    case kServiceContinuePending: return kServiceRunning;
    case kServicePausePending: return kServicePaused;
    default: return pending_state;
  }
}

bool IsPending(int state) { return CompletedState(state) != state; }

MachineIniEdit Set(const std::string& section, std::string_view key, std::string value) {
  return MachineIniEdit{section, std::string(key), std::move(value)};
}

class SandboxServiceHandle : public ServiceHandle {
 public:
  SandboxServiceHandle(std::shared_ptr<SandboxStore> store, std::string name, uint32_t access)
      : store_(std::move(store)), name_(std::move(name)), access_(access) {}

  std::optional<int> QueryState() override {
    if (!Allowed(kServiceQueryStatus)) return std::nullopt;
    std::optional<int> answer;
    store_->UpdateMachine([&](const SandboxState& state) {
      std::vector<MachineIniEdit> edits;
      const SandboxService* service = state.FindService(name_);
      if (service == nullptr) return edits;
      answer = service->state;
      if (!IsPending(service->state) || !service->pending_queries) return edits;
      if (*service->pending_queries > 0) {
        edits.push_back(Set(service->SectionName(), "PendingQueries",
                            std::to_string(*service->pending_queries - 1)));
        return edits;
      }
      answer = CompletedState(service->state);
      return ServiceStateEdits(state, *service, *answer, std::nullopt);
    });
    return answer;
  }

  bool Start() override {
    if (!Allowed(kServiceStart)) return false;
    return Request([](const SandboxService& service) -> std::optional<Move> {
      if (service.state != kServiceStopped) return std::nullopt;  // already running
      return Move{service.on_start, kServiceStartPending};
    });
  }

  bool Control(ServiceControlCode code) override {
    switch (code) {
      case ServiceControlCode::kStop:
        if (!Allowed(kServiceStop)) return false;
        return Request([](const SandboxService& service) -> std::optional<Move> {
          if (service.state == kServiceStopped) return std::nullopt;  // not active
          if (service.state == kServiceStopPending) return Move{{}, kServiceStopPending, true};
          return Move{service.on_stop, kServiceStopPending};
        });
      case ServiceControlCode::kContinue:
        if (!Allowed(kServicePauseContinue)) return false;
        return Request([](const SandboxService& service) -> std::optional<Move> {
          if (service.state != kServicePaused && service.state != kServicePausePending) {
            return std::nullopt;
          }
          return Move{service.on_continue, kServiceContinuePending};
        });
    }
    return false;
  }

  std::optional<std::string> QueryBinaryPath(uint32_t buffer_size, uint32_t& needed_size) override {
    if (!Allowed(kServiceQueryConfig)) throw EOSError("Acceso denegado.");
    const auto state = store_->Machine();
    const SandboxService* service = state->FindService(name_);
    if (service == nullptr) {
      throw EOSError("El servicio especificado no existe como servicio instalado.");
    }
    const auto text_bytes = static_cast<uint32_t>(Utf8ToUtf16Le(service->binary_path).size() + 2);
    needed_size = kConfigFixedBytes + text_bytes + kConfigOtherTextBytes;
    if (buffer_size < needed_size) return std::nullopt;
    return service->binary_path;
  }

 private:
  // A request the service accepts: how it reacts and the pending state it
  // passes through; `unchanged` accepts it without any change.
  struct Move {
    ServiceReaction reaction;
    int pending_state = kServiceStateUnknown;
    bool unchanged = false;
  };

  bool Allowed(uint32_t right) const { return (access_ & right) == right; }

  template <typename Decide>
  bool Request(Decide decide) {
    bool accepted = false;
    store_->UpdateMachine([&](const SandboxState& state) {
      std::vector<MachineIniEdit> edits;
      const SandboxService* service = state.FindService(name_);
      if (service == nullptr) return edits;
      const std::optional<Move> move = decide(*service);
      if (!move) return edits;
      if (move->unchanged) {
        accepted = true;
        return edits;
      }
      switch (move->reaction.kind) {
        case ServiceReaction::Kind::kRefuse:
          return edits;
        case ServiceReaction::Kind::kImmediate:
          accepted = true;
          return ServiceStateEdits(state, *service, CompletedState(move->pending_state), std::nullopt);
        case ServiceReaction::Kind::kPending:
          accepted = true;
          return ServiceStateEdits(state, *service, move->pending_state, move->reaction.queries);
        case ServiceReaction::Kind::kNever:
          accepted = true;
          return ServiceStateEdits(state, *service, move->pending_state, std::nullopt);
      }
      return edits;
    });
    return accepted;
  }

  std::shared_ptr<SandboxStore> store_;
  std::string name_;
  uint32_t access_;
};

class SandboxServiceControl : public ServiceControl {
 public:
  explicit SandboxServiceControl(std::shared_ptr<SandboxStore> store) : store_(std::move(store)) {}

  std::unique_ptr<ServiceHandle> OpenService(std::string_view name, uint32_t access) override {
    const auto state = store_->Machine();
    const SandboxService* service = state->FindService(name);
    if (service == nullptr) return nullptr;
    return std::make_unique<SandboxServiceHandle>(store_, service->name, access);
  }

 private:
  std::shared_ptr<SandboxStore> store_;
};

}  // namespace

std::vector<MachineIniEdit> ServiceStateEdits(const SandboxState& state,
                                              const SandboxService& service, int new_state,
                                              std::optional<int> pending_queries) {
  std::vector<MachineIniEdit> edits;
  const std::string section = service.SectionName();
  edits.push_back(Set(section, "State", std::to_string(new_state)));
  edits.push_back(MachineIniEdit{section, "PendingQueries",
                                 pending_queries ? std::optional<std::string>(std::to_string(*pending_queries))
                                                 : std::nullopt});
  const bool was_stopped = service.state == kServiceStopped;
  const bool stops = new_state == kServiceStopped;
  if (was_stopped == stops) return edits;
  const std::string image = CommandProgramFileName(service.binary_path);
  if (image.empty()) return edits;
  for (const SandboxProcess& process : state.processes) {
    if (SameText(process.image, image) && process.running == stops) {
      edits.push_back(Set(process.SectionName(), "Running", stops ? "0" : "1"));
    }
  }
  return edits;
}

std::vector<MachineIniEdit> StopServicesOfImage(const SandboxState& state, std::string_view image) {
  std::vector<MachineIniEdit> edits;
  for (const SandboxService& service : state.services) {
    if (service.state == kServiceStopped) continue;
    if (!SameText(CommandProgramFileName(service.binary_path), image)) continue;
    for (MachineIniEdit& edit : ServiceStateEdits(state, service, kServiceStopped, std::nullopt)) {
      edits.push_back(std::move(edit));
    }
  }
  return edits;
}

std::unique_ptr<ServiceControl> NewSandboxServiceControl(std::shared_ptr<SandboxStore> store) {
  return std::make_unique<SandboxServiceControl>(std::move(store));
}

}  // namespace hotfix
