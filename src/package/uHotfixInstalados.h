#pragma once

#include <string>
#include <string_view>

namespace hotfix {

// Names the installed-hotfix journal of a server version.
class THotfixInstalados {
 public:
  THotfixInstalados() = delete;

  // "HotfixSistema_" + the version's first three groups with "_" for "." +
  // ".ini": 9.70.001.000 gives HotfixSistema_9_70_001.ini.
  static std::string NombreArchivo(std::string_view server_version);
};

}  // namespace hotfix
