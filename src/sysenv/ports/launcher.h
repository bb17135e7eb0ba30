#pragma once

#include <string>
#include <string_view>

namespace hotfix {

enum class ShowWindow { kNormal, kHidden };

// Starting programs.
class Launcher {
 public:
  virtual ~Launcher() = default;

  // The shell's "open" (or another verb) without waiting. The answer is the
  // shell's result: above 32 means the launch succeeded.
  virtual int ShellExecute(std::string_view verb, std::string_view file,
                           std::string_view parameters, std::string_view folder,
                           ShowWindow show) = 0;

  enum class WaitResult { kEnded, kStillRunning, kNotStarted };
  // The shell's "open" keeping the new process; waits up to `first_wait_ms`,
  // then, while it still runs, up to `second_wait_ms` more.
  virtual WaitResult ShellExecuteAndWait(std::string_view program, std::string_view folder,
                                         std::string_view parameters, int first_wait_ms,
                                         int second_wait_ms) = 0;

  // Creates a process from a command line without waiting for it. False with
  // the operating system's message in `error` when it could not be created.
  virtual bool CreateProcess(std::string_view command_line, std::string& error) = 0;
};

}  // namespace hotfix
