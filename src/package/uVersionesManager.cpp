#include "package/uVersionesManager.h"

#include <string>

#include "package/uVmVersionMatch.h"
#include "package/uVmVersionUtils.h"

namespace hotfix {

bool TVersionesManager::EsNumeroHotfix(std::string_view text) {
  const size_t point = text.rfind('.');
  if (point == std::string_view::npos) return false;
  size_t characters = 0;
  for (char c : text.substr(point + 1)) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
  }
  return characters == 4;
}

bool TVersionesManager::VersionEnLista(std::string_view version, const StringList& list) {
  for (const std::string& entry : list) {
    if (TVmVersionCompare::Equal(TVmVersionUtils::RemoveSuffix(entry), version,
                                 TVersionDeep::tdCuartoGrupo)) {
      return true;
    }
  }
  return false;
}

bool TVersionesManager::RequisitoCumplido(const StringList& installed, std::string_view version,
                                          const StringList& required) {
  for (const std::string& entry : required) {
    const std::string requirement = TVmVersionUtils::RemoveSuffix(entry);
    if (TVmVersionCompare::Equal(requirement, version, TVersionDeep::tdCuartoGrupo) ||
        VersionEnLista(requirement, installed)) {
      return true;
    }
  }
  return false;
}

}  // namespace hotfix
