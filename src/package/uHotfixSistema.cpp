#include "package/uHotfixSistema.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "base/ini_file.h"
#include "base/paths.h"
#include "package/uHotfixInstalados.h"
#include "sysenv/ports/machine.h"

namespace hotfix {
namespace {

constexpr std::string_view kFechaHora = "FechaHora";
constexpr std::string_view kUsuarioWindows = "UsuarioWindows";
constexpr std::string_view kScriptEmpresa = "ScriptEmpresa";
constexpr std::string_view kScriptDiccionario = "ScriptDiccionario";
constexpr std::string_view kArchivos = "Archivos";
constexpr std::string_view kYes = "S";
constexpr std::string_view kNo = "N";

DateTime Today() {
  DateTime now = CurrentMachine().clock().Now();
  return DateTime{now.year, now.month, now.day};
}

DateTime ReadFechaHora(const IniFile& journal, const std::string& section) {
  const std::string text = journal.ReadString(section, kFechaHora, "");
  if (const auto value = ParseDateTimeAr(text)) return *value;
  return Today();
}

bool ReadFlag(const IniFile& journal, const std::string& section, std::string_view key) {
  return journal.ReadString(section, key, kYes) == kYes;
}

std::string_view FlagText(bool value) { return value ? kYes : kNo; }

// "DOMAIN\user" -> "user".
std::string WithoutDomain(const std::string& account) {
  const size_t separator = account.rfind('\\');
  return separator == std::string::npos ? account : account.substr(separator + 1);
}

bool ExistsButUnreadable(const IniFile& journal) {
  std::error_code error;
  const bool exists = std::filesystem::exists(ToFsPath(journal.path()), error);
  return (exists || error) && !journal.existed();
}

}  // namespace

TDatosHotFix::TDatosHotFix(std::string numero_hotfix, std::string usuario_windows,
                           DateTime fecha_hora, bool script_empresa, bool script_diccionario,
                           bool archivos)
    : numero_hotfix_(std::move(numero_hotfix)),
      fecha_hora_(fecha_hora),
      usuario_windows_(std::move(usuario_windows)),
      script_empresa_(script_empresa),
      script_diccionario_(script_diccionario),
      archivos_(archivos) {}

THotfixSistema::THotfixSistema(std::string numero_llave, std::string config_dir,
                               std::string server_version)
    : numero_llave_(std::move(numero_llave)),
      config_dir_(std::move(config_dir)),
      server_version_(std::move(server_version)) {}

std::string THotfixSistema::RutaArchivo() const {
  return JoinPath(config_dir_, THotfixInstalados::NombreArchivo(server_version_));
}

void THotfixSistema::ObtenerHotfixsInstalados(StringList& list) const {
  const IniFile journal(RutaArchivo());
  StringList sections(true, Duplicates::kIgnore);
  sections.AddStrings(journal.ReadSections());
  for (const std::string& section : sections) {
    auto record = std::make_unique<TDatosHotFix>(
        section, journal.ReadString(section, kUsuarioWindows, ""), ReadFechaHora(journal, section),
        ReadFlag(journal, section, kScriptEmpresa), ReadFlag(journal, section, kScriptDiccionario),
        ReadFlag(journal, section, kArchivos));
    list.AddObject(section, std::move(record));
  }
}

bool THotfixSistema::RegistrarHotfix(const std::string& numero_hotfix, bool script_empresa,
                                     bool script_diccionario, bool archivos) const {
  try {
    const IniFile current(RutaArchivo());
    // Rewriting a journal that exists but could not be read would lose it.
    if (ExistsButUnreadable(current)) return false;
    Machine& machine = CurrentMachine();
    // All five keys change in memory and reach the disk in one replacement.
    IniFile journal = IniFile::FromLines(current.lines());
    journal.WriteString(numero_hotfix, kFechaHora, FormatDateTimeAr(machine.clock().Now()));
    journal.WriteString(numero_hotfix, kUsuarioWindows,
                        WithoutDomain(machine.processes().CurrentAccount()));
    journal.WriteString(numero_hotfix, kScriptEmpresa, FlagText(script_empresa));
    journal.WriteString(numero_hotfix, kScriptDiccionario, FlagText(script_diccionario));
    journal.WriteString(numero_hotfix, kArchivos, FlagText(archivos));
    return journal.SaveAs(current.path());
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace hotfix
