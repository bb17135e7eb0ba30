#pragma once

#include <string_view>

#include "base/string_list.h"

namespace hotfix {

// Matching of versions and hotfix numbers against lists of them.
class TVersionesManager {
 public:
  TVersionesManager() = delete;

  // A hotfix number is a dotted text whose last group has exactly 4
  // characters (9.70.001.0012); any other text is a version.
  static bool EsNumeroHotfix(std::string_view text);
  // Whether some entry ("<version>" or "<version> - <name>") equals the
  // version over four groups.
  static bool VersionEnLista(std::string_view version, const StringList& list);
  // Whether one of the required entries equals the version over four groups
  // or is among the installed ones. An empty requirement list is never met.
  static bool RequisitoCumplido(const StringList& installed, std::string_view version,
                                const StringList& required);
};

}  // namespace hotfix
