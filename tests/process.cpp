#include "process.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

int temporary_input(const std::string& content) {
  char path[] = "/tmp/ziffralon-input-XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0 || write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size())) std::abort();
  lseek(fd, 0, SEEK_SET);
  unlink(path);
  return fd;
}

namespace {

std::vector<char*> argument_vector(const std::string& binary, const std::vector<std::string>& arguments) {
  std::vector<char*> argv{const_cast<char*>(binary.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

pid_t start_program_on_terminal(const std::string& binary, const std::vector<std::string>& arguments,
                                int terminal_fd) {
  std::vector<char*> argv = argument_vector(binary, arguments);
  pid_t child = fork();
  if (child != 0) return child;
  setsid();
  ioctl(terminal_fd, TIOCSCTTY, 0);
  for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) dup2(terminal_fd, fd);
  closefrom(3);
  execv(binary.c_str(), argv.data());
  _exit(127);
}

pid_t start_program(const std::string& binary, const std::vector<std::string>& arguments, int stdin_fd,
                    int stdout_fd, int stderr_fd, unsigned long address_space_limit) {
  std::vector<char*> argv = argument_vector(binary, arguments);
  pid_t child = fork();
  if (child != 0) return child;
  dup2(stdin_fd, STDIN_FILENO);
  dup2(stdout_fd, STDOUT_FILENO);
  if (stderr_fd >= 0) dup2(stderr_fd, STDERR_FILENO);
  closefrom(3);  // the test's ends of the pipes must not keep them open
  if (address_space_limit) {
    rlimit limit{address_space_limit, address_space_limit};
    setrlimit(RLIMIT_AS, &limit);
  }
  execv(binary.c_str(), argv.data());
  _exit(127);
}

void wait_program(pid_t child, ProgramRun& run) {
  int status = 0;
  waitpid(child, &status, 0);
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

std::string read_all(int fd) {
  std::string got;
  char block[1 << 16];
  for (ssize_t n; (n = read(fd, block, sizeof block)) > 0;) got.append(block, static_cast<std::size_t>(n));
  close(fd);
  return got;
}

ProgramRun run_program(const std::string& binary, const std::string& input, unsigned long address_space_limit,
                       const std::vector<std::string>& arguments) {
  int input_fd = temporary_input(input);
  int out[2];
  int err[2];
  if (pipe(out) != 0 || pipe(err) != 0) std::abort();
  pid_t child = start_program(binary, arguments, input_fd, out[1], err[1], address_space_limit);
  close(out[1]);
  close(err[1]);
  close(input_fd);
  ProgramRun run{};
  // Both pipes are drained together, so a child that fills one never stalls.
  pollfd ends[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* into[2] = {&run.output, &run.errors};
  for (int open_ends = 2; open_ends > 0;) {
    poll(ends, 2, -1);
    for (int i = 0; i < 2; ++i) {
      if (ends[i].fd < 0 || !ends[i].revents) continue;
      char block[1 << 16];
      ssize_t n = read(ends[i].fd, block, sizeof block);
      if (n > 0) {
        into[i]->append(block, static_cast<std::size_t>(n));
        continue;
      }
      close(ends[i].fd);
      ends[i].fd = -1;
      --open_ends;
    }
  }
  wait_program(child, run);
  return run;
}
