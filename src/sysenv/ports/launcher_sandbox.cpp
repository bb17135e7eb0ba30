#include <filesystem>

#include "base/paths.h"
#include "base/text.h"
#include "sysenv/ports/command_line.h"
#include "sysenv/ports/launcher.h"
#include "sysenv/ports/sandbox_backends.h"

namespace hotfix {
namespace {

// The shell's answers: above 32 is success; 2 is "file not found".
constexpr int kShellStarted = 42;
constexpr int kShellFileNotFound = 2;
constexpr std::string_view kFileNotFound = "El sistema no puede encontrar el archivo especificado.";

bool IsProgram(std::string_view file, std::string_view program) {
  return SameText(file, program) || SameText(file, std::string(program) + ".exe");
}

std::string Quoted(std::string_view text) {
  if (text.find_first_of(" \t") == std::string_view::npos) return std::string(text);
  return "\"" + std::string(text) + "\"";
}

bool IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(ToFsPath(path), error);
}

// Nothing is ever run: a launch is written to launches.log, and TASKKILL
// ends the sandbox processes (and services) it names.
class SandboxLauncher : public Launcher {
 public:
  explicit SandboxLauncher(std::shared_ptr<SandboxStore> store) : store_(std::move(store)) {}

  int ShellExecute(std::string_view verb, std::string_view file, std::string_view parameters,
                   std::string_view folder, ShowWindow /*show*/) override {
    const auto state = store_->Machine();
    if (IsProgram(file, "TASKKILL")) {
      if (!state->machine.taskkill_available) return kShellFileNotFound;
      Record("ShellExecute " + std::string(verb), file, parameters);
      TaskKill(parameters);
      return kShellStarted;
    }
    if (!Exists(*state, file, folder)) return kShellFileNotFound;
    Record("ShellExecute " + std::string(verb), file, parameters);
    return kShellStarted;
  }

  WaitResult ShellExecuteAndWait(std::string_view program, std::string_view folder,
                                 std::string_view parameters, int /*first_wait_ms*/,
                                 int /*second_wait_ms*/) override {
    const auto state = store_->Machine();
    if (!Exists(*state, program, folder)) return WaitResult::kNotStarted;
    Record("ShellExecuteAndWait open", program, parameters);
    return WaitResult::kEnded;
  }

  bool CreateProcess(std::string_view command_line, std::string& error) override {
    const std::vector<std::string> args = SplitCommandLine(command_line);
    const auto state = store_->Machine();
    if (args.empty() || !Exists(*state, args.front(), {})) {
      error = std::string(kFileNotFound);
      return false;
    }
    store_->AppendLaunch("CreateProcess " + std::string(command_line));
    return true;
  }

 private:
  // A program is found as the shell would: a path as it is, a bare name in
  // the working folder or the Windows system folder (".exe" may be left out).
  bool Exists(const SandboxState& state, std::string_view file, std::string_view folder) const {
    if (file.empty()) return false;
    if (IsProgram(file, "RegSvr32") || IsProgram(file, "TASKKILL")) return true;
    std::vector<std::string> candidates;
    if (ToFsPath(file).is_absolute()) {
      candidates.emplace_back(file);
    } else {
      if (!folder.empty()) candidates.push_back(JoinPath(folder, file));
      candidates.push_back(JoinPath(store_->ResolveFolder(state.system.system_folder), file));
    }
    for (const std::string& candidate : candidates) {
      if (IsFile(candidate)) return true;
      if (ExtractFileExt(candidate).empty() && IsFile(candidate + ".exe")) return true;
    }
    return false;
  }

  void Record(const std::string& how, std::string_view program, std::string_view parameters) {
    std::string line = how + " " + Quoted(program);
    const std::string trimmed = Trim(parameters);
    if (!trimmed.empty()) line += " " + trimmed;
    store_->AppendLaunch(line);
  }

  // TASKKILL [/F] /IM image | /PID id (either may repeat).
  void TaskKill(std::string_view parameters) {
    const std::vector<std::string> args = SplitCommandArguments(parameters);
    std::vector<std::string> images;
    std::vector<uint32_t> ids;
    for (size_t i = 0; i + 1 < args.size(); ++i) {
      long long id = 0;
      if (SameText(args[i], "/IM")) {
        images.push_back(args[++i]);
      } else if (SameText(args[i], "/PID") && TryParseInt(args[i + 1], id) && id >= 0) {
        ids.push_back(static_cast<uint32_t>(id));
        ++i;
      }
    }
    if (images.empty() && ids.empty()) return;
    store_->UpdateMachine([&](const SandboxState& state) {
      std::vector<MachineIniEdit> edits;
      std::vector<std::string> ended_images = images;
      for (const SandboxProcess& process : state.processes) {
        if (!process.running) continue;
        bool match = false;
        for (const std::string& image : images) match = match || SameText(process.image, image);
        for (uint32_t id : ids) match = match || process.id == id;
        if (!match) continue;
        edits.push_back(MachineIniEdit{process.SectionName(), "Running", "0"});
        ended_images.push_back(process.image);
      }
      for (const std::string& image : ended_images) {
        for (MachineIniEdit& edit : StopServicesOfImage(state, image)) edits.push_back(std::move(edit));
      }
      return edits;
    });
  }

  std::shared_ptr<SandboxStore> store_;
};

}  // namespace

std::unique_ptr<Launcher> NewSandboxLauncher(std::shared_ptr<SandboxStore> store) {
  return std::make_unique<SandboxLauncher>(std::move(store));
}

}  // namespace hotfix
