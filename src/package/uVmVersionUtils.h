#pragma once

#include <string>
#include <string_view>

#include "package/uVmVersionMatch.h"

namespace hotfix {

// Number of groups (1 to 4) -> depth (tdPrimerGrupo to tdCuartoGrupo).
// Raises "Error en NtoDeep, valor recibido incorrecto (<n>)" otherwise.
TVersionDeep NtoDeep(int groups);
// Level 0 to 3 -> the depth of the same value; raises
// "Error en NivelNumHFToDeep, N desconocido" otherwise.
TVersionDeep NivelNumHFToDeep(int level);

// The version rules most callers use, over four groups unless told otherwise.
class TVmVersionUtils {
 public:
  TVmVersionUtils() = delete;

  static bool Greater(std::string_view a, std::string_view b);
  static bool GreaterOrEqual(std::string_view a, std::string_view b);
  static bool Equal(std::string_view a, std::string_view b, int groups);
  static std::string Normalize(std::string_view version, int groups);
  static std::string Truncate(std::string_view version, int level);
  // The version of a list entry "<version> - <name>": the text before the
  // first "-", trimmed; a text without "-" is answered unchanged.
  static std::string RemoveSuffix(std::string_view text);
};

// The fixed file version of an executable as "9.70.1.0", or empty when the
// file does not exist or has no version resource. Never raises.
std::string ObtenerVersionArchivo(const std::string& path);

}  // namespace hotfix
