#include "package_commands.h"

#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "base/date_time.h"
#include "base/format.h"
#include "base/string_list.h"
#include "base/text_file.h"
#include "package/uHotfixSistema.h"
#include "package/uVmVersionMatch.h"
#include "package/uVmVersionUtils.h"
#include "sysenv/ports/pe_version.h"
#include "sysenv/ports/version_block.h"

namespace hotfix::hftool {
namespace {

constexpr int kDefaultDepth = 3;

struct VersionArgs {
  std::string a;
  std::string b;
  int depth = kDefaultDepth;
  int level = 0;
};

struct FileArgs {
  std::string file;
};

struct JournalArgs {
  std::string config_dir;
  std::string server_version;
};

TVersionDeep Depth(int value) { return static_cast<TVersionDeep>(value); }

// "Name=True", "Name=False", or "Name=<message>" when the operation raises.
void PrintOutcome(std::string_view name, const std::function<bool()>& operation) {
  std::string answer;
  try {
    answer = BoolText(operation());
  } catch (const std::exception& error) {
    answer = error.what();
  }
  std::cout << name << "=" << answer << "\n";
}

// The result alone, or the error message with status 1.
int PrintResult(const std::function<std::string()>& operation) {
  try {
    std::cout << operation() << "\n";
    return kExitOk;
  } catch (const std::exception& error) {
    std::cout << error.what() << "\n";
    return kExitFailed;
  }
}

int RunCompare(const VersionArgs& args) {
  const TVersionDeep depth = Depth(args.depth);
  PrintOutcome("Equal", [&] { return TVmVersionCompare::Equal(args.a, args.b, depth); });
  PrintOutcome("Greater", [&] { return TVmVersionCompare::Greater(args.a, args.b, depth); });
  PrintOutcome("GreaterOrEqual",
               [&] { return TVmVersionCompare::GreaterOrEqual(args.a, args.b, depth); });
  return kExitOk;
}

int RunFileVersion(const FileArgs& args) {
  const auto bytes = ReadFileBytes(args.file);
  if (!bytes) {
    std::cerr << "No se pudo leer el archivo " << args.file << "\n";
    return kExitFailed;
  }
  std::optional<VersionBlock> block;
  if (const auto data = ExtractPeVersionResource(*bytes)) block = VersionBlock::Parse(*data);
  std::string fixed;
  if (block && block->fixed_version()) fixed = block->fixed_version()->Text();
  std::cout << "FixedVersion=" << fixed << "\n";
  std::cout << "FileVersion=" << (block ? block->StringValue("FileVersion") : "") << "\n";
  std::cout << "Translation=" << (block ? block->Translation() : "") << "\n";
  return kExitOk;
}

int RunJournalList(ToolContext& context, const JournalArgs& args) {
  // The clock of the named machine supplies the date of records without one.
  if (!context.sandbox_option.empty()) context.machine();
  StringList hotfixes;
  THotfixSistema("", args.config_dir, args.server_version).ObtenerHotfixsInstalados(hotfixes);
  for (int i = 0; i < hotfixes.Count(); ++i) {
    const auto* record = hotfixes.ObjectAs<TDatosHotFix>(i);
    std::cout << hotfixes[i] << "\t" << FormatDateTimeAr(record->FechaHora()) << "\t"
              << record->UsuarioWindows() << "\t" << BoolText(record->ScriptEmpresa()) << "\t"
              << BoolText(record->ScriptDiccionario()) << "\t" << BoolText(record->Archivos())
              << "\n";
  }
  return kExitOk;
}

void AddDepthOption(CLI::App* command, int& depth) {
  command->add_option("--depth", depth, "Profundidad (TVersionDeep): 0 a 4")
      ->check(CLI::Range(0, 4))
      ->capture_default_str();
}

void AddVersionCommands(CLI::App& app, ToolContext& context) {
  CLI::App* version = app.add_subcommand("version", "Reglas de versiones con puntos");
  version->require_subcommand(1);

  auto compare_args = std::make_shared<VersionArgs>();
  CLI::App* compare = version->add_subcommand(
      "compare",
      "Compara A con B: imprime Equal=, Greater= y GreaterOrEqual= seguidos de True, False "
      "o el mensaje de error de la operación");
  compare->add_option("A", compare_args->a, "Versión A")->required();
  compare->add_option("B", compare_args->b, "Versión B")->required();
  AddDepthOption(compare, compare_args->depth);
  context.RunWhenChosen(compare, [compare_args] { return RunCompare(*compare_args); });

  auto normalize_args = std::make_shared<VersionArgs>();
  CLI::App* normalize = version->add_subcommand(
      "normalize", "Imprime la versión normalizada (o el mensaje de error, con estado 1)");
  normalize->add_option("V", normalize_args->a, "Versión")->required();
  AddDepthOption(normalize, normalize_args->depth);
  context.RunWhenChosen(normalize, [normalize_args] {
    return PrintResult([&] {
      return TVmVersionFormat::Normalize(normalize_args->a, Depth(normalize_args->depth));
    });
  });

  auto truncate_args = std::make_shared<VersionArgs>();
  CLI::App* truncate = version->add_subcommand(
      "truncate",
      "Imprime los primeros grupos de la versión hasta el nivel LEVEL (0 a 3), o el mensaje "
      "de error, con estado 1");
  truncate->add_option("V", truncate_args->a, "Versión")->required();
  truncate->add_option("LEVEL", truncate_args->level, "Nivel")->required();
  context.RunWhenChosen(truncate, [truncate_args] {
    return PrintResult(
        [&] { return TVmVersionUtils::Truncate(truncate_args->a, truncate_args->level); });
  });
}

void AddFileVersionCommand(CLI::App& app, ToolContext& context) {
  auto args = std::make_shared<FileArgs>();
  CLI::App* command = app.add_subcommand(
      "fileversion",
      "Lee el recurso de versión de un ejecutable: FixedVersion=, FileVersion= y Translation= "
      "(vacíos cuando el archivo no los tiene)");
  command->add_option("FILE", args->file, "Archivo ejecutable")->required();
  context.RunWhenChosen(command, [args] { return RunFileVersion(*args); });
}

void AddJournalCommands(CLI::App& app, ToolContext& context) {
  CLI::App* journal = app.add_subcommand("journal", "Registro de hotfixs instalados de una llave");
  journal->require_subcommand(1);
  auto args = std::make_shared<JournalArgs>();
  CLI::App* list = journal->add_subcommand(
      "list",
      "Un renglón por hotfix, separado por tabuladores: número, FechaHora, UsuarioWindows, "
      "ScriptEmpresa, ScriptDiccionario, Archivos");
  list->add_option("CONFIGDIR", args->config_dir, "Carpeta de configuración de la llave")
      ->required();
  list->add_option("SERVERVERSION", args->server_version, "Versión del servidor de la llave")
      ->required();
  context.RunWhenChosen(list, [&context, args] { return RunJournalList(context, *args); });
}

}  // namespace

void AddPackageCommands(CLI::App& app, ToolContext& context) {
  AddVersionCommands(app, context);
  AddFileVersionCommand(app, context);
  AddJournalCommands(app, context);
}

}  // namespace hotfix::hftool
