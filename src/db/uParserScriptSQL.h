#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace hotfix {

// Cuts a SQL Server script into the batches that its "GO" lines separate, so
// that they can be sent one by one through a data provider that knows no "GO".
//
// Lines end at CR LF, at a lone CR or at a lone LF, and every line is trimmed
// of the codes 0 to 32. A line whose trimmed text is "GO" in any case closes
// the batch before it and belongs to none; a trimmed line that begins with
// "/*" or "-- " is dropped (the object headers script generators write);
// every other line, a blank one included, stays in its batch. A script whose
// last line is not a "GO" line is closed with one, so that every kept line
// ends up in a batch.
//
// Usage: Primero(), then while !EsFin(): LoteActual(), NumeroLote(),
// CantidadLotes(), Siguiente().
class TParserScriptSQL {
 public:
  // `script` is UTF-8 text. It goes through the ANSI code page on its way to
  // the batches: characters Windows-1252 has no byte for come out as "?".
  explicit TParserScriptSQL(std::string script);

  // Makes the first batch current, when there is one.
  void Primero();
  // True when no batch is current any more, and from the start when the
  // script has no batches.
  bool EsFin() const;
  // The current batch's lines, each followed by CR LF; empty when no batch
  // is current.
  std::string LoteActual() const;
  // Moves to the next batch; after the last one EsFin() becomes true.
  void Siguiente();
  // Number of the current batch, counting from 1.
  long long NumeroLote() const { return actual_ + 1; }
  // Number of batches, which is the number of "GO" lines once the closing
  // one has been added.
  long long CantidadLotes() const { return static_cast<long long>(lotes_.size()); }

 private:
  // The bytes of the script a batch's lines come from: from the start of its
  // first line to the start of the "GO" line that closes it. Comment lines
  // are still in there; they are dropped when the text is built.
  struct Lote {
    size_t inicio;
    size_t fin;
  };

  std::string script_;
  std::vector<Lote> lotes_;
  long long actual_ = -1;
};

}  // namespace hotfix
