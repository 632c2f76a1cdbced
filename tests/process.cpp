#include "process.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

ProgramRun run_program(const std::string& binary, const std::string& input, unsigned long address_space_limit) {
  char input_path[] = "/tmp/ziffralon-input-XXXXXX";
  int input_fd = mkstemp(input_path);
  if (input_fd < 0 || write(input_fd, input.data(), input.size()) != static_cast<ssize_t>(input.size())) std::abort();
  lseek(input_fd, 0, SEEK_SET);
  unlink(input_path);
  int out[2];
  if (pipe(out) != 0) std::abort();
  pid_t child = fork();
  if (child == 0) {
    dup2(input_fd, STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    if (address_space_limit) {
      rlimit limit{address_space_limit, address_space_limit};
      setrlimit(RLIMIT_AS, &limit);
    }
    execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  close(input_fd);
  ProgramRun run{{}, -1};
  char block[1 << 16];
  for (ssize_t got; (got = read(out[0], block, sizeof block)) > 0;) run.output.append(block, static_cast<std::size_t>(got));
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status)) run.exit_status = WEXITSTATUS(status);
  return run;
}
