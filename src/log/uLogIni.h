#pragma once

#include <functional>
#include <string>
#include <vector>

namespace hotfix {

// "Log.Ini", the log settings shared by every program of the maker on the
// machine. Created with a help text and the default [GLOBAL] section when
// missing; a missing help or [GLOBAL] section is added back.
class TLogIni {
 public:
  // Answers the default settings text (name=value lines) for a new [GLOBAL].
  using DefaultsProvider = std::function<std::string()>;

  TLogIni(std::string process_name, std::string process_id, DefaultsProvider defaults);

  const std::string& process_name() const { return process_name_; }
  const std::string& process_id() const { return process_id_; }
  const std::string& path() const { return path_; }

  // The settings that apply, as name=value lines each ended by CR LF: the
  // [GLOBAL] section as the file held it (empty when it had none or cannot be
  // read). Creates or repairs the file first; failures there are ignored.
  std::string ObtenerConfiguracion();

  // The help section: "[LogFileHelp]" and its framed box.
  static std::vector<std::string> HelpSection();
  // The default [GLOBAL] section: its header, "Debug_Activo=1" and the
  // provider's settings.
  std::vector<std::string> DefaultGlobalSection() const;

 private:
  void CreateFile();
  void Repair(bool has_help, bool has_global);

  std::string process_name_;
  std::string process_id_;
  std::string path_;
  DefaultsProvider defaults_;
};

}  // namespace hotfix
