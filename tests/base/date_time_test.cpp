#include "base/date_time.h"

#include <gtest/gtest.h>

namespace hotfix {
namespace {

TEST(DateTime, SerialMatchesDelphi) {
  EXPECT_DOUBLE_EQ((DateTime{1899, 12, 30}).ToSerial(), 0.0);
  EXPECT_DOUBLE_EQ((DateTime{2000, 1, 1}).ToSerial(), 36526.0);
  EXPECT_DOUBLE_EQ((DateTime{2026, 12, 11, 12, 0, 0, 0}).ToSerial(), 46367.5);
  const DateTime t{2026, 2, 28, 23, 59, 59, 999};
  EXPECT_EQ(DateTime::FromSerial(t.ToSerial()), t);
}

TEST(DateTime, ArgentineStyle) {
  EXPECT_EQ(FormatDateTimeAr({2026, 3, 5, 14, 7, 9, 0}), "05/03/2026 14:07:09");
  EXPECT_EQ(FormatDateTimeAr({2026, 3, 5}), "05/03/2026");
  EXPECT_EQ(ParseDateTimeAr("5/3/2026 14:07"), (DateTime{2026, 3, 5, 14, 7, 0, 0}));
  EXPECT_EQ(ParseDateTimeAr("05/03/2026"), (DateTime{2026, 3, 5}));
  EXPECT_FALSE(ParseDateTimeAr("31/02/2026").has_value());
  EXPECT_FALSE(ParseDateTimeAr("2026-03-05").has_value());
  EXPECT_EQ(FormatLogTimestamp({2026, 12, 1, 9, 5, 3, 7}), "2026/12/01 09:05:03:007");
}

}  // namespace
}  // namespace hotfix
