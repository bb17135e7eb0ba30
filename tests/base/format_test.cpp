#include "base/format.h"

#include <gtest/gtest.h>

#include "base/exception.h"

namespace hotfix {
namespace {

TEST(Format, SystemMessages) {
  EXPECT_EQ(Format("El servicio %s no se encontró instalado.", "svcOrvin"),
            "El servicio svcOrvin no se encontró instalado.");
  EXPECT_EQ(Format("%s     --> Result = %s", "Deteniendo", BoolText(false)),
            "Deteniendo     --> Result = False");
  EXPECT_EQ(Format("%-15s %s", "File:", "x.exe"), "File:           x.exe");
  EXPECT_EQ(Format("%-15s|", "Versión:"), "Versión:       |");  // width counts characters
  EXPECT_EQ(Format("%d de %d (100%%)", 3, 10), "3 de 10 (100%)");
  EXPECT_EQ(Format("%5d|", 42), "   42|");
  EXPECT_EQ(Format("falta %s"), "falta ");
}

HOTFIX_DECLARE_EXCEPTION(EPrueba, Exception);

TEST(Exception, CarriesItsClassName) {
  const EPrueba error("mensaje");
  EXPECT_EQ(error.ClassName(), "EPrueba");
  EXPECT_EQ(ExceptionClassName(error), "EPrueba");
  EXPECT_EQ(ExceptionClassName(Exception("x")), "Exception");
  EXPECT_STREQ(error.what(), "mensaje");
}

}  // namespace
}  // namespace hotfix
