#include "package/uVersionesManager.h"

#include <gtest/gtest.h>

namespace hotfix {
namespace {

StringList ListOf(std::initializer_list<const char*> entries) {
  StringList list;
  for (const char* entry : entries) list.Add(entry);
  return list;
}

TEST(TVersionesManager, EsNumeroHotfix) {
  EXPECT_TRUE(TVersionesManager::EsNumeroHotfix("9.70.001.0012"));
  EXPECT_TRUE(TVersionesManager::EsNumeroHotfix("9.70.001.1110"));
  EXPECT_FALSE(TVersionesManager::EsNumeroHotfix("9.70.001.000"));
  EXPECT_FALSE(TVersionesManager::EsNumeroHotfix("1234"));  // no point
  EXPECT_FALSE(TVersionesManager::EsNumeroHotfix("9.70."));
  EXPECT_FALSE(TVersionesManager::EsNumeroHotfix("9.70.001.0012 - HF"));
}

TEST(TVersionesManager, VersionEnLista) {
  const StringList list = ListOf({"9.70.001.0011", "9.70.001.0012 - Hotfix 12"});
  EXPECT_TRUE(TVersionesManager::VersionEnLista("9.70.001.0012", list));
  EXPECT_TRUE(TVersionesManager::VersionEnLista("9.70.1.12", list));  // numeric groups
  EXPECT_FALSE(TVersionesManager::VersionEnLista("9.70.001.0013", list));
  EXPECT_FALSE(TVersionesManager::VersionEnLista("9.70.001.0012", StringList()));
}

TEST(TVersionesManager, RequisitoCumplido) {
  const StringList installed = ListOf({"9.70.001.0009", "9.70.001.0012"});
  struct Case {
    const char* version;
    StringList required;
    bool met;
  };
  Case cases[] = {
      {"9.70.001.000", ListOf({"9.70.001.0012 - HF 12"}), true},    // installed hotfix
      {"9.70.001.000", ListOf({"9.70.1.0 - Versión base"}), true},  // the server version
      {"9.70.002.000", ListOf({"9.70.001.0013 - a", "9.70.001.000 - b"}), false},
      {"9.70.002.000", ListOf({"9.70.001.0013 - a", "9.70.001.0009 - b"}), true},
      {"9.70.001.000", StringList(), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TVersionesManager::RequisitoCumplido(installed, c.version, c.required), c.met)
        << c.version << " / " << c.required.CommaText();
  }
}

}  // namespace
}  // namespace hotfix
