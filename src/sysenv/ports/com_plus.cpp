#include "sysenv/ports/com_plus.h"

#include "base/text.h"

namespace hotfix {

std::string CatalogValueToText(const CatalogValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<int64_t>(&value)) return std::to_string(*number);
  if (const auto* flag = std::get_if<bool>(&value)) return *flag ? "True" : "False";
  return {};
}

int64_t CatalogValueToInteger(const CatalogValue& value) {
  if (const auto* number = std::get_if<int64_t>(&value)) return *number;
  if (const auto* flag = std::get_if<bool>(&value)) return *flag ? -1 : 0;
  if (const auto* text = std::get_if<std::string>(&value)) {
    long long parsed = 0;
    if (TryParseInt(*text, parsed)) return parsed;
  }
  return 0;
}

bool CatalogValueToBool(const CatalogValue& value) {
  if (const auto* flag = std::get_if<bool>(&value)) return *flag;
  if (const auto* text = std::get_if<std::string>(&value)) {
    return SameText(*text, "True") || (!text->empty() && *text != "0" && !SameText(*text, "False"));
  }
  return CatalogValueToInteger(value) != 0;
}

}  // namespace hotfix
