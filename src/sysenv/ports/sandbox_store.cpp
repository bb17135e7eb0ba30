#include "sysenv/ports/sandbox_store.h"

#include <filesystem>

#include "base/codepage.h"
#include "base/exception.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/text_file.h"
#include "sysenv/ports/sandbox_lock.h"

namespace hotfix {

SandboxStore::SandboxStore(std::string directory) {
  // Paths handed out are absolute, whatever form the folder was named in.
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(ToFsPath(directory), error);
  directory_ = error ? directory : ExcludeTrailingPathDelimiter(FromFsPath(absolute.lexically_normal()));
  if (!std::filesystem::is_directory(ToFsPath(directory_), error)) {
    throw Exception("No existe la carpeta de la máquina de prueba: " + directory_);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  LoadRegistry();
  LoadMachine();
}

std::string SandboxStore::File(std::string_view name) const { return JoinPath(directory_, name); }

std::string SandboxStore::FsFolder() const { return File(kFsFolder); }

std::string SandboxStore::ResolveFolder(std::string_view folder) const {
  if (ToFsPath(folder).is_absolute()) return std::string(folder);
  std::string path = FsFolder();
  for (const std::string& part : Split(ReplaceAll(folder, "\\", "/"), '/')) {
    if (!part.empty()) path = JoinPath(path, part);
  }
  return path;
}

namespace {

std::string SafeName(std::string_view name) {
  std::string out;
  for (char c : name) out.push_back(c == '/' || c == '\\' || c == ':' ? '_' : c);
  if (out.find_first_not_of('.') == std::string::npos) out = std::string(out.size(), '_');
  return out;
}

// The entry of `folder` named `name` without regard to case; `name` itself
// when there is none.
std::string FindEntry(const std::string& folder, const std::string& name) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(ToFsPath(folder), error), end; !error && it != end;
       it.increment(error)) {
    const std::string entry = FromFsPath(it->path().filename());
    if (SameText(entry, name)) return JoinPath(folder, entry);
  }
  return JoinPath(folder, name);
}

}  // namespace

std::string SandboxStore::DatabaseFile(std::string_view server, std::string_view database) const {
  std::string folder = File(kSqlFolder);
  for (const std::string& part : Split(server, '\\')) {
    if (!part.empty()) folder = FindEntry(folder, SafeName(part));
  }
  return FindEntry(folder, SafeName(database) + ".db");
}

std::string SandboxStore::ReadRequired(std::string_view name) const {
  const std::string path = File(name);
  auto bytes = ReadFileBytes(path);
  if (!bytes) throw Exception("No se puede leer " + path + " de la máquina de prueba.");
  return std::move(*bytes);
}

const SandboxStore::RegistryCache& SandboxStore::LoadRegistry() {
  std::string bytes = ReadRequired(kRegistryFile);
  if (!registry_.file || bytes != registry_.bytes) {
    auto file = std::make_shared<const RegFile>(RegFile::Parse(bytes, File(kRegistryFile)));
    registry_ = RegistryCache{std::move(bytes), std::move(file)};
  }
  return registry_;
}

const SandboxStore::MachineCache& SandboxStore::LoadMachine() {
  std::string bytes = ReadRequired(kMachineFile);
  if (!machine_.state || bytes != machine_.bytes) {
    std::vector<std::string> lines = SplitLines(Cp1252ToUtf8(bytes));
    auto state = std::make_shared<const SandboxState>(ParseMachineIni(lines, File(kMachineFile)));
    machine_ = MachineCache{std::move(bytes), std::move(lines), std::move(state)};
  }
  return machine_;
}

std::shared_ptr<const RegFile> SandboxStore::Registry() {
  std::lock_guard<std::mutex> lock(mutex_);
  return LoadRegistry().file;
}

std::shared_ptr<const SandboxState> SandboxStore::Machine() {
  std::lock_guard<std::mutex> lock(mutex_);
  return LoadMachine().state;
}

void SandboxStore::WriteOrFail(std::string_view name, std::string_view bytes) const {
  std::string error;
  if (!WriteFileAtomic(File(name), bytes, &error)) {
    throw EOSError("No se pudo escribir " + File(name) + " (" + error + ")");
  }
}

void SandboxStore::UpdateRegistry(const std::function<void(RegFile&)>& change) {
  std::lock_guard<std::mutex> lock(mutex_);
  const SandboxLock folder_lock(File(kLockFile));
  const RegistryCache& current = LoadRegistry();
  RegFile changed = *current.file;
  change(changed);
  std::string bytes = changed.Serialize();
  if (bytes == current.bytes) return;
  WriteOrFail(kRegistryFile, bytes);
  registry_ = RegistryCache{std::move(bytes), std::make_shared<const RegFile>(std::move(changed))};
}

void SandboxStore::UpdateMachine(
    const std::function<std::vector<MachineIniEdit>(const SandboxState&)>& change) {
  std::lock_guard<std::mutex> lock(mutex_);
  const SandboxLock folder_lock(File(kLockFile));
  const MachineCache& current = LoadMachine();
  const std::vector<MachineIniEdit> edits = change(*current.state);
  if (edits.empty()) return;
  std::vector<std::string> lines = ApplyMachineIniEdits(current.lines, edits);
  // Checked before it is written: a change never leaves a file the next read refuses.
  auto state = std::make_shared<const SandboxState>(ParseMachineIni(lines, File(kMachineFile)));
  std::string bytes = Utf8ToCp1252(JoinLinesCrLf(lines));
  WriteOrFail(kMachineFile, bytes);
  machine_ = MachineCache{std::move(bytes), std::move(lines), std::move(state)};
}

void SandboxStore::AppendLaunch(std::string_view line) {
  std::lock_guard<std::mutex> lock(mutex_);
  const SandboxLock folder_lock(File(kLockFile));
  std::string bytes = ReadFileBytes(File(kLaunchesFile)).value_or(std::string());
  bytes += Utf8ToCp1252(line);
  bytes += "\r\n";
  WriteOrFail(kLaunchesFile, bytes);
}

}  // namespace hotfix
