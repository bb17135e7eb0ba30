#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "base/guid.h"
#include "support/temp_dir.h"
#include "sysenv/sysinfo_service_process.h"

extern char** environ;

namespace hotfix::testing {
namespace {

constexpr int kStartMs = 10000;
constexpr int kStopMs = 10000;

// Reads one line from the descriptor within the deadline.
std::string ReadLine(int fd, std::chrono::steady_clock::time_point deadline) {
  std::string line;
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) throw std::runtime_error("sysinfo-service no indicó su puerto a tiempo");
    pollfd wait{fd, POLLIN, 0};
    if (poll(&wait, 1, static_cast<int>(left.count())) <= 0) continue;
    char c = 0;
    const ssize_t got = read(fd, &c, 1);
    if (got <= 0) throw std::runtime_error("sysinfo-service terminó sin indicar su puerto");
    if (c == '\n') return line;
    line.push_back(c);
  }
}

}  // namespace

SysInfoServiceProcess::SysInfoServiceProcess(const std::string& sandbox,
                                             const std::vector<std::string>& extra_args,
                                             bool sandbox_port) {
  error_file_ = sandbox + ".sysinfo-" + GuidToHex32(NewGuid()).substr(0, 8) + ".stderr";
  std::vector<std::string> args{SYSINFO_SERVICE_PATH, "--sandbox", sandbox};
  if (!sandbox_port) args.insert(args.end(), {"--port", "0"});
  args.insert(args.end(), extra_args.begin(), extra_args.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, error_file_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    throw std::runtime_error(std::string("no se pudo iniciar sysinfo-service: ") + strerror(spawned));
  }
  pid_ = pid;
  try {
    const std::string address =
        ReadLine(out[0], std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartMs));
    port_ = static_cast<uint16_t>(std::stoi(address.substr(address.rfind(':') + 1)));
  } catch (const std::exception& error) {
    close(out[0]);
    Stop();
    throw std::runtime_error(std::string(error.what()) + ": " + ErrorOutput());
  }
  close(out[0]);
}

SysInfoServiceProcess::~SysInfoServiceProcess() {
  Stop();
  unlink(error_file_.c_str());
}

std::string SysInfoServiceProcess::ErrorOutput() const {
  try {
    return ReadBytes(error_file_);
  } catch (const std::exception&) {
    return "";
  }
}

int SysInfoServiceProcess::Stop() { return StopWith(SIGTERM); }

int SysInfoServiceProcess::StopWith(int signal_number) {
  if (pid_ <= 0) return -1;
  kill(pid_, signal_number);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopMs);
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace hotfix::testing
