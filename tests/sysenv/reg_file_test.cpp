#include "sysenv/ports/reg_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/codepage.h"
#include "base/exception.h"
#include "sysenv/ports/sandbox_format_error.h"

namespace hotfix {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::string_view kHeaderLine = "Windows Registry Editor Version 5.00\r\n";

RegFile ParseText(std::string_view body) {
  return RegFile::Parse(std::string(kHeaderLine) + std::string(body), "/sb/registry.reg");
}

std::string TextOf(const RegFile& file, std::string_view path, std::string_view name) {
  const auto value = file.ReadValue(path, name);
  return value ? value->text : "<ninguno>";
}

TEST(RegFile, ReadsEveryValueFormAndIgnoresCase) {
  const RegFile file = ParseText(
      "\r\n"
      "; comentario\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Velmar\\Quiltor2000\\Llaves\\1]\r\n"
      "\"SystemDir\"=\"C:\\\\Sistema\\\\\"\r\n"
      "\"Cita\"=\"dijo \\\"hola\\\"\"\r\n"
      "@=\"por defecto\"\r\n"
      "\"Nombre \\\"raro\\\"\"=\"x\"\r\n"
      "\"Cantidad\"=dword:0000002a\r\n"
      "\"Otra\"=hex(4):2a,01,00,00\r\n"
      "\"Datos\"=hex:01,02,ff\r\n"
      "\"Carpeta\"=hex(2):25,00,50,00,\\\r\n"
      "  25,00,00,00\r\n"
      "\"Lineas\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n");

  const std::string key = "\\SOFTWARE\\velmar\\QUILTOR2000\\llaves\\1\\";
  EXPECT_EQ(TextOf(file, key, "systemdir"), "C:\\Sistema\\");
  EXPECT_EQ(TextOf(file, key, "Cita"), "dijo \"hola\"");
  EXPECT_EQ(TextOf(file, key, ""), "por defecto");
  EXPECT_EQ(TextOf(file, key, "Nombre \"raro\""), "x");
  EXPECT_EQ(file.ReadValue(key, "Cantidad")->dword, 42u);
  EXPECT_EQ(file.ReadValue(key, "Cantidad")->kind, RegistryValue::Kind::kDWord);
  EXPECT_EQ(file.ReadValue(key, "Otra")->dword, 0x12au);
  EXPECT_EQ(file.ReadValue(key, "Datos")->kind, RegistryValue::Kind::kOther);
  EXPECT_EQ(file.ReadValue(key, "Carpeta")->kind, RegistryValue::Kind::kExpandString);
  EXPECT_EQ(TextOf(file, key, "Carpeta"), "%P%");
  EXPECT_EQ(file.ReadValue(key, "Lineas")->kind, RegistryValue::Kind::kString);
  EXPECT_EQ(TextOf(file, key, "Lineas"), "a\r\nb");
  EXPECT_FALSE(file.ReadValue(key, "Falta"));
  EXPECT_FALSE(file.ReadValue("Software\\Otra", "SystemDir"));
}

TEST(RegFile, KeysAboveAHeaderExistAndSubkeysKeepFileOrder) {
  const RegFile file = ParseText(
      "[HKEY_LOCAL_MACHINE\\Software\\Velmar\\Llaves\\2]\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Velmar\\Llaves\\10]\r\n"
      "[HKEY_LOCAL_MACHINE\\software\\velmar\\llaves\\2\\Sub]\r\n");
  EXPECT_TRUE(file.KeyExists("Software\\Velmar"));
  EXPECT_TRUE(file.KeyExists(""));
  EXPECT_FALSE(file.KeyExists("Software\\Otra"));
  EXPECT_THAT(*file.SubKeyNames("SOFTWARE\\VELMAR\\LLAVES"), ElementsAre("2", "10"));
  EXPECT_THAT(*file.SubKeyNames("Software"), ElementsAre("Velmar"));
  EXPECT_TRUE(file.SubKeyNames("Software\\Velmar\\Llaves\\10")->empty());
  EXPECT_FALSE(file.SubKeyNames("Software\\Nada"));
}

TEST(RegFile, ReadsUtf16WithByteOrderMarkAndWritesItBackTheSame) {
  const std::string text = std::string(kHeaderLine) +
                           "\r\n[HKEY_LOCAL_MACHINE\\Software\\Año]\r\n\"Descripción\"=\"Compañía\"\r\n";
  const std::string bytes = "\xFF\xFE" + Utf8ToUtf16Le(text);
  RegFile file = RegFile::Parse(bytes, "registry.reg");
  EXPECT_EQ(file.encoding(), RegFile::Encoding::kUtf16LeWithBom);
  EXPECT_EQ(TextOf(file, "software\\AÑO", "DESCRIPCIÓN"), "Compañía");
  EXPECT_EQ(file.Serialize(), bytes);

  file.WriteValue("Software\\Año", "Nuevo", RegistryValue{RegistryValue::Kind::kString, "ñ", 0});
  const std::string written = file.Serialize();
  ASSERT_EQ(written.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(TextOf(RegFile::Parse(written, "registry.reg"), "Software\\Año", "Nuevo"), "ñ");
}

TEST(RegFile, KeepsAUtf8ByteOrderMark) {
  const std::string bytes = "\xEF\xBB\xBF" + std::string(kHeaderLine);
  RegFile file = RegFile::Parse(bytes, "registry.reg");
  EXPECT_EQ(file.encoding(), RegFile::Encoding::kUtf8WithBom);
  file.WriteValue("A", "v", RegistryValue{RegistryValue::Kind::kString, "1", 0});
  EXPECT_EQ(file.Serialize().substr(0, 3), "\xEF\xBB\xBF");
}

struct MalformedCase {
  const char* what;
  std::string bytes;
  int line;
};

class RegFileMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(RegFileMalformed, NamesTheFileAndTheLine) {
  const MalformedCase& c = GetParam();
  try {
    RegFile::Parse(c.bytes, "/sb/registry.reg");
    FAIL() << "se aceptó: " << c.what;
  } catch (const ESandboxFormatError& error) {
    EXPECT_THAT(error.Message(),
                HasSubstr("/sb/registry.reg, línea " + std::to_string(c.line) + ":"))
        << c.what;
  }
}

const std::string kKey = std::string(kHeaderLine) + "[HKEY_LOCAL_MACHINE\\A]\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, RegFileMalformed,
    ::testing::Values(
        MalformedCase{"archivo vacío", "", 1},
        MalformedCase{"cabecera de REGEDIT4", "REGEDIT4\r\n", 1},
        MalformedCase{"comilla sin cerrar", kKey + "\"x\"=\"sin cierre\r\n", 3},
        MalformedCase{"barra sin escapar", kKey + "\"x\"=\"C:\\Sistema\"\r\n", 3},
        MalformedCase{"valor antes de una clave", std::string(kHeaderLine) + "\"x\"=\"y\"\r\n", 2},
        MalformedCase{"otra raíz", std::string(kHeaderLine) + "[HKEY_CURRENT_USER\\A]\r\n", 2},
        MalformedCase{"borrar clave", std::string(kHeaderLine) + "[-HKEY_LOCAL_MACHINE\\A]\r\n", 2},
        MalformedCase{"corchete sin cerrar", std::string(kHeaderLine) + "[HKEY_LOCAL_MACHINE\\A\r\n", 2},
        MalformedCase{"dword no hexadecimal", kKey + "\r\n\"x\"=dword:xyz\r\n", 4},
        MalformedCase{"dword demasiado largo", kKey + "\"x\"=dword:123456789\r\n", 3},
        MalformedCase{"byte hex no válido", kKey + "\"x\"=hex:01,1g\r\n", 3},
        MalformedCase{"continuación al final", kKey + "\"x\"=hex:01,\\\r\n", 3},
        MalformedCase{"línea suelta", kKey + "hola\r\n", 3},
        MalformedCase{"borrar valor", kKey + "\"x\"=-\r\n", 3},
        MalformedCase{"falta el igual", kKey + "\"x\" \"y\"\r\n", 3},
        MalformedCase{"texto tras la comilla", kKey + "\"x\"=\"y\" z\r\n", 3},
        MalformedCase{"UTF-16 impar", kKey + "\"x\"=hex(2):41\r\n", 3},
        MalformedCase{"Windows-1252 en vez de UTF-8", kKey + "\"x\"=\"a\xF1o\"\r\n", 3},
        MalformedCase{"error en la línea continuada", kKey + "\"x\"=hex:01,\\\r\n  zz\r\n", 4}));

TEST(RegFile, WritingAValueChangesOnlyItsLines) {
  RegFile file = ParseText(
      "\r\n"
      "; notas del técnico\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Velmar]\r\n"
      "\"Largo\"=hex:01,02,\\\r\n"
      "  03,04\r\n"
      "\"Queda\"=\"igual\"\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Otra]\r\n"
      "\"v\"=dword:00000001\r\n");
  file.WriteValue("software\\VELMAR", "LARGO", RegistryValue{RegistryValue::Kind::kString, "a\\b\"c", 0});
  file.WriteValue("Software\\Velmar", "Nuevo", RegistryValue{RegistryValue::Kind::kString, "n", 0});
  file.WriteValue("Software\\Velmar\\Hija", "h", RegistryValue{RegistryValue::Kind::kString, "1", 0});
  EXPECT_EQ(file.Serialize(),
            std::string(kHeaderLine) +
                "\r\n"
                "; notas del técnico\r\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Velmar]\r\n"
                "\"Largo\"=\"a\\\\b\\\"c\"\r\n"
                "\"Queda\"=\"igual\"\r\n"
                "\"Nuevo\"=\"n\"\r\n"
                "\r\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Otra]\r\n"
                "\"v\"=dword:00000001\r\n"
                "\r\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Velmar\\Hija]\r\n"
                "\"h\"=\"1\"\r\n"
                "\r\n");
  EXPECT_EQ(TextOf(file, "Software\\Velmar", "largo"), "a\\b\"c");
}

TEST(RegFile, TextWithLineBreaksAndExpandableTextRoundTrip) {
  RegFile file;
  const std::string lines = "12/04/2011 - 9.70.000.1045\r\n03/06/2011 - 9.70.001.1110";
  file.WriteValue("Software\\Velmar\\Orvin\\3", "HotFixNumber",
                  RegistryValue{RegistryValue::Kind::kString, lines, 0});
  file.WriteValue("Software\\X", "E", RegistryValue{RegistryValue::Kind::kExpandString, "%ProgramData%\\V", 0});
  file.WriteValue("Software\\X", "D", RegistryValue{RegistryValue::Kind::kDWord, {}, 0xFFFFFFFFu});
  const RegFile reread = RegFile::Parse(file.Serialize(), "registry.reg");
  EXPECT_EQ(TextOf(reread, "software\\velmar\\orvin\\3", "hotfixnumber"), lines);
  EXPECT_EQ(reread.ReadValue("Software\\X", "E")->kind, RegistryValue::Kind::kExpandString);
  EXPECT_EQ(TextOf(reread, "Software\\X", "E"), "%ProgramData%\\V");
  EXPECT_EQ(reread.ReadValue("Software\\X", "D")->dword, 0xFFFFFFFFu);
}

TEST(RegFile, NewKeysKeepTheSpellingOfTheKeysAboveThem) {
  RegFile file = ParseText("[HKEY_LOCAL_MACHINE\\Software\\Velmar\\Quiltor2000\\Llaves\\1]\r\n");
  file.WriteValue("\\software\\velmar\\quiltor2000\\llaves\\3\\", "HotFixNumber",
                  RegistryValue{RegistryValue::Kind::kString, "", 0});
  EXPECT_THAT(file.Serialize(),
              HasSubstr("[HKEY_LOCAL_MACHINE\\Software\\Velmar\\Quiltor2000\\Llaves\\3]"));
  EXPECT_THAT(*file.SubKeyNames("Software\\Velmar\\Quiltor2000\\Llaves"), ElementsAre("1", "3"));
}

TEST(RegFile, TheRootHoldsNoValues) {
  RegFile file;
  EXPECT_THROW(file.WriteValue("\\", "x", RegistryValue{}), EOSError);
}

}  // namespace
}  // namespace hotfix
