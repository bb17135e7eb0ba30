#pragma once

#include <optional>
#include <string>

namespace hotfix {

// Script files are read the way the script runner reads them: single-byte
// (Windows-1252) text that ends at its first NUL character, cut into lines at
// CR LF, CR or LF, and joined again with CR LF after every line. The result
// is UTF-8, ready for TParserScriptSQL.

// The text of the script file at `path`, or nothing when it cannot be read.
std::optional<std::string> ReadScriptFile(const std::string& path);

// The same for bytes already read. The conversion happens inside the given
// buffer, so a large script is never held twice.
std::string ScriptTextFromBytes(std::string bytes);

}  // namespace hotfix
