#include "sandbox/sandbox_builder.h"

#include <filesystem>

#include "base/exception.h"
#include "base/guid.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/text_file.h"
#include "sysenv/ports/command_line.h"
#include "sysenv/ports/sandbox_store.h"

namespace hotfix {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFolderValues[] = {"ConfigDir", "DirComunes", "ServersystemDir",
                                              "SystemDir"};

bool IsBelow(std::string_view path, std::string_view folder) {
  return path.size() > folder.size() && path.substr(0, folder.size()) == folder &&
         IsPathSeparator(path[folder.size()]);
}

void WriteOrThrow(const std::string& path, std::string_view bytes) {
  std::string error;
  if (!WriteFileAtomic(path, bytes, &error)) {
    throw Exception("No se pudo escribir " + path + " (" + error + ")");
  }
}

}  // namespace

SandboxBuilder::SandboxBuilder(std::string_view directory)
    : directory_(FromFsPath(fs::absolute(ToFsPath(directory)).lexically_normal())) {
  directory_ = ExcludeTrailingPathDelimiter(directory_);
}

std::string SandboxBuilder::FsPath(std::string_view relative) const {
  std::string path = JoinPath(directory_, SandboxStore::kFsFolder);
  for (const std::string& part : Split(ReplaceAll(relative, "\\", "/"), '/')) {
    if (!part.empty()) path = JoinPath(path, part);
  }
  return path;
}

SandboxBuilder& SandboxBuilder::AddKey(std::string_view path) {
  registry_.CreateKey(path);
  return *this;
}

SandboxBuilder& SandboxBuilder::SetString(std::string_view path, std::string_view name,
                                          std::string_view value) {
  registry_.WriteValue(path, name, RegistryValue{RegistryValue::Kind::kString, std::string(value), 0});
  return *this;
}

SandboxBuilder& SandboxBuilder::SetExpandString(std::string_view path, std::string_view name,
                                                std::string_view value) {
  registry_.WriteValue(path, name,
                       RegistryValue{RegistryValue::Kind::kExpandString, std::string(value), 0});
  return *this;
}

SandboxBuilder& SandboxBuilder::SetDWord(std::string_view path, std::string_view name, uint32_t value) {
  registry_.WriteValue(path, name, RegistryValue{RegistryValue::Kind::kDWord, {}, value});
  return *this;
}

SandboxBuilder& SandboxBuilder::AddInstallationKey(
    std::string_view number, const std::vector<std::pair<std::string, std::string>>& values) {
  const std::string path = std::string(kKeysBranch) + "\\" + std::string(number);
  AddKey(path);
  for (const auto& [name, value] : values) {
    SetString(path, name, value);
    for (std::string_view folder_value : kFolderValues) {
      if (SameText(name, folder_value) && IsBelow(value, directory_)) AddFolder(value);
    }
  }
  return *this;
}

SandboxBuilder& SandboxBuilder::SetEnvironment(std::string_view name, std::string_view value) {
  for (auto& [key, current] : state_.environment) {
    if (SameText(key, name)) {
      current = std::string(value);
      return *this;
    }
  }
  state_.environment.emplace_back(name, value);
  return *this;
}

SandboxBuilder& SandboxBuilder::AddSqlLogin(std::string_view login, std::string_view password) {
  state_.sql_logins.emplace_back(login, password);
  return *this;
}

SandboxBuilder& SandboxBuilder::SetConfigurationServerAnswer(std::string_view key_number,
                                                             int32_t result,
                                                             std::string_view last_error) {
  state_.configuration_server.by_key.emplace_back(
      key_number, ConfigurationServerAnswer{result, std::string(last_error)});
  return *this;
}

SandboxBuilder& SandboxBuilder::AddService(std::string_view name, int state, std::string_view program,
                                           ServiceReaction on_requests) {
  SandboxService service;
  service.name = std::string(name);
  service.state = state;
  service.on_stop = service.on_start = service.on_continue = on_requests;
  if (!program.empty()) {
    service.binary_path = program.find(' ') == std::string_view::npos
                              ? std::string(program)
                              : "\"" + std::string(program) + "\"";
    if (IsBelow(program, directory_)) AddFile(program, {});
  }
  state_.services.push_back(std::move(service));
  return *this;
}

