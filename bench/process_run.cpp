#include "process_run.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>

namespace {

void on_alarm(int) {}  // only interrupts wait4

// Without SA_RESTART, the alarm makes a blocked wait4 return EINTR.
void install_alarm_handler() {
  struct sigaction action {};
  action.sa_handler = on_alarm;
  sigemptyset(&action.sa_mask);
  sigaction(SIGALRM, &action, nullptr);
}

double now_seconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// `output_fd` < 0: standard output goes to /dev/null.
[[noreturn]] void exec_child(const char* const* argv, int input_fd, int output_fd) {
  int null_fd = open("/dev/null", O_WRONLY);
  if (input_fd < 0 || null_fd < 0) _exit(127);
  dup2(input_fd, STDIN_FILENO);
  dup2(output_fd < 0 ? null_fd : output_fd, STDOUT_FILENO);
  dup2(null_fd, STDERR_FILENO);
  execvp(argv[0], const_cast<char* const*>(argv));
  _exit(127);
}

// Waits for the child, killing it once the time limit has passed.
bool reap(pid_t child, rusage& usage) {
  install_alarm_handler();
  alarm(RUN_TIME_LIMIT_SECONDS);
  int status = 0;
  bool timed_out = false;
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) return false;
    timed_out = true;
    kill(child, SIGKILL);
  }
  alarm(0);
  return !timed_out && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

RunResult run_program(const char* const* argv, const std::string& input_path) {
  int input_fd = open(input_path.c_str(), O_RDONLY);
  double start = now_seconds();
  pid_t child = fork();
  if (child == 0) exec_child(argv, input_fd, -1);
  if (input_fd >= 0) close(input_fd);
  if (child < 0) return RunResult{0, 0, false};
  rusage usage{};
  bool succeeded = reap(child, usage);
  return RunResult{now_seconds() - start, usage.ru_maxrss, succeeded};
}

long count_output_bytes(const char* const* argv, const std::string& input_path) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return -1;
  int input_fd = open(input_path.c_str(), O_RDONLY);
  pid_t child = fork();
  if (child == 0) {
    close(pipe_fds[0]);
    exec_child(argv, input_fd, pipe_fds[1]);
  }
  close(pipe_fds[1]);
  if (input_fd >= 0) close(input_fd);
  static char buffer[1 << 16];
  long total = 0;
  for (ssize_t got; (got = read(pipe_fds[0], buffer, sizeof buffer)) != 0;) {
    if (got > 0) total += got;
    else if (errno != EINTR) break;
  }
  close(pipe_fds[0]);
  if (child < 0) return -1;
  rusage usage{};
  return reap(child, usage) ? total : -1;
}

bool program_available(const char* name) {
  std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}
