#include "package/uVmVersionMatch.h"

#include <gtest/gtest.h>

#include <functional>

#include "base/exception.h"
#include "package/uVmVersionUtils.h"

namespace hotfix {
namespace {

constexpr TVersionDeep kGroup0 = TVersionDeep::tdPrimerGrupo;
constexpr TVersionDeep kGroup1 = TVersionDeep::tdSegundoGrupo;
constexpr TVersionDeep kGroup2 = TVersionDeep::tdTercerGrupo;
constexpr TVersionDeep kGroup3 = TVersionDeep::tdCuartoGrupo;
constexpr TVersionDeep kHundreds = TVersionDeep::tdCentenaTercerGrupo;

struct EqualCase {
  const char* a;
  const char* b;
  TVersionDeep depth;
  bool equal;
};

TEST(TVmVersionCompare, EqualComparesGroupsAsIntegers) {
  const EqualCase cases[] = {
      {"9.70.1.0", "9.70.001.000", kGroup3, true},
      // A short version repeats its last group for the missing positions.
      {"9.70.001.001", "9.70.001", kGroup3, true},
      {"9.70.001.000", "9.70.001", kGroup3, false},
      {"9.70", "9.70.70.70", kGroup3, true},
      {"9.70.001.000", "9.71", kGroup0, true},
      {"9.70.001.000", "9.71", kGroup1, false},
      {" 9 . 70 ", "9.70", kGroup1, true},
      // Anything that is not an integer answers false, never an error.
      {"", "", kGroup3, false},
      {"", "0", kGroup0, false},
      {"9.x.1", "9.x.1", kGroup2, false},
      {"9.70.", "9.70.", kGroup2, false},
      {"9..1", "9.0.1", kGroup2, false},
      // The hundreds digit of group 2.
      {"9.70.123.000", "9.70.150.999", kHundreds, true},
      {"9.70.123", "9.70.223", kHundreds, false},
      {"9.70.1", "9.70.099", kHundreds, true},
      {"9.71.100", "9.70.100", kHundreds, false},
      {"9.70.1234", "9.70.12", kHundreds, false},  // wider group: its first two digits
      {"", "", kHundreds, true},                   // both read as 000.000.0
      {"0.0.0", "", kHundreds, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TVmVersionCompare::Equal(c.a, c.b, c.depth), c.equal)
        << "\"" << c.a << "\" vs \"" << c.b << "\" at " << static_cast<int>(c.depth);
  }
}

struct OrderCase {
  const char* a;
  const char* b;
  bool greater;
  bool greater_or_equal;
};

TEST(TVmVersionCompare, GreaterComparesNormalisedText) {
  const OrderCase cases[] = {
      {"10.00.000.000", "9.70.001.000", true, true},
      {"9.70.1.0", "9.70.001.000", false, true},
      {"9.70.001.0010", "9.70.001.0009", true, true},
      {"9.70.001.0009", "9.70.001.0010", false, false},
      {"9.70.001.001", "", true, true},  // the empty text normalises to zeros
      {"", "0.0.0.0", false, false},     // textually equal, numerically not
      // The numeric half answers where the textual half does not.
      {"9.70.001", "9.70.001.001", false, true},
      {"9.70.001.000", "9.70.001", false, false},
      // Groups wider than their width compare as text.
      {"9.1000.0.0", "9.999.0.0", false, false},
      {"9.70.001.10000", "9.70.001.9999", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TVmVersionUtils::Greater(c.a, c.b), c.greater) << c.a << " > " << c.b;
    EXPECT_EQ(TVmVersionUtils::GreaterOrEqual(c.a, c.b), c.greater_or_equal)
        << c.a << " >= " << c.b;
  }
  EXPECT_TRUE(TVmVersionCompare::Greater("9.71.000", "9.70.999", kGroup1));
  EXPECT_FALSE(TVmVersionCompare::Greater("9.70.999", "9.70.000", kGroup1));
}

struct FormatCase {
  const char* version;
  TVersionDeep depth;
  const char* result;
};

TEST(TVmVersionFormat, Normalize) {
  const FormatCase cases[] = {
      {"9.70.1", kGroup3, "009.070.001.0000"},
      {"9.70.001.12", kGroup3, "009.070.001.0012"},
      {"", kGroup3, "000.000.000.0000"},
      {"9.70", kGroup0, "009"},
      {"1234.5", kGroup1, "1234.005"},  // kept whole, not cut
      {"1.2.3.4.5", kGroup3, "001.002.003.0004"},
      {"9 70\t1", kGroup3, "009.070.001.0000"},  // blanks separate groups
      {" 9 . 70 ", kGroup2, "009.070.000"},
      {"9.70.", kGroup3, "009.070.000.0000"},  // a final point adds an empty group
      {"9..1", kGroup2, "009.000.001"},
      {"a.b", kGroup1, "00a.00b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TVmVersionFormat::Normalize(c.version, c.depth), c.result) << c.version;
  }
}

TEST(TVmVersionFormat, Truncate) {
  const FormatCase cases[] = {
      {"9.70.001.000", kGroup2, "9.70.001"},
      {"9.70", kGroup2, "9.70."},
      {"9", kGroup3, "9."},
      {"9.70.001.000", kGroup0, "9"},
      {"9.70.001.000", kGroup3, "9.70.001.000"},
      {"9.70.001.000.5", kGroup3, "9.70.001.000"},
      {"9..70", kGroup2, "9.70."},  // empty groups dropped
      {".9.70.", kGroup1, "9.70"},
      {"", kGroup2, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TVmVersionFormat::Truncate(c.version, c.depth), c.result) << c.version;
  }
  EXPECT_EQ(TVmVersionUtils::Truncate("9.70.001.000", 2), "9.70.001");
  EXPECT_EQ(TVmVersionUtils::Normalize("9.70.1", 3), "009.070.001");
  EXPECT_TRUE(TVmVersionUtils::Equal("9.70.001.001", "9.70.001", 4));
  EXPECT_FALSE(TVmVersionUtils::Equal("9.70.001.000", "9.70.001", 4));
}

std::string MessageOf(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const Exception& error) {
    return error.Message();
  }
  return "(no error)";
}

TEST(VersionRules, ErrorsCarryTheirMessages) {
  const std::string hundreds = "Función incompatible con Level = tdCentenaTercerGrupo";
  EXPECT_EQ(MessageOf([] { TVmVersionCompare::Greater("1", "2", kHundreds); }), hundreds);
  EXPECT_EQ(MessageOf([] { TVmVersionCompare::GreaterOrEqual("1", "1", kHundreds); }), hundreds);
  EXPECT_EQ(MessageOf([] { TVmVersionFormat::Normalize("1", kHundreds); }), hundreds);
  EXPECT_EQ(MessageOf([] { TVmVersionFormat::Truncate("1", kHundreds); }), hundreds);

  EXPECT_EQ(MessageOf([] { NtoDeep(5); }), "Error en NtoDeep, valor recibido incorrecto (5)");
  EXPECT_EQ(MessageOf([] { NtoDeep(0); }), "Error en NtoDeep, valor recibido incorrecto (0)");
  EXPECT_EQ(MessageOf([] { TVmVersionUtils::Equal("1", "1", -1); }),
            "Error en NtoDeep, valor recibido incorrecto (-1)");
  EXPECT_EQ(MessageOf([] { NivelNumHFToDeep(4); }), "Error en NivelNumHFToDeep, N desconocido");
  EXPECT_EQ(MessageOf([] { TVmVersionUtils::Truncate("9.70", -1); }),
            "Error en NivelNumHFToDeep, N desconocido");

  for (int n = 1; n <= 4; ++n) EXPECT_EQ(static_cast<int>(NtoDeep(n)), n - 1);
  for (int n = 0; n <= 3; ++n) EXPECT_EQ(static_cast<int>(NivelNumHFToDeep(n)), n);
}

TEST(TVmVersionUtils, RemoveSuffix) {
  EXPECT_EQ(TVmVersionUtils::RemoveSuffix("9.70.001.0012 - Hotfix"), "9.70.001.0012");
  EXPECT_EQ(TVmVersionUtils::RemoveSuffix(" 9.70 -a-b"), "9.70");
  EXPECT_EQ(TVmVersionUtils::RemoveSuffix("  9.70.001  "), "  9.70.001  ");  // no "-": as is
  EXPECT_EQ(TVmVersionUtils::RemoveSuffix("-x"), "");
}

}  // namespace
}  // namespace hotfix
