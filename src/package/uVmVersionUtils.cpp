#include "package/uVmVersionUtils.h"

#include "base/exception.h"
#include "base/format.h"
#include "base/text.h"
#include "sysenv/ports/machine.h"
#include "sysenv/ports/version_block.h"

namespace hotfix {

TVersionDeep NtoDeep(int groups) {
  if (groups < 1 || groups > 4) {
    throw Exception(Format("Error en NtoDeep, valor recibido incorrecto (%d)", groups));
  }
  return static_cast<TVersionDeep>(groups - 1);
}

TVersionDeep NivelNumHFToDeep(int level) {
  if (level < 0 || level > 3) throw Exception("Error en NivelNumHFToDeep, N desconocido");
  return static_cast<TVersionDeep>(level);
}

bool TVmVersionUtils::Greater(std::string_view a, std::string_view b) {
  return TVmVersionCompare::Greater(a, b, TVersionDeep::tdCuartoGrupo);
}

bool TVmVersionUtils::GreaterOrEqual(std::string_view a, std::string_view b) {
  return TVmVersionCompare::GreaterOrEqual(a, b, TVersionDeep::tdCuartoGrupo);
}

bool TVmVersionUtils::Equal(std::string_view a, std::string_view b, int groups) {
  return TVmVersionCompare::Equal(a, b, NtoDeep(groups));
}

std::string TVmVersionUtils::Normalize(std::string_view version, int groups) {
  return TVmVersionFormat::Normalize(version, NtoDeep(groups));
}

std::string TVmVersionUtils::Truncate(std::string_view version, int level) {
  return TVmVersionFormat::Truncate(version, NivelNumHFToDeep(level));
}

std::string TVmVersionUtils::RemoveSuffix(std::string_view text) {
  const size_t dash = text.find('-');
  if (dash == std::string_view::npos) return std::string(text);
  return Trim(text.substr(0, dash));
}

std::string ObtenerVersionArchivo(const std::string& path) {
  try {
    const auto data = CurrentMachine().file_facts().ReadVersionResource(path);
    if (!data) return {};
    const auto block = VersionBlock::Parse(*data);
    if (!block || !block->fixed_version()) return {};
    return block->fixed_version()->Text();
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace hotfix
