#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "base/codepage.h"
#include "base/text.h"
#include "log/log_fixture.h"
#include "log/uLogIni.h"

namespace hotfix::testing {
namespace {

using ::testing::ElementsAreArray;

// The help section as a person opening "Log.Ini" sees it.
const char* const kExpectedHelp[] = {
    "[LogFileHelp]",
    "*****************************************************************************",
    "** Este INI se crea automáticamente en caso de no existir.                 **",
    "** Es usado para configurarr los mensajes de Log generados                 **",
    "** usando LogFile.                                                         **",
    "** La primera vez que una aplicación loguea se crea la sección [GLOBAL]    **",
    "** con los valores por defecto, que valen para todos los mensajes.         **",
    "**                                                                         **",
    "** La configuración puede especializarse con una sección con el nombre     **",
    "** del proceso que está logueando.                                         **",
    "** Más especializada aún, con una sección con el nombre del proceso,       **",
    "** \"_\" y el ID (ID en el menu ó ID del proceso).                           **",
    "** Por ejemplo:                                                            **",
    "**  [GLOBAL]                                                               **",
    "**  <configura los mensajes de todos los procesos>                         **",
    "**  [HotFix]                                                               **",
    "**  <configura los mensajes del proceso HotFix.exe>                        **",
    "**  [HotFix_1]                                                             **",
    "**  <configura los mensajes del proceso HotFix.exe con ID 1>               **",
    "** Los componentes COM+ se configuran con el nombre de su proceso: dllhost.**",
    "**                                                                         **",
    "** Las opciones de configuración pueden ser:                               **",
    "**                                                                         **",
    "** Debug_Activo=1 (valor por defecto)                                      **",
    "**  - Activa (1) o desactiva (0) el log.                                   **",
    "** Archivo_Texto_Nivel=1 (valor por defecto)                               **",
    "**  - Indica qué mensajes se escriben en el log: la suma de los valores    **",
    "**  - de la tabla de valores de debug de los mensajes deseados.            **",
    "** Archivo_Texto_Mostrar_Usuario=0  (valor por defecto)                    **",
    "**  - Indica si cada línea muestra el nombre del usuario (1) o no (0).     **",
    "** Archivo_Texto_Tamaño_Maximo=1024 (valor por defecto)                    **",
    "**  - Indica el tamaño máximo del archivo de log en KB.                    **",
    "**  - Al superarlo, el archivo pasa a tener la extensión .bak.             **",
    "** Archivo_Texto_Directorio=C:\\ProgramData\\Velmar\\Logs\\ (valor por defecto)**",
    "**  - Indica la carpeta del archivo de log; debe terminar en \\.            **",
    "** Archivo_Texto_Nombre=\" \"  (valor por defecto)                           **",
    "**  - Indica el nombre del archivo de log; en blanco, el nombre del        **",
    "**  - programa con la extensión .log.                                      **",
    "** Archivo_Texto_Identacion=\" \"                                            **",
    "**  - Indica el texto con el que se indentan los mensajes anidados.        **",
    "**                                                                         **",
    "** Tabla de valores de debug                                               **",
    "**  +---------------------------+--------------+-------+                   **",
    "**  | Nivel                     | Binario      | Valor |                   **",
    "**  +---------------------------+--------------+-------+                   **",
    "**  | ltForced                  | 000000000000 |     0 |                   **",
    "**  | ltFail, ltError           | 000000000001 |     1 |                   **",
    "**  | ltStart, ltDown           | 000000000010 |     2 |                   **",
    "**  | ltAudit                   | 000000000100 |     4 |                   **",
    "**  | ltMsg                     | 000000001000 |     8 |                   **",
    "**  | ltTCPIP                   | 000000010000 |    16 |                   **",
    "**  | ltTech                    | 000000100000 |    32 |                   **",
    "**  | ltTime                    | 000001000000 |    64 |                   **",
    "**  | ltTermLogIn, tTermLogOff  | 000010000000 |   128 |                   **",
    "**  | ltAppIn, ltAppOff         | 000100000000 |   256 |                   **",
    "**  | ltUserLogin, ltUserLogOff | 001000000000 |   512 |                   **",
    "**  | ltCoLogin, ltCoLogOff     | 010000000000 |  1024 |                   **",
    "**  | ltEventViewer             | 100000000000 |  2048 |                   **",
    "**  +---------------------------+--------------+-------+                   **",
    "**                                                                         **",
    "** Ejemplo de uso:                                                         **",
    "**  Archivo_Texto_Nivel=12, es decir                                       **",
    "**  ltAudit(4) + ltMsg(8)                                                  **",
    "*****************************************************************************",
};

std::vector<std::string> ExpectedHelp() {
  return std::vector<std::string>(std::begin(kExpectedHelp), std::end(kExpectedHelp));
}

class LogIniTest : public LogTest {
 protected:
  std::vector<std::string> DefaultGlobal() const {
    return {
        "[GLOBAL]",
        "Debug_Activo=1",
        "Archivo_Texto_Nivel=1",
        "Archivo_Texto_Mostrar_Usuario=0",
        "Archivo_Texto_Tamaño_Maximo=1024",
        "Archivo_Texto_Directorio=" + LogsFolder(),
        "Archivo_Texto_Nombre= ",
        "Archivo_Texto_Identacion=\" \"",
    };
  }
  std::vector<std::string> IniLines() const {
    return SplitLines(Cp1252ToUtf8(ReadBytes(LogIniPath())));
  }
};

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(LogIniTest, FirstEntryCreatesLogIniWithTheHelpBoxAndTheDefaultGlobalSection) {
  TManagedLogFile::Write(ltError, "primera");

  const std::string bytes = ReadBytes(LogIniPath());
  EXPECT_EQ(bytes, Utf8ToCp1252(JoinLinesCrLf(Concat(ExpectedHelp(), DefaultGlobal()))));
  EXPECT_NE(bytes.find("Tama\xF1o"), std::string::npos) << "Windows-1252 on disk";
}

TEST_F(LogIniTest, HelpBoxIsSeventySevenColumnsWide) {
  const auto help = TLogIni::HelpSection();
  ASSERT_GT(help.size(), 3u);
  EXPECT_EQ(help.front(), "[LogFileHelp]");
  EXPECT_EQ(help[1], std::string(77, '*'));
  EXPECT_EQ(help.back(), std::string(77, '*'));
  for (size_t i = 2; i + 1 < help.size(); ++i) {
    const std::string ansi = Utf8ToCp1252(help[i]);
    EXPECT_EQ(ansi.size(), 77u) << help[i];
    EXPECT_EQ(ansi.substr(0, 2), "**") << help[i];
    EXPECT_EQ(ansi.substr(75), "**") << help[i];
    EXPECT_TRUE(ansi[2] == ' ') << help[i];
  }
}

TEST_F(LogIniTest, HelpTableMatchesTheWritersLevels) {
  // Every level the table names carries the bit the writer filters with.
  std::map<std::string, uint32_t> table;
  for (const std::string& line : TLogIni::HelpSection()) {
    const size_t open = line.find("| lt");
    if (open == std::string::npos) continue;
    const auto cells = Split(line.substr(open + 1, line.rfind('|') - open - 1), '|');
    ASSERT_EQ(cells.size(), 3u) << line;
    const uint32_t value = static_cast<uint32_t>(std::stoul(Trim(cells[2])));
    EXPECT_EQ(std::stoul(Trim(cells[1]), nullptr, 2), value) << line;
    for (const std::string& name : Split(cells[0], ',')) table[Trim(name)] = value;
  }
  ASSERT_EQ(table.size(), static_cast<size_t>(kLogTypeCount));
  for (int i = 0; i < kLogTypeCount; ++i) {
    const auto level = static_cast<TLogType>(i);
    std::string name(LogTypeName(level));
    if (level == ltTermLogOff) name = "tTermLogOff";  // as the help text has always written it
    ASSERT_TRUE(table.count(name)) << name;
    EXPECT_EQ(table[name], LogTypeBit(level)) << name;
  }
}

TEST_F(LogIniTest, OnlyGlobalGetsTheHelpInsertedAtTheTopAndItsSettingsApply) {
  const std::vector<std::string> original{"; ajustado por soporte", "[GLOBAL]",
                                          "Archivo_Texto_Nivel=39", "", "[Otro]", "x=1"};
  WriteLogIni(original);

  EXPECT_TRUE(TManagedLogFile::Write(ltStart, "TX.Inicio"));
  EXPECT_TRUE(TManagedLogFile::Write(ltDown, "TX.Inicio"));
  EXPECT_TRUE(TManagedLogFile::Write(ltAudit, "paso"));
  EXPECT_TRUE(TManagedLogFile::Write(ltTech, "detalle"));
  EXPECT_FALSE(TManagedLogFile::Write(ltMsg, "mensaje"));

  EXPECT_THAT(IniLines(), ElementsAreArray(Concat(ExpectedHelp(), original)));
}

TEST_F(LogIniTest, OnlyHelpGetsTheDefaultGlobalAppendedAndThisRunUsesTheDefaults) {
  const std::vector<std::string> original{"[logfilehelp]", "** texto de ayuda viejo **"};
  WriteLogIni(original);

  TLogIni ini("", "", [] { return std::string("Archivo_Texto_Nivel=4\r\n"); });
  EXPECT_EQ(ini.ObtenerConfiguracion(), "");
  EXPECT_THAT(IniLines(), ElementsAreArray(Concat(original, {"[GLOBAL]", "Debug_Activo=1",
                                                             "Archivo_Texto_Nivel=4"})));
  // Now complete, it is left as it is.
  EXPECT_EQ(ini.ObtenerConfiguracion(), "Debug_Activo=1\r\nArchivo_Texto_Nivel=4\r\n");
  EXPECT_EQ(IniLines().size(), original.size() + 3);
}

TEST_F(LogIniTest, FileWithNeitherSectionGetsBoth) {
  const std::vector<std::string> original{"[HotFix]", "Archivo_Texto_Nivel=4095"};
  WriteLogIni(original);

  EXPECT_FALSE(TManagedLogFile::Write(ltAudit, "la sección del proceso no se lee"));

  EXPECT_THAT(IniLines(), ElementsAreArray(Concat(Concat(ExpectedHelp(), original),
                                                  DefaultGlobal())));
}

TEST_F(LogIniTest, SettingsAreTheGlobalLinesTrimmedInFileOrder) {
  WriteLogIni({"[LogFileHelp]", "[Global]", "  Archivo_Texto_Nombre =   ", "; comentario=1", "",
               "Archivo_Texto_Identacion = \" \" ", "sin igual", "Debug_Activo=1",
               "Debug_Activo=0", "[Otro]", "Archivo_Texto_Nivel=7"});
  TLogIni ini("", "", nullptr);
  EXPECT_EQ(ini.path(), LogIniPath());
  EXPECT_EQ(ini.ObtenerConfiguracion(),
            "Archivo_Texto_Nombre=\r\n"
            "Archivo_Texto_Identacion=\" \"\r\n"
            "Debug_Activo=1\r\n"
            "Debug_Activo=0\r\n");
}

TEST_F(LogIniTest, AFileThatCannotBeCreatedGivesNoSettingsAndTheWriterKeepsItsDefaults) {
  // A folder where the file should be: it can be neither created nor read.
  std::filesystem::create_directories(ToFsPath(LogIniPath()));
  TLogIni ini("", "", [] { return std::string("Archivo_Texto_Nivel=4095\r\n"); });
  EXPECT_EQ(ini.ObtenerConfiguracion(), "");

  EXPECT_FALSE(TManagedLogFile::Write(ltAudit, "auditoría"));
  EXPECT_TRUE(TManagedLogFile::Write(ltError, "error"));
}

}  // namespace
}  // namespace hotfix::testing
