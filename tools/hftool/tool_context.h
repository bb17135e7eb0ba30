#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "sysenv/ports/machine.h"

namespace hotfix::hftool {

// Exit statuses of every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// What the subcommands share: the global options and the machine they work on.
class ToolContext {
 public:
  std::string sandbox_option;  // --sandbox DIR

  // The machine named by --sandbox or HOTFIX_SANDBOX, installed as the
  // process's current machine. Raises Exception when there is none.
  Machine& machine();

  // Runs after parsing: the handler of the chosen subcommand answers the exit status.
  void SetHandler(std::function<int()> handler) { handler_ = std::move(handler); }
  // Makes `handler` the one the tool runs when `command` is the chosen subcommand.
  void RunWhenChosen(CLI::App* command, std::function<int()> handler);
  // The same, with the machine opened (and installed as the current one) first.
  void RunOnMachineWhenChosen(CLI::App* command, std::function<int()> handler);
  int RunHandler() const { return handler_ ? handler_() : kExitUsage; }

 private:
  std::shared_ptr<Machine> machine_;
  std::function<int()> handler_;
};

// Each command group adds its subcommands to the application.
using CommandGroup = void (*)(CLI::App& app, ToolContext& context);

}  // namespace hotfix::hftool
