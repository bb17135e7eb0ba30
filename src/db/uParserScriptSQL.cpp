#include "db/uParserScriptSQL.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/codepage.h"
#include "base/text.h"

namespace hotfix {
namespace {

// Walks the lines of a stretch of text without copying them.
class LineReader {
 public:
  struct Line {
    std::string_view texto;  // without its line break
    size_t inicio;           // where the line starts
    size_t siguiente;        // where the next line starts
  };

  LineReader(std::string_view text, size_t inicio, size_t fin)
      : text_(text), pos_(inicio), fin_(fin), next_cr_(Find('\r', inicio)),
        next_lf_(Find('\n', inicio)) {}

  bool Next(Line& line) {
    if (pos_ >= fin_) return false;
    // The nearest CR and LF are remembered, so every byte is searched once
    // for each of them, however the lines end.
    if (next_cr_ < pos_) next_cr_ = Find('\r', pos_);
    if (next_lf_ < pos_) next_lf_ = Find('\n', pos_);
    const size_t salto = std::min(next_cr_, next_lf_);
    line.texto = text_.substr(pos_, salto - pos_);
    line.inicio = pos_;
    if (salto == fin_) {
      pos_ = fin_;
    } else if (text_[salto] == '\r' && salto + 1 < fin_ && text_[salto + 1] == '\n') {
      pos_ = salto + 2;
    } else {
      pos_ = salto + 1;
    }
    line.siguiente = pos_;
    return true;
  }

 private:
  size_t Find(char c, size_t from) const {
    const void* hit = std::memchr(text_.data() + from, c, fin_ - from);
    return hit == nullptr ? fin_ : static_cast<size_t>(static_cast<const char*>(hit) - text_.data());
  }

  std::string_view text_;
  size_t pos_;
  size_t fin_;
  size_t next_cr_;
  size_t next_lf_;
};

bool IsGoLine(std::string_view trimmed) {
  return trimmed.size() == 2 && (trimmed[0] == 'G' || trimmed[0] == 'g') &&
         (trimmed[1] == 'O' || trimmed[1] == 'o');
}

bool IsCommentLine(std::string_view trimmed) {
  return trimmed.starts_with("/*") || trimmed.starts_with("-- ");
}

// Position of the first character that does not survive the trip through
// Windows-1252 unchanged (malformed UTF-8, or a character without a byte
// there), or npos.
size_t FindOutsideCp1252(std::string_view text) {
  const char* data = text.data();
  const size_t size = text.size();
  size_t pos = 0;
  while (pos < size) {
    // Plain ASCII, the bulk of any script, is skipped eight bytes at a time.
    while (pos + 8 <= size) {
      uint64_t word;
      std::memcpy(&word, data + pos, sizeof word);
      if ((word & 0x8080808080808080ULL) != 0) break;
      pos += 8;
    }
    while (pos < size && static_cast<unsigned char>(data[pos]) < 0x80) ++pos;
    if (pos == size) break;
    const size_t start = pos;
    if (CodePointToCp1252(DecodeUtf8(text, pos)) < 0) return start;
  }
  return std::string_view::npos;
}

// The script as the ANSI code page leaves it, still as UTF-8: the text
// itself when every character has a Windows-1252 byte (the usual case),
// otherwise a copy with "?" for each character that has none.
std::string AsAnsiText(std::string script) {
  const size_t first = FindOutsideCp1252(script);
  if (first == std::string::npos) return script;
  std::string out(script, 0, first);
  out.reserve(script.size());
  size_t pos = first;
  while (pos < script.size()) {
    const size_t start = pos;
    if (CodePointToCp1252(DecodeUtf8(script, pos)) < 0) {
      out.push_back('?');
    } else {
      out.append(script, start, pos - start);
    }
  }
  return out;
}

}  // namespace

TParserScriptSQL::TParserScriptSQL(std::string script) : script_(AsAnsiText(std::move(script))) {
  // Every line of the script comes back into the trimming and the comment
  // rules when its batch's text is built; here only the "GO" lines matter.
  LineReader lines(script_, 0, script_.size());
  LineReader::Line line;
  size_t inicio_lote = 0;
  bool ultima_es_go = false;
  while (lines.Next(line)) {
    ultima_es_go = IsGoLine(TrimView(line.texto));
    if (ultima_es_go) {
      lotes_.push_back({inicio_lote, line.inicio});
      inicio_lote = line.siguiente;
    }
  }
  // The closing "GO" a script without one gets.
  if (!script_.empty() && !ultima_es_go) lotes_.push_back({inicio_lote, script_.size()});
}

void TParserScriptSQL::Primero() {
  if (!lotes_.empty()) actual_ = 0;
}

bool TParserScriptSQL::EsFin() const {
  return lotes_.empty() || actual_ == CantidadLotes();
}

void TParserScriptSQL::Siguiente() {
  if (!lotes_.empty() && actual_ < CantidadLotes()) ++actual_;
}

std::string TParserScriptSQL::LoteActual() const {
  std::string texto;
  if (actual_ < 0 || actual_ >= CantidadLotes()) return texto;
  const Lote& lote = lotes_[static_cast<size_t>(actual_)];
  // Trimming only shortens lines; a lone CR or LF grows into CR LF.
  texto.reserve(lote.fin - lote.inicio + 64);
  LineReader lines(script_, lote.inicio, lote.fin);
  LineReader::Line line;
  while (lines.Next(line)) {
    const std::string_view trimmed = TrimView(line.texto);
    if (IsCommentLine(trimmed)) continue;
    texto.append(trimmed);
    texto.append("\r\n");
  }
  return texto;
}

}  // namespace hotfix
