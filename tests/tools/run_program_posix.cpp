#include "run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "base/paths.h"
#include "support/temp_dir.h"

extern char** environ;

namespace hotfix::testing {

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment) {
  TempDir capture;
  const std::string out_file = capture.File("out");
  const std::string err_file = capture.File("err");

  std::vector<std::string> env_text;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text(*entry);
    const std::string name = text.substr(0, text.find('='));
    if (environment.count(name) == 0) env_text.push_back(text);
  }
  for (const auto& [name, value] : environment) {
    if (!value.empty()) env_text.push_back(name + "=" + value);
  }
  std::vector<char*> envp;
  for (std::string& text : env_text) envp.push_back(text.data());
  envp.push_back(nullptr);

  std::vector<std::string> arg_text = {program};
  arg_text.insert(arg_text.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : arg_text) argv.push_back(text.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_file.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_file.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("cannot wait for " + program);
  }
  ProgramResult result;
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadBytes(out_file);
  result.err = ReadBytes(err_file);
  return result;
}

}  // namespace hotfix::testing
