#include "package/uHotfixInstalados.h"

#include "base/text.h"
#include "package/uVmVersionUtils.h"

namespace hotfix {

std::string THotfixInstalados::NombreArchivo(std::string_view server_version) {
  constexpr int kFirstThreeGroups = 2;
  const std::string groups = TVmVersionUtils::Truncate(server_version, kFirstThreeGroups);
  return "HotfixSistema_" + ReplaceAll(groups, ".", "_") + ".ini";
}

}  // namespace hotfix
