#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/exception.h"
#include "base/string_list.h"
#include "sysenv/ports/registry.h"

namespace hotfix {

// The registry record of the installation keys: one subkey per key under
// HKEY_LOCAL_MACHINE "\Software\Velmar\Quiltor2000\Llaves\", each holding
// string values the product's installer writes. This is the read side.
//
// Every class reads through a Registry port: the one given at construction,
// or (when none is given) the current machine's, looked up at every
// operation. No key stays open between operations.

// A registry value that exists with a type that is not text.
HOTFIX_DECLARE_EXCEPTION(ERegistryException, Exception);

// Registry roots, with the handle values of the platform.
enum class RegistryRoot : uint32_t {
  kLocalMachine = 0x80000002,  // HKEY_LOCAL_MACHINE
};

// The values of an installation key, in this order.
enum class TValorLlave {
  vlCarpetaMenuInicioCliente,
  vlCarpetaMenuInicioServidor,
  vlCategoria,
  vlCliente,
  vlClientISGUID,
  vlClientVersion,
  vlComunes,
  vlConfigDir,
  vlCountryCustomization,
  vlDescription,
  vlDirComunes,
  vlHLMachine,
  vlMonoUsuario,
  vlNombreShareCarpetaInstaladorCliente,
  vlNombreShareCarpetaSistema,
  vlNombreShareCarpetaUpdate,
  vlPlataforma,
  vlPlataformaCliente,
  vlPlataformaServer,
  vlServerGUID,
  vlServersystemDir,
  vlServerVersion,
  vlServidor,
  vlSystemDir,
  vlTipoSistema,
  vlServerISGUID,
};
inline constexpr int kValorLlaveCount = 26;

// The registry value name of a member ("ConfigDir").
std::string_view ValorLlaveNombre(TValorLlave value);
// Whether the value is a folder read with a trailing separator added.
bool ValorLlaveEsCarpeta(TValorLlave value);

// A registry location: a root and a path (registry paths end in "\").
class TCustomHKEY : public ListObject {
 public:
  // An empty path raises "Root inválido".
  TCustomHKEY(RegistryRoot root, std::string_view path, Registry* registry = nullptr);

  RegistryRoot Root() const { return root_; }
  const std::string& BasePath() const { return base_path_; }
  const std::string& CurrentPath() const { return current_path_; }

 protected:
  // The registry accessor for one operation.
  Registry& Accessor() const;

  RegistryRoot root_;
  std::string base_path_;
  Registry* registry_;
  std::string current_path_;
};

class THKEY_QuiltorConfig;

// The list of installation keys below a branch, sorted without regard to
// case ("10" before "2"), each entry owning its per-key object once asked for.
class THKEY_HardLocks : public TCustomHKEY {
 public:
  THKEY_HardLocks(RegistryRoot root, std::string_view path, Registry* registry = nullptr);

  const StringList& KeyNames() const { return key_names_; }
  // The key's object, or nullptr. The list keeps it; callers never free it.
  virtual THKEY_QuiltorConfig* GetKeyConfig(std::string_view name);
  // GetKeyConfig of the name at a position; nullptr outside the list.
  THKEY_QuiltorConfig* GetKeyConfigByIndex(int index);

 protected:
  void ListSubKeys();

  StringList key_names_;
};

// The keys of HKEY_LOCAL_MACHINE "\Software\Velmar\Quiltor2000\Llaves\".
class THKEY_HardLocks_LM_Quiltor : public THKEY_HardLocks {
 public:
  static constexpr std::string_view kBranch = "\\Software\\Velmar\\Quiltor2000\\Llaves\\";

  explicit THKEY_HardLocks_LM_Quiltor(Registry* registry = nullptr);
  THKEY_HardLocks_LM_Quiltor(RegistryRoot root, std::string_view path, Registry* registry = nullptr);

  THKEY_QuiltorConfig* GetKeyConfig(std::string_view name) override;
};

// One subkey of a branch.
class THKEY_CustomHardLock : public TCustomHKEY {
 public:
  THKEY_CustomHardLock(RegistryRoot root, std::string_view path, Registry* registry = nullptr);
  // The key `key_name` below `base_path`.
  THKEY_CustomHardLock(RegistryRoot root, std::string_view key_name, std::string_view base_path,
                       Registry* registry);

  const std::string& KeyName() const { return key_name_; }
  // The value's text; empty when the key or the value is missing. Folder
  // values get a trailing separator (an empty one reads as the separator
  // alone). A value that is not text raises ERegistryException.
  std::string ReadValue(TValorLlave value) const;

 protected:
  std::string key_name_;
};

// The registry data of one installation key.
class THKEY_QuiltorConfig : public THKEY_CustomHardLock {
 public:
  using THKEY_CustomHardLock::THKEY_CustomHardLock;
};

// Owner of the HKEY_LOCAL_MACHINE key list, created on first use and never
// refreshed afterwards.
class TVmRegistry {
 public:
  explicit TVmRegistry(Registry* registry = nullptr);
  ~TVmRegistry();
  TVmRegistry(const TVmRegistry&) = delete;
  TVmRegistry& operator=(const TVmRegistry&) = delete;

  THKEY_HardLocks_LM_Quiltor& LocalMachineKeys();

 private:
  Registry* registry_;
  std::unique_ptr<THKEY_HardLocks_LM_Quiltor> local_machine_keys_;
};

// The process-wide TVmRegistry, over the current machine's registry.
TVmRegistry& VmRegistry();
// Destroys the process-wide instance (and every object it handed out); the
// next VmRegistry() starts afresh. For program end and for tests that
// change the current machine.
void ReleaseVmRegistry();

// The text of a value under HKEY_LOCAL_MACHINE, or empty when the path or
// the value is missing or cannot be read as text.
std::string ReadLocalMachineString(std::string_view path, std::string_view name);
std::string ReadLocalMachineString(Registry& registry, std::string_view path, std::string_view name);

}  // namespace hotfix
