// Compiled programs as machine code where the system has fork(): the quiet
// fallback where memory may not become executable, and programs of parent
// and child after a fork.
#include <ziffralon/ziffralon.h>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "eval/program.h"

namespace {

bool machine_code_on() {
  const char* setting = std::getenv("ZIFFRALON_MACHINE_CODE");
  return !(setting && std::strcmp(setting, "0") == 0);
}

bool has_machine_code(ziffralon::Program& program) {
  return reinterpret_cast<ziffralon::CompiledProgram*>(program.handle())->machine.function != nullptr;
}

// A process that gave up making memory executable still compiles, quietly,
// onto the bytecode machine, with the same results.
TEST(MachineCode, FallsBackQuietlyWhereMemoryMayNotBecomeExecutable) {
  if (!machine_code_on()) GTEST_SKIP() << "machine code is off";
  pid_t pid = fork();
  if (pid == 0) {
    constexpr int SET_MDWE = 65, REFUSE_EXEC_GAIN = 1;  // PR_SET_MDWE, PR_MDWE_REFUSE_EXEC_GAIN
    if (prctl(SET_MDWE, REFUSE_EXEC_GAIN, 0L, 0L, 0L) != 0) _exit(77);  // a kernel before 6.3
    ziffralon::Interpreter in;
    double x = 3;
    in.bind_variable("x", x);
    ziffralon::Program program(in, "x^2*pi + 1");
    _exit(program && !has_machine_code(program) && program() == 9 * 3.141592653589793 + 1 ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no PR_SET_MDWE here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Programs of parent and child after a fork: each side frees some, compiles
// more into the code memory both still share, and then finds every program
// it holds intact.
TEST(MachineCode, ProgramsOfParentAndChildStayIntactAfterFork) {
  ziffralon::Interpreter in;
  double x = 1.5;
  in.bind_variable("x", x);
  auto text_for = [](int i, int side) { return "x*" + std::to_string(i) + "+" + std::to_string(side); };
  auto value_for = [&](int i, int side) { return x * i + side; };
  std::vector<ziffralon::Program> before;
  for (int i = 0; i < 40; ++i) before.emplace_back(in, text_for(i, 0).c_str());
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  pid_t pid = fork();
  int side = pid == 0 ? 2 : 1;
  if (pid == 0) {
    char byte;
    if (read(go[0], &byte, 1) != 1) _exit(2);  // the parent has compiled its own first
  }
  std::vector<ziffralon::Program> after;
  for (int i = 0; i < 40; i += 2) before[static_cast<std::size_t>(i)] = ziffralon::Program();
  for (int i = 0; i < 80; ++i) after.emplace_back(in, text_for(i, side).c_str());
  if (pid != 0) {
    ASSERT_EQ(write(go[1], "g", 1), 1);
  }
  auto intact = [&] {
    bool all = true;
    for (int i = 1; i < 40; i += 2) all = all && before[static_cast<std::size_t>(i)]() == value_for(i, 0);
    for (int i = 0; i < 80; ++i) all = all && after[static_cast<std::size_t>(i)]() == value_for(i, side);
    return all;
  };
  if (pid == 0) _exit(intact() ? 0 : 1);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(intact());  // after the child compiled its own
}

}  // namespace
