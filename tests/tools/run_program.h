#pragma once

#include <map>
#include <string>
#include <vector>

namespace hotfix::testing {

struct ProgramResult {
  int exit_status = -1;  // -1 when it did not end normally
  std::string out;
  std::string err;
};

// Runs a program to its end with the arguments given, the test's environment
// changed by `environment` (an empty value removes the variable), and
// answers its exit status and what it wrote.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment = {});

}  // namespace hotfix::testing
