#include "base/string_list.h"

#include <gtest/gtest.h>

#include "base/exception.h"

namespace hotfix {
namespace {

TEST(StringList, SortedIgnoresDuplicatesWithoutRegardToCase) {
  StringList list(/*sorted=*/true, Duplicates::kIgnore);
  EXPECT_EQ(list.Add("2"), 0);
  EXPECT_EQ(list.Add("10"), 0);
  list.Add("b");
  EXPECT_EQ(list.Add("B"), 2);  // the existing entry's position
  list.Add("Á");
  list.Add("a");
  EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"10", "2", "a", "b", "Á"}));
  int index = -1;
  EXPECT_TRUE(list.Find("á", index));
  EXPECT_EQ(index, 4);
  EXPECT_FALSE(list.Find("c", index));
  EXPECT_EQ(index, 4);
}

TEST(StringList, SortedRejectsDuplicatesWhenAsked) {
  StringList list(true, Duplicates::kError);
  list.Add("x");
  EXPECT_THROW(list.Add("X"), Exception);
  StringList accepting(true, Duplicates::kAccept);
  accepting.Add("x");
  accepting.Add("X");
  EXPECT_EQ(accepting.Count(), 2);
}

TEST(StringList, NameValueLines) {
  StringList list;
  list.SetText("Server=9.70\r\nDictionaryCnxnStr=Provider=SQLOLEDB.1;Data Source=X\r\nnoequal\r\n");
  EXPECT_EQ(list.Value("server"), "9.70");
  EXPECT_EQ(list.Value("DICTIONARYCNXNSTR"), "Provider=SQLOLEDB.1;Data Source=X");
  EXPECT_EQ(list.Name(2), "");
  EXPECT_EQ(list.Value("noequal"), "");
  list.SetValue("Server", "10.00");
  EXPECT_EQ(list[0], "Server=10.00");
  list.SetValue("Nuevo", "1");
  EXPECT_EQ(list[3], "Nuevo=1");
  list.SetValue("Server", "");
  EXPECT_EQ(list.IndexOfName("Server"), -1);
  EXPECT_EQ(list.Text(), "DictionaryCnxnStr=Provider=SQLOLEDB.1;Data Source=X\r\nnoequal\r\nNuevo=1\r\n");
}

TEST(StringList, CommaTextRoundTrip) {
  const std::vector<std::vector<std::string>> cases = {
      {"EMP01", "EMP02"},
      {"Empresa con blancos", "Coma, incluida", "Comillas \"dobles\""},
      {""},
      {"a", "", "b"},
      {"", "a"},
      {"a", ""},
      {"", ""},
      {"tab\there", "ñandú"},
  };
  for (const auto& items : cases) {
    StringList list;
    list.AddStrings(items);
    StringList back;
    back.SetCommaText(list.CommaText());
    EXPECT_EQ(back.ToVector(), items) << list.CommaText();
  }
}

TEST(StringList, CommaTextQuotingRules) {
  StringList list;
  list.AddStrings(std::vector<std::string>{"simple", "con blanco", "a,b", "di\"jo", ""});
  EXPECT_EQ(list.CommaText(), "simple,\"con blanco\",\"a,b\",\"di\"\"jo\",");
  StringList one_empty;
  one_empty.Add("");
  EXPECT_EQ(one_empty.CommaText(), "\"\"");
  StringList none;
  EXPECT_EQ(none.CommaText(), "");
  StringList parsed;
  parsed.SetCommaText("  a b , \"c\"");  // unquoted blanks separate items too
  EXPECT_EQ(parsed.ToVector(), (std::vector<std::string>{"a", "b", "c"}));
  parsed.SetCommaText(std::string("a,\0b", 4));  // the text ends at a NUL
  EXPECT_EQ(parsed.ToVector(), (std::vector<std::string>{"a", ""}));
}

struct Counter : ListObject {
  explicit Counter(int* alive) : alive_(alive) { ++*alive_; }
  ~Counter() override { --*alive_; }
  int* alive_;
};

TEST(StringList, OwnsAttachedObjects) {
  int alive = 0;
  {
    StringList list(true);
    list.AddObject("b", std::make_unique<Counter>(&alive));
    list.AddObject("a", std::make_unique<Counter>(&alive));
    EXPECT_EQ(alive, 2);
    EXPECT_NE(list.ObjectAs<Counter>(0), nullptr);
    list.Delete(0);
    EXPECT_EQ(alive, 1);
  }
  EXPECT_EQ(alive, 0);
}

}  // namespace
}  // namespace hotfix
