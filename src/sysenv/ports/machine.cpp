#include "sysenv/ports/machine.h"

#include <mutex>

namespace hotfix {
namespace {

std::mutex g_mutex;
std::shared_ptr<Machine> g_current;

}  // namespace

Machine::Machine(Ports ports) : ports_(std::move(ports)) {}
Machine::~Machine() = default;

std::unique_ptr<Dialogs> Machine::ReplaceDialogs(std::unique_ptr<Dialogs> dialogs) {
  std::swap(ports_.dialogs, dialogs);
  return dialogs;
}

std::unique_ptr<Clock> Machine::ReplaceClock(std::unique_ptr<Clock> clock) {
  std::swap(ports_.clock, clock);
  return clock;
}

Machine& CurrentMachine() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_current) g_current = CreateDefaultMachine();
  return *g_current;
}

bool HasCurrentMachine() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_current != nullptr;
}

void SetCurrentMachine(std::shared_ptr<Machine> machine) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_current = std::move(machine);
}

ScopedCurrentMachine::ScopedCurrentMachine(std::shared_ptr<Machine> machine)
    : machine_(std::move(machine)) {
  std::lock_guard<std::mutex> lock(g_mutex);
  previous_ = g_current;
  g_current = machine_;
}

ScopedCurrentMachine::~ScopedCurrentMachine() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_current = previous_;
}

}  // namespace hotfix
