#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hotfix {

// Splits a Windows command line into arguments the way programs built with
// the Microsoft C runtime read it: blanks separate arguments, double quotes
// group text and are removed, backslashes are literal except before a quote
// (2n backslashes + quote: n backslashes and a quote that toggles quoting;
// 2n+1: n backslashes and a literal quote).
std::vector<std::string> SplitCommandLine(std::string_view command_line);

// The same rules for a parameter text without the program name in front.
std::vector<std::string> SplitCommandArguments(std::string_view parameters);

// The program file name of a command text such as a service's configured
// binary path ("\"C:\\Program Files\\x.exe\" -service" gives "x.exe").
std::string CommandProgramFileName(std::string_view command_line);

}  // namespace hotfix
