// hftool keys, registry get, registry set: the installation registry.

#include <iostream>
#include <memory>

#include "base/text.h"
#include "sysenv/uVmRegistry.h"
#include "tool_context.h"

namespace hotfix::hftool {
namespace {

// Registry paths are relative to HKEY_LOCAL_MACHINE; a leading root name is accepted too.
std::string RelativeToLocalMachine(std::string_view path) {
  for (std::string_view root : {"HKEY_LOCAL_MACHINE", "HKLM"}) {
    if (StartsText(root, path) &&
        (path.size() == root.size() || path[root.size()] == '\\')) {
      return std::string(path.substr(root.size()));
    }
  }
  return std::string(path);
}

std::string Display(std::string_view path) {
  std::string shown = "HKEY_LOCAL_MACHINE";
  for (const std::string& part : Split(path, '\\')) {
    if (!part.empty()) shown += "\\" + part;
  }
  return shown;
}

bool IsRoot(std::string_view path) { return Trim(ReplaceAll(path, "\\", "")).empty(); }

int ListKeys() {
  THKEY_HardLocks_LM_Quiltor& keys = VmRegistry().LocalMachineKeys();
  for (int i = 0; i < keys.KeyNames().Count(); ++i) {
    std::string line = keys.KeyNames()[i];
    if (THKEY_QuiltorConfig* config = keys.GetKeyConfigByIndex(i)) {
      line += " " + config->ReadValue(TValorLlave::vlServerVersion) + " " +
              config->ReadValue(TValorLlave::vlHLMachine);
    }
    std::cout << line << "\n";
  }
  return kExitOk;
}

int GetValue(Registry& registry, const std::string& path, const std::string& name) {
  const std::string relative = RelativeToLocalMachine(path);
  if (!registry.KeyExists(relative)) {
    std::cerr << "No existe la clave " << Display(relative) << ".\n";
    return kExitFailed;
  }
  const auto value = registry.ReadValue(relative, name);
  if (!value) {
    std::cerr << "No existe el valor \"" << name << "\" en " << Display(relative) << ".\n";
    return kExitFailed;
  }
  switch (value->kind) {
    case RegistryValue::Kind::kString:
    case RegistryValue::Kind::kExpandString:
      std::cout << value->text << "\n";
      return kExitOk;
    case RegistryValue::Kind::kDWord:
      std::cout << value->dword << "\n";
      return kExitOk;
    case RegistryValue::Kind::kOther:
      break;
  }
  std::cerr << "El valor \"" << name << "\" de " << Display(relative)
            << " no es texto ni dword; hftool no lo muestra.\n";
  return kExitFailed;
}

int SetValue(Registry& registry, const std::string& path, const std::string& name,
             const std::string& value) {
  const std::string relative = RelativeToLocalMachine(path);
  if (IsRoot(relative)) {
    std::cerr << "Falta la ruta de la clave: HKEY_LOCAL_MACHINE no guarda valores.\n";
    return kExitFailed;
  }
  registry.WriteString(relative, name, value);
  return kExitOk;
}

}  // namespace

void AddRegistryCommands(CLI::App& app, ToolContext& context) {
  CLI::App* keys = app.add_subcommand(
      "keys", "Lista las llaves de instalación: número, ServerVersion y HLMachine");
  context.RunOnMachineWhenChosen(keys, [] { return ListKeys(); });

  CLI::App* registry = app.add_subcommand(
      "registry", "Valores de HKEY_LOCAL_MACHINE (rutas como Software\\Velmar\\Quiltor2000)");
  registry->require_subcommand(1);

  auto path = std::make_shared<std::string>();
  auto name = std::make_shared<std::string>();
  auto value = std::make_shared<std::string>();

  CLI::App* get = registry->add_subcommand("get", "Muestra un valor (\"\" para el valor por defecto)");
  get->add_option("PATH", *path, "Ruta de la clave")->required();
  get->add_option("NAME", *name, "Nombre del valor")->required();
  context.RunWhenChosen(get, [&context, path, name] {
    return GetValue(context.machine().registry(), *path, *name);
  });

  CLI::App* set = registry->add_subcommand("set", "Escribe un valor de texto (crea la clave si falta)");
  set->add_option("PATH", *path, "Ruta de la clave")->required();
  set->add_option("NAME", *name, "Nombre del valor")->required();
  set->add_option("VALUE", *value, "Texto del valor")->required();
  context.RunWhenChosen(set, [&context, path, name, value] {
    return SetValue(context.machine().registry(), *path, *name, *value);
  });
}

}  // namespace hotfix::hftool
