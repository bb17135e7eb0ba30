#pragma once

#include <string>

#include "base/date_time.h"
#include "base/string_list.h"

namespace hotfix {

// One hotfix as the journal records it.
class TDatosHotFix : public ListObject {
 public:
  TDatosHotFix(std::string numero_hotfix, std::string usuario_windows, DateTime fecha_hora,
               bool script_empresa, bool script_diccionario, bool archivos);

  const std::string& NumeroHotfix() const { return numero_hotfix_; }
  const DateTime& FechaHora() const { return fecha_hora_; }
  const std::string& UsuarioWindows() const { return usuario_windows_; }
  bool ScriptEmpresa() const { return script_empresa_; }
  bool ScriptDiccionario() const { return script_diccionario_; }
  bool Archivos() const { return archivos_; }

 private:
  std::string numero_hotfix_;
  DateTime fecha_hora_;
  std::string usuario_windows_;
  bool script_empresa_;
  bool script_diccionario_;
  bool archivos_;
};

// The installed-hotfix journal of one installation key: an INI file in the
// key's configuration folder with one section per hotfix number, shared by
// every server version with the same first three groups.
class THotfixSistema {
 public:
  THotfixSistema(std::string numero_llave, std::string config_dir, std::string server_version);

  const std::string& NumeroLlave() const { return numero_llave_; }
  const std::string& ConfigDir() const { return config_dir_; }
  const std::string& ServerVersion() const { return server_version_; }
  // The journal file's full path.
  std::string RutaArchivo() const;

  // Appends the recorded hotfix numbers, sorted without regard to case, each
  // with its TDatosHotFix attached (owned by the list). A missing or
  // unreadable journal adds nothing.
  void ObtenerHotfixsInstalados(StringList& list) const;
  // Records the hotfix with the current date and time and the running
  // account, replacing an earlier record of the same number. False when the
  // journal could not be written; the previous journal is then untouched.
  bool RegistrarHotfix(const std::string& numero_hotfix, bool script_empresa,
                       bool script_diccionario, bool archivos) const;

 private:
  std::string numero_llave_;
  std::string config_dir_;
  std::string server_version_;
};

}  // namespace hotfix