SandboxService& SandboxBuilder::Service(std::string_view name) {
  for (SandboxService& service : state_.services) {
    if (SameText(service.name, name)) return service;
  }
  throw Exception("El servicio " + std::string(name) + " no está en la máquina de prueba.");
}

SandboxBuilder& SandboxBuilder::AddProcess(SandboxProcess process) {
  state_.processes.push_back(std::move(process));
  return *this;
}

uint64_t SandboxBuilder::AddWindow(std::string_view window_class, int survives_close_requests) {
  uint64_t id = 0x10010;
  for (const SandboxWindow& window : state_.windows) id = std::max(id, window.id + 0x10);
  SandboxWindow window;
  window.id = id;
  window.window_class = std::string(window_class);
  window.survives_close_requests = survives_close_requests;
  state_.windows.push_back(std::move(window));
  return id;
}

SandboxComPlusApplication& SandboxBuilder::AddComPlusApplication(std::string_view name) {
  const int number = static_cast<int>(state_.com_plus_applications.size()) + 1;
  state_.com_plus_applications.push_back(SandboxComPlusApplication::Make(number, name));
  return state_.com_plus_applications.back();
}

SandboxBuilder& SandboxBuilder::AddFolder(std::string_view path) {
  folders_.emplace_back(path);
  return *this;
}

SandboxBuilder& SandboxBuilder::AddFile(std::string_view path, std::string_view bytes) {
  files_.emplace_back(path, bytes);
  return *this;
}

void SandboxBuilder::Write() const {
  const fs::path target = ToFsPath(directory_);
  std::error_code error;
  if (fs::exists(target, error) && !(fs::is_directory(target, error) && fs::is_empty(target, error))) {
    throw Exception("La carpeta " + directory_ + " ya existe y no está vacía.");
  }
  const std::vector<std::string> machine_lines = FormatMachineIni(state_);
  ParseMachineIni(machine_lines, JoinPath(directory_, SandboxStore::kMachineFile));

  // Everything is written beside the target and then renamed into place, so
  // a failure leaves no half-made sandbox behind.
  const std::string staging = directory_ + ".tmp-" + GuidToHex32(NewGuid()).substr(0, 12);
  const fs::path staging_path = ToFsPath(staging);
  auto staged = [&](const std::string& path) {
    // Paths below the target live below the staging folder until the rename.
    return staging + path.substr(directory_.size());
  };
  try {
    fs::create_directories(staging_path);
    fs::create_directories(ToFsPath(JoinPath(staging, SandboxStore::kFsFolder)));
    fs::create_directories(ToFsPath(JoinPath(staging, SandboxStore::kSqlFolder)));
    auto below_target = [&](const std::string& path) {
      if (!IsBelow(path, directory_)) {
        throw Exception("La ruta " + path + " no está dentro de la máquina de prueba.");
      }
      return staged(path);
    };
    for (const std::string& folder : folders_) fs::create_directories(ToFsPath(below_target(folder)));
    for (const auto& [path, bytes] : files_) {
      const std::string file = below_target(path);
      fs::create_directories(ToFsPath(file).parent_path());
      WriteOrThrow(file, bytes);
    }
    WriteOrThrow(JoinPath(staging, SandboxStore::kRegistryFile), registry_.Serialize());
    std::string machine_error;
    if (!WriteCp1252Lines(JoinPath(staging, SandboxStore::kMachineFile), machine_lines, &machine_error)) {
      throw Exception("No se pudo escribir machine.ini (" + machine_error + ")");
    }
    WriteOrThrow(JoinPath(staging, SandboxStore::kLaunchesFile), {});
    if (fs::exists(target, error)) fs::remove(target);
    fs::rename(staging_path, target);
  } catch (const fs::filesystem_error& failure) {
    fs::remove_all(staging_path, error);
    throw Exception("No se pudo crear la máquina de prueba en " + directory_ + ": " + failure.what());
  } catch (...) {
    fs::remove_all(staging_path, error);
    throw;
  }
}

}  // namespace hotfix
