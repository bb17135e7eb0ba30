#include "sysenv/uVmRegistry.h"

#include <array>
#include <mutex>

#include "base/format.h"
#include "base/paths.h"
#include "sysenv/ports/machine.h"

namespace hotfix {
namespace {

struct ValorLlaveInfo {
  std::string_view name;
  bool folder;
};

constexpr std::array<ValorLlaveInfo, kValorLlaveCount> kValoresLlave = {{
    {"CarpetaMenuInicioCliente", false},
    {"CarpetaMenuInicioServidor", false},
    {"Categoria", false},
    {"Cliente", false},
    {"ClientISGUID", false},
    {"ClientVersion", false},
    {"Comunes", false},
    {"ConfigDir", true},
    {"CountryCustomization", false},
    {"Description", false},
    {"DirComunes", true},
    {"HLMachine", false},
    {"MonoUsuario", false},
    {"NombreShareCarpetaInstaladorCliente", false},
    {"NombreShareCarpetaSistema", false},
    {"NombreShareCarpetaUpdate", false},
    {"Plataforma", false},
    {"PlataformaCliente", false},
    {"PlataformaServer", false},
    {"ServerGUID", false},
    {"ServersystemDir", true},
    {"ServerVersion", false},
    {"Servidor", false},
    {"SystemDir", true},
    {"TipoSistema", false},
    {"ServerISGUID", false},
}};

const ValorLlaveInfo& Info(TValorLlave value) {
  return kValoresLlave.at(static_cast<size_t>(value));
}

// Registry paths always end in "\".
std::string WithTrailingBackslash(std::string_view path) {
  std::string out(path);
  if (out.empty() || out.back() != '\\') out.push_back('\\');
  return out;
}

std::mutex g_instance_mutex;
std::unique_ptr<TVmRegistry> g_instance;

}  // namespace

std::string_view ValorLlaveNombre(TValorLlave value) { return Info(value).name; }

bool ValorLlaveEsCarpeta(TValorLlave value) { return Info(value).folder; }

// ---- TCustomHKEY ------------------------------------------------------------

TCustomHKEY::TCustomHKEY(RegistryRoot root, std::string_view path, Registry* registry)
    : root_(root), registry_(registry) {
  if (path.empty()) throw Exception("Root inválido");
  base_path_ = WithTrailingBackslash(path);
  current_path_ = base_path_;
}

Registry& TCustomHKEY::Accessor() const {
  return registry_ != nullptr ? *registry_ : CurrentMachine().registry();
}

// ---- THKEY_HardLocks --------------------------------------------------------

THKEY_HardLocks::THKEY_HardLocks(RegistryRoot root, std::string_view path, Registry* registry)
    : TCustomHKEY(root, path, registry) {
  ListSubKeys();
  key_names_.SetSorted(true);
}

void THKEY_HardLocks::ListSubKeys() {
  key_names_.Clear();
  try {
    if (const auto names = Accessor().SubKeyNames(current_path_)) {
      key_names_.AddStrings(*names);
    }
  } catch (const std::exception&) {
    // A branch that cannot be listed leaves the list as it got.
  }
}

THKEY_QuiltorConfig* THKEY_HardLocks::GetKeyConfig(std::string_view /*name*/) { return nullptr; }

THKEY_QuiltorConfig* THKEY_HardLocks::GetKeyConfigByIndex(int index) {
  if (index < 0 || index >= key_names_.Count()) return nullptr;
  return GetKeyConfig(key_names_[index]);
}

// ---- THKEY_HardLocks_LM_Quiltor ---------------------------------------------

THKEY_HardLocks_LM_Quiltor::THKEY_HardLocks_LM_Quiltor(Registry* registry)
    : THKEY_HardLocks(RegistryRoot::kLocalMachine, kBranch, registry) {}

THKEY_HardLocks_LM_Quiltor::THKEY_HardLocks_LM_Quiltor(RegistryRoot root, std::string_view path,
                                                       Registry* registry)
    : THKEY_HardLocks(root, path, registry) {}

THKEY_QuiltorConfig* THKEY_HardLocks_LM_Quiltor::GetKeyConfig(std::string_view name) {
  int index = 0;
  if (!key_names_.Find(name, index)) return nullptr;
  if (auto* cached = key_names_.ObjectAs<THKEY_QuiltorConfig>(index)) return cached;
  // A key that does not open now is not remembered: the next call tries again.
  if (!Accessor().KeyExists(base_path_ + std::string(name))) return nullptr;
  auto config = std::make_unique<THKEY_QuiltorConfig>(root_, name, base_path_, registry_);
  THKEY_QuiltorConfig* result = config.get();
  key_names_.SetObject(index, std::move(config));
  return result;
}

// ---- THKEY_CustomHardLock ---------------------------------------------------

THKEY_CustomHardLock::THKEY_CustomHardLock(RegistryRoot root, std::string_view path,
                                           Registry* registry)
    : TCustomHKEY(root, path, registry) {}

THKEY_CustomHardLock::THKEY_CustomHardLock(RegistryRoot root, std::string_view key_name,
                                           std::string_view base_path, Registry* registry)
    : TCustomHKEY(root, base_path, registry), key_name_(key_name) {
  current_path_ = WithTrailingBackslash(base_path_ + key_name_);
}

std::string THKEY_CustomHardLock::ReadValue(TValorLlave value) const {
  const ValorLlaveInfo& info = Info(value);
  std::string text;
  if (const auto read = Accessor().ReadValue(current_path_, info.name)) {
    if (!read->IsText()) {
      throw ERegistryException(Format("Tipo de dato inválido para '%s'", info.name));
    }
    text = read->text;
  }
  return info.folder ? IncludeTrailingPathDelimiter(text) : text;
}

// ---- TVmRegistry ------------------------------------------------------------

TVmRegistry::TVmRegistry(Registry* registry) : registry_(registry) {}

TVmRegistry::~TVmRegistry() = default;

THKEY_HardLocks_LM_Quiltor& TVmRegistry::LocalMachineKeys() {
  if (!local_machine_keys_) {
    local_machine_keys_ = std::make_unique<THKEY_HardLocks_LM_Quiltor>(registry_);
  }
  return *local_machine_keys_;
}

TVmRegistry& VmRegistry() {
  std::lock_guard<std::mutex> lock(g_instance_mutex);
  if (!g_instance) g_instance = std::make_unique<TVmRegistry>();
  return *g_instance;
}

void ReleaseVmRegistry() {
  std::lock_guard<std::mutex> lock(g_instance_mutex);
  g_instance.reset();
}

// ---- ReadLocalMachineString -------------------------------------------------

std::string ReadLocalMachineString(Registry& registry, std::string_view path,
                                   std::string_view name) {
  try {
    if (!registry.KeyExists(path)) return {};
    const auto value = registry.ReadValue(path, name);
    if (!value || !value->IsText()) return {};
    return value->text;
  } catch (const std::exception&) {
    return {};
  }
}

std::string ReadLocalMachineString(std::string_view path, std::string_view name) {
  try {
    return ReadLocalMachineString(CurrentMachine().registry(), path, name);
  } catch (const std::exception&) {
    return {};  // no machine to read
  }
}

}  // namespace hotfix
