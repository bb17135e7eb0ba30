#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hotfix {

// How many groups of a dotted version an operation looks at.
enum class TVersionDeep : uint8_t {
  tdPrimerGrupo = 0,         // group 0
  tdSegundoGrupo = 1,        // groups 0 and 1
  tdTercerGrupo = 2,         // groups 0 to 2
  tdCuartoGrupo = 3,         // groups 0 to 3
  tdCentenaTercerGrupo = 4,  // groups 0 and 1 and the hundreds digit of group 2
};

// Comparison of dotted versions ("9.70.001.000"). Equal compares the groups
// as integers; Greater compares the normalised texts byte by byte, so a group
// wider than its normalised width sorts as text.
class TVmVersionCompare {
 public:
  TVmVersionCompare() = delete;

  // Never raises: a group that is not an integer makes the answer false.
  static bool Equal(std::string_view a, std::string_view b, TVersionDeep depth);
  // Whether a is newer than b. Depth tdCentenaTercerGrupo raises.
  static bool Greater(std::string_view a, std::string_view b, TVersionDeep depth);
  // Equal or, failing that, Greater. Depth tdCentenaTercerGrupo raises.
  static bool GreaterOrEqual(std::string_view a, std::string_view b, TVersionDeep depth);
};

// Normalised and truncated forms of dotted versions.
class TVmVersionFormat {
 public:
  TVmVersionFormat() = delete;

  // Each considered group left-padded with "0" to 3 characters (4 for group
  // 3), joined by points: 9.70.1 at tdCuartoGrupo is 009.070.001.0000.
  static std::string Normalize(std::string_view version, TVersionDeep depth);
  // The first groups, empty groups dropped: 9.70.001.000 at tdTercerGrupo is
  // 9.70.001; a version with fewer groups keeps a final point (9.70.).
  static std::string Truncate(std::string_view version, TVersionDeep depth);
};

// The message of the operations that do not accept tdCentenaTercerGrupo.
inline constexpr std::string_view kDepthNotSupportedMessage =
    "Función incompatible con Level = tdCentenaTercerGrupo";

}  // namespace hotfix
