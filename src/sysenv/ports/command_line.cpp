#include "sysenv/ports/command_line.h"

#include "base/paths.h"

namespace hotfix {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void SkipBlanks(std::string_view text, size_t& pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
}

// The program name: up to the next quote when it starts with one, otherwise
// up to the first blank; backslashes are always literal.
std::string ReadProgramName(std::string_view text, size_t& pos) {
  std::string name;
  if (text[pos] == '"') {
    ++pos;
    while (pos < text.size() && text[pos] != '"') name.push_back(text[pos++]);
    if (pos < text.size()) ++pos;
  } else {
    while (pos < text.size() && !IsBlank(text[pos])) name.push_back(text[pos++]);
  }
  return name;
}

std::string ReadArgument(std::string_view text, size_t& pos) {
  std::string arg;
  bool quoted = false;
  while (pos < text.size() && (quoted || !IsBlank(text[pos]))) {
    if (text[pos] == '\\') {
      size_t backslashes = 0;
      while (pos < text.size() && text[pos] == '\\') {
        ++backslashes;
        ++pos;
      }
      if (pos < text.size() && text[pos] == '"') {
        arg.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          arg.push_back('"');
          ++pos;
        }
      } else {
        arg.append(backslashes, '\\');
      }
    } else if (text[pos] == '"') {
      if (quoted && pos + 1 < text.size() && text[pos + 1] == '"') {
        arg.push_back('"');  // "" inside quotes is a literal quote
        pos += 2;
      } else {
        quoted = !quoted;
        ++pos;
      }
    } else {
      arg.push_back(text[pos++]);
    }
  }
  return arg;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view command_line) {
  std::vector<std::string> args;
  size_t pos = 0;
  SkipBlanks(command_line, pos);
  if (pos >= command_line.size()) return args;
  args.push_back(ReadProgramName(command_line, pos));
  for (std::string& arg : SplitCommandArguments(command_line.substr(pos))) {
    args.push_back(std::move(arg));
  }
  return args;
}

std::vector<std::string> SplitCommandArguments(std::string_view parameters) {
  std::vector<std::string> args;
  size_t pos = 0;
  while (true) {
    SkipBlanks(parameters, pos);
    if (pos >= parameters.size()) break;
    args.push_back(ReadArgument(parameters, pos));
  }
  return args;
}

std::string CommandProgramFileName(std::string_view command_line) {
  const std::vector<std::string> args = SplitCommandLine(command_line);
  return args.empty() ? std::string() : ExtractFileName(args.front());
}

}  // namespace hotfix
