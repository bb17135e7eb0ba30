#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hotfix {

// Script files are read the way the script runner reads them: single-byte
// (Windows-1252) text that ends at its first NUL character, cut into lines at
// CR LF, CR or LF, and joined again with CR LF after every line. The result
// is UTF-8, ready for TParserScriptSQL.

// The text of the script file at `path`, or nothing when it cannot be read.
// The file is converted while it is read, so a large script is held once.
std::optional<std::string> ReadScriptFile(const std::string& path);

// The same for bytes already read.
std::string ScriptTextFromBytes(std::string_view bytes);

// Builds a script's text from its bytes given in consecutive pieces.
class ScriptTextBuilder {
 public:
  // `expected_size`: the number of bytes expected, to size the text once.
  explicit ScriptTextBuilder(size_t expected_size = 0);

  // Adds the next piece. False once the text has ended at a NUL character;
  // later pieces are ignored.
  bool Append(std::string_view bytes);

  // The text; the builder is spent.
  std::string Finish();

 private:
  std::string text_;
  bool pending_cr_ = false;  // the previous piece ended with a CR
  bool ended_ = false;
};

}  // namespace hotfix
