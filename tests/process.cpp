#include "process.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace {

// The one place a test starts the program: the child runs `prepare`, then
// becomes `binary` with none of the test's other descriptors open.
template <class Prepare>
pid_t spawn(const std::string& binary, const std::vector<std::string>& arguments, Prepare prepare) {
  std::vector<char*> argv{const_cast<char*>(binary.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = fork();
  if (child != 0) return child;
  prepare();
  closefrom(3);  // the test's ends of the pipes must not keep them open
  execv(binary.c_str(), argv.data());
  _exit(127);
}

}  // namespace

pid_t start_program_on_terminal(const std::string& binary, const std::vector<std::string>& arguments,
                                int terminal_fd) {
  return spawn(binary, arguments, [terminal_fd] {
    setsid();
    ioctl(terminal_fd, TIOCSCTTY, 0);
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) dup2(terminal_fd, fd);
  });
}

pid_t start_program(const std::string& binary, const std::vector<std::string>& arguments, int stdin_fd,
                    int stdout_fd, int stderr_fd, unsigned long address_space_limit) {
  return spawn(binary, arguments, [=] {
    dup2(stdin_fd, STDIN_FILENO);
    dup2(stdout_fd, STDOUT_FILENO);
    if (stderr_fd >= 0) dup2(stderr_fd, STDERR_FILENO);
    rlimit limit{address_space_limit, address_space_limit};
    if (address_space_limit) setrlimit(RLIMIT_AS, &limit);
  });
}

void wait_program(pid_t child, ProgramRun& run) {
  int status = 0;
  waitpid(child, &status, 0);
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

int temporary_input(const std::string& content) {
  char path[] = "/tmp/ziffralon-input-XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0 || write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size())) std::abort();
  lseek(fd, 0, SEEK_SET);
  unlink(path);
  return fd;
}

std::string read_all(int fd) {
  std::string got;
  char block[1 << 16];
  for (ssize_t n; (n = read(fd, block, sizeof block)) > 0;) got.append(block, static_cast<std::size_t>(n));
  close(fd);
  return got;
}

std::string read_file(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY);
  return fd < 0 ? std::string() : read_all(fd);
}

ProgramRun run_program(const std::string& binary, const std::string& input, unsigned long address_space_limit,
                       const std::vector<std::string>& arguments) {
  int input_fd = temporary_input(input);
  int errors_fd = temporary_input("");  // a file, so that the child never waits on a full pipe for it
  int out[2];
  if (pipe(out) != 0) std::abort();
  pid_t child = start_program(binary, arguments, input_fd, out[1], errors_fd, address_space_limit);
  close(out[1]);
  close(input_fd);
  ProgramRun run{};
  run.output = read_all(out[0]);
  wait_program(child, run);
  lseek(errors_fd, 0, SEEK_SET);
  run.errors = read_all(errors_fd);
  return run;
}
