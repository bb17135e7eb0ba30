#include "log/uLogIni.h"

#include <filesystem>
#include <system_error>

#include "base/ini_file.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/text_file.h"
#include "log/uVmPaths.h"

namespace hotfix {
namespace {

constexpr std::string_view kFileName = "Log.Ini";
constexpr std::string_view kHelpSection = "LogFileHelp";
constexpr std::string_view kGlobalSection = "GLOBAL";
constexpr size_t kBoxWidth = 77;

// The box's text, without its frame; "" is an empty framed line.
const char* const kHelpText[] = {
    " Este INI se crea automáticamente en caso de no existir.",
    " Es usado para configurarr los mensajes de Log generados",
    " usando LogFile.",
    " La primera vez que una aplicación loguea se crea la sección [GLOBAL]",
    " con los valores por defecto, que valen para todos los mensajes.",
    "",
    " La configuración puede especializarse con una sección con el nombre",
    " del proceso que está logueando.",
    " Más especializada aún, con una sección con el nombre del proceso,",
    " \"_\" y el ID (ID en el menu ó ID del proceso).",
    " Por ejemplo:",
    "  [GLOBAL]",
    "  <configura los mensajes de todos los procesos>",
    "  [HotFix]",
    "  <configura los mensajes del proceso HotFix.exe>",
    "  [HotFix_1]",
    "  <configura los mensajes del proceso HotFix.exe con ID 1>",
    " Los componentes COM+ se configuran con el nombre de su proceso: dllhost.",
    "",
    " Las opciones de configuración pueden ser:",
    "",
    " Debug_Activo=1 (valor por defecto)",
    "  - Activa (1) o desactiva (0) el log.",
    " Archivo_Texto_Nivel=1 (valor por defecto)",
    "  - Indica qué mensajes se escriben en el log: la suma de los valores",
    "  - de la tabla de valores de debug de los mensajes deseados.",
    " Archivo_Texto_Mostrar_Usuario=0  (valor por defecto)",
    "  - Indica si cada línea muestra el nombre del usuario (1) o no (0).",
    " Archivo_Texto_Tamaño_Maximo=1024 (valor por defecto)",
    "  - Indica el tamaño máximo del archivo de log en KB.",
    "  - Al superarlo, el archivo pasa a tener la extensión .bak.",
    " Archivo_Texto_Directorio=C:\\ProgramData\\Velmar\\Logs\\ (valor por defecto)",
    "  - Indica la carpeta del archivo de log; debe terminar en \\.",
    " Archivo_Texto_Nombre=\" \"  (valor por defecto)",
    "  - Indica el nombre del archivo de log; en blanco, el nombre del",
    "  - programa con la extensión .log.",
    " Archivo_Texto_Identacion=\" \"",
    "  - Indica el texto con el que se indentan los mensajes anidados.",
    "",
    " Tabla de valores de debug",
    "  +---------------------------+--------------+-------+",
    "  | Nivel                     | Binario      | Valor |",
    "  +---------------------------+--------------+-------+",
    "  | ltForced                  | 000000000000 |     0 |",
    "  | ltFail, ltError           | 000000000001 |     1 |",
    "  | ltStart, ltDown           | 000000000010 |     2 |",
    "  | ltAudit                   | 000000000100 |     4 |",
    "  | ltMsg                     | 000000001000 |     8 |",
    "  | ltTCPIP                   | 000000010000 |    16 |",
    "  | ltTech                    | 000000100000 |    32 |",
    "  | ltTime                    | 000001000000 |    64 |",
    "  | ltTermLogIn, tTermLogOff  | 000010000000 |   128 |",
    "  | ltAppIn, ltAppOff         | 000100000000 |   256 |",
    "  | ltUserLogin, ltUserLogOff | 001000000000 |   512 |",
    "  | ltCoLogin, ltCoLogOff     | 010000000000 |  1024 |",
    "  | ltEventViewer             | 100000000000 |  2048 |",
    "  +---------------------------+--------------+-------+",
    "",
    " Ejemplo de uso:",
    "  Archivo_Texto_Nivel=12, es decir",
    "  ltAudit(4) + ltMsg(8)",
};

size_t CharacterCount(std::string_view utf8) {
  size_t count = 0;
  for (char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string FramedLine(std::string_view text) {
  std::string line = "**";
  line.append(text);
  const size_t used = 4 + CharacterCount(text);
  if (used < kBoxWidth) line.append(kBoxWidth - used, ' ');
  line.append("**");
  return line;
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(ToFsPath(path), error);
}

}  // namespace

TLogIni::TLogIni(std::string process_name, std::string process_id, DefaultsProvider defaults)
    : process_name_(std::move(process_name)),
      process_id_(std::move(process_id)),
      path_(TVmPaths::GetDataFolder("") + std::string(kFileName)),
      defaults_(std::move(defaults)) {}

std::vector<std::string> TLogIni::HelpSection() {
  std::vector<std::string> lines;
  lines.push_back("[" + std::string(kHelpSection) + "]");
  lines.emplace_back(kBoxWidth, '*');
  for (const char* text : kHelpText) lines.push_back(FramedLine(text));
  lines.emplace_back(kBoxWidth, '*');
  return lines;
}

std::vector<std::string> TLogIni::DefaultGlobalSection() const {
  std::vector<std::string> lines;
  lines.push_back("[" + std::string(kGlobalSection) + "]");
  lines.push_back("Debug_Activo=1");
  if (defaults_) {
    for (auto& line : SplitLines(defaults_())) lines.push_back(std::move(line));
  }
  return lines;
}

void TLogIni::CreateFile() {
  try {
    std::vector<std::string> lines = HelpSection();
    for (auto& line : DefaultGlobalSection()) lines.push_back(std::move(line));
    WriteCp1252Lines(path_, lines);
  } catch (const std::exception&) {
    // The writer keeps its defaults when the file cannot be created.
  }
}

void TLogIni::Repair(bool has_help, bool has_global) {
  try {
    auto lines = ReadCp1252Lines(path_);
    if (!lines) return;
    if (!has_help) {
      const std::vector<std::string> help = HelpSection();
      lines->insert(lines->begin(), help.begin(), help.end());
      WriteCp1252Lines(path_, *lines);
    }
    if (!has_global) {
      for (auto& line : DefaultGlobalSection()) lines->push_back(std::move(line));
      WriteCp1252Lines(path_, *lines);
    }
  } catch (const std::exception&) {
    // A file that cannot be repaired is used as it is.
  }
}

std::string TLogIni::ObtenerConfiguracion() {
  if (!FileExists(path_)) CreateFile();
  if (!FileExists(path_)) return {};
  try {
    const IniFile ini(path_);
    const bool has_help = ini.SectionExists(kHelpSection);
    const bool has_global = ini.SectionExists(kGlobalSection);
    std::string settings;
    for (const std::string& line : ini.ReadSectionValues(kGlobalSection)) {
      if (line.find('=') != std::string::npos) settings += line + "\r\n";
    }
    if (!has_help || !has_global) Repair(has_help, has_global);
    return settings;
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace hotfix
