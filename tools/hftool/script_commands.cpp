#include "script_commands.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "base/format.h"
#include "base/paths.h"
#include "db/script_file.h"
#include "db/uParserScriptSQL.h"

namespace hotfix::hftool {
namespace {

// Collects small pieces of output and hands them to the stream in large
// blocks; large pieces go straight through.
class BlockWriter {
 public:
  explicit BlockWriter(std::ostream& out) : out_(out) {}

  void Write(std::string_view text) {
    if (buffer_.size() + text.size() > kBlock) Flush();
    if (text.size() >= kBlock) {
      out_.write(text.data(), static_cast<std::streamsize>(text.size()));
    } else {
      buffer_.append(text);
    }
  }

  bool Finish() {
    Flush();
    out_.flush();
    return static_cast<bool>(out_);
  }

 private:
  static constexpr size_t kBlock = size_t{1} << 20;

  void Flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
  }

  std::ostream& out_;
  std::string buffer_;
};

int SplitScript(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(ToFsPath(path), ec)) {
    std::cerr << Format("El archivo (%s) no existe.", path) << "\n";
    return kExitFailed;
  }
  std::optional<std::string> text = ReadScriptFile(path);
  if (!text) {
    std::cerr << Format("No se pudo leer el archivo (%s).", path) << "\n";
    return kExitFailed;
  }
  TParserScriptSQL parser(std::move(*text));
  BlockWriter out(std::cout);
  out.Write(Format("Lotes=%d\n", parser.CantidadLotes()));
  for (parser.Primero(); !parser.EsFin(); parser.Siguiente()) {
    const std::string lote = parser.LoteActual();
    out.Write(Format("Lote %d: %d\n", parser.NumeroLote(), lote.size()));
    out.Write(lote);
  }
  if (!out.Finish()) {
    std::cerr << "No se pudo escribir la salida.\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

void AddScriptCommands(CLI::App& app, ToolContext& context) {
  CLI::App* script = app.add_subcommand("script", "Scripts SQL de los hotfix");
  script->require_subcommand(1);

  auto path = std::make_shared<std::string>();
  CLI::App* split = script->add_subcommand(
      "split",
      "Corta el script en lotes en sus líneas GO, como lo hace el instalador, y muestra "
      "\"Lotes=N\" y luego, por cada lote, \"Lote K: L\" (L: bytes del texto en UTF-8) "
      "seguido de su texto");
  split->add_option("FILE", *path, "Archivo del script (texto Windows-1252)")->required();
  context.RunWhenChosen(split, [path] { return SplitScript(*path); });
}

}  // namespace hotfix::hftool
