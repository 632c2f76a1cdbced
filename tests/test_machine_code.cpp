// Compiled programs as machine code: the same bits as the bytecode machine and
// evaluation where the waiting values must survive calls and spill to the
// frame, whole powers at their edges, variables taken as constants, the
// host's registers, the memory of many programs (test_machine_code_posix.cpp has the quiet fallback
// and fork). The equality tests of
// test_interpreters.cpp run once more with ZIFFRALON_MACHINE_CODE=0 (see
// CMakeLists.txt), so they cover both machines.
#include <ziffralon/ziffralon.h>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "eval/code_memory.h"
#include "eval/program.h"

namespace {

bool machine_code_on() {
  const char* setting = std::getenv("ZIFFRALON_MACHINE_CODE");
  return !(setting && std::strcmp(setting, "0") == 0);
}

ziffralon::CompiledProgram& inside(ziffralon::Program& program) {
  return *reinterpret_cast<ziffralon::CompiledProgram*>(program.handle());
}

bool has_machine_code(ziffralon::Program& program) { return inside(program).machine.function != nullptr; }

std::uint64_t bits(double value) { return std::bit_cast<std::uint64_t>(value); }

// A host function that leaves garbage in every register a call may change
// (all of xmm1 to xmm15 and the scratch integer registers under System V)
// and notes whether the stack was aligned as the calling convention demands.
int misaligned_calls = 0;
[[gnu::noinline]] double trashing(double x) {
  misaligned_calls += reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) % 16 != 0;
  asm volatile(
      "pcmpeqd %%xmm1, %%xmm1\n pcmpeqd %%xmm2, %%xmm2\n pcmpeqd %%xmm3, %%xmm3\n pcmpeqd %%xmm4, %%xmm4\n"
      "pcmpeqd %%xmm5, %%xmm5\n pcmpeqd %%xmm6, %%xmm6\n pcmpeqd %%xmm7, %%xmm7\n pcmpeqd %%xmm8, %%xmm8\n"
      "pcmpeqd %%xmm9, %%xmm9\n pcmpeqd %%xmm10, %%xmm10\n pcmpeqd %%xmm11, %%xmm11\n pcmpeqd %%xmm12, %%xmm12\n"
      "pcmpeqd %%xmm13, %%xmm13\n pcmpeqd %%xmm14, %%xmm14\n pcmpeqd %%xmm15, %%xmm15\n"
      "mov $-1, %%rax\n mov $-1, %%rcx\n mov $-1, %%rdx\n mov $-1, %%rsi\n mov $-1, %%rdi\n"
      "mov $-1, %%r8\n mov $-1, %%r9\n mov $-1, %%r10\n mov $-1, %%r11\n"
      :
      :
      : "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13",
        "xmm14", "xmm15", "rax", "rcx", "rdx", "rsi", "rdi", "r8", "r9", "r10", "r11", "memory");
  return x + 0.5;
}

// `depth` sums waiting for their right sides, each of which calls h.
std::string waiting(int depth, const char* inner) {
  std::string text = inner;
  for (int i = depth; i > 0; --i) text = "x*" + std::to_string(i) + "+(h(y-" + std::to_string(i) + ")-(" + text + "))";
  return text;
}

// Each text compiled twice, one program kept on the bytecode machine, and
// evaluated, for every value of x: all three give the same bits.
void expect_same_bits(const std::vector<std::string>& texts, const std::vector<double>& values) {
  ziffralon::Interpreter in;
  double x = 0, y = 0.75;
  ASSERT_TRUE(in.bind_variable("x", x) && in.bind_variable("y", y) && in.define_function("h", trashing));
  for (const std::string& text : texts) {
    ziffralon::Program machine(in, text.c_str()), bytecode(in, text.c_str());
    ASSERT_TRUE(machine && bytecode) << text;
    EXPECT_EQ(has_machine_code(machine), machine_code_on()) << text;
    ziffralon::program_drop_machine_code(inside(bytecode));
    for (double value : values) {
      x = value;
      double evaluated = 0;
      ASSERT_TRUE(in.evaluate(text.c_str(), evaluated));
      double ran = machine(), stepped = bytecode();
      ASSERT_EQ(bits(ran), bits(evaluated)) << text << " at x = " << value;
      ASSERT_EQ(bits(stepped), bits(evaluated)) << text << " at x = " << value;
    }
  }
}

TEST(MachineCode, WaitingValuesSurviveCallsAndSpill) {
  misaligned_calls = 0;
  std::vector<std::string> texts;
  for (int depth : {0, 1, 3, 9, 10, 11, 12, 30}) texts.push_back(waiting(depth, "h(x)^3 + x^y - sin(y)*(y+x)^2"));
  texts.push_back(waiting(20, "(x~3)! + 5%"));
  expect_same_bits(texts, {0.5, -1.25, 3});
  EXPECT_EQ(misaligned_calls, 0);
}

// Whole powers multiplied out inline: every exponent from 0 to 8 over the
// edges of their range, NaNs, and random values, among them some next to a
// halfway point where pow must decide.
TEST(MachineCode, PowersGivePowsBits) {
  std::vector<double> values = {0.0, -0.0, 1.0, -1.0, 0x1p-32, 0x1p32, 0x1.fffffffffffffp-33, 0x1.0000000000001p32,
                                0x1p-100, 0x1p100, 5e-324, 1e308, std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
                                -std::numeric_limits<double>::quiet_NaN(),
                                std::numeric_limits<double>::signaling_NaN()};
  std::mt19937_64 random(25);
  for (int i = 0; i < 3000; ++i) {
    double value = std::ldexp(1.0 + static_cast<double>(random() >> 12) * 0x1p-52, static_cast<int>(random() % 80) - 40);
    values.push_back(i % 2 ? value : -value);
  }
  std::vector<std::string> texts;
  for (int n = 0; n <= 8; ++n) texts.push_back("x^" + std::to_string(n));
  texts.insert(texts.end(), {"(x*y)^2 + x^3*y^5", "y - x^4", "2.2*x^1 + x^0.5", "y*x^0", "x^-2", "x/4 - y/0.5 + x/2^-1022 + x/2^1023"});
  expect_same_bits(texts, values);
}

// A plain variable the machine code took as a constant: the first run after
// each kind of assignment sees the new value.
TEST(MachineCode, VariablesTakenAsConstantsSeeEveryAssignment) {
  ziffralon::Interpreter in;
  ASSERT_TRUE(in.set_variable("k", 2));
  ziffralon::Program folded(in, "sin(pi/6) + k*10"), assigning(in, "k = k + 1");
  ASSERT_TRUE(folded && assigning);
  double result = 0;
  EXPECT_EQ(folded(), std::sin(3.141592653589793 / 6) + 20);
  const struct {
    const char* how;
    double expected_k;
  } assignments[] = {{"set_variable", 5}, {"evaluate", 7}, {"another program", 8}, {"pi = 0", 8}};
  for (const auto& a : assignments) {
    std::string how = a.how;
    if (how == "set_variable") in.set_variable("k", 5);
    if (how == "evaluate") in.evaluate("k = 7", result);
    if (how == "another program") assigning();
    if (how == "pi = 0") in.evaluate("pi = 0", result);
    double pi = *in.get_variable("pi");
    EXPECT_EQ(bits(folded()), bits(std::sin(pi / 6) + a.expected_k * 10)) << how;
  }
}

// The host's own values in registers the calling convention says a callee
// keeps (on Windows xmm6 to xmm15, which deep programs use) come back
// unchanged from a run.
TEST(MachineCode, HostsRegistersKeptAcrossRuns) {
  ziffralon::Interpreter in;
  double x = 0.5, y = 0.75;
  ASSERT_TRUE(in.bind_variable("x", x) && in.bind_variable("y", y) && in.define_function("h", trashing));
  ziffralon::Program deep(in, waiting(14, "x^3").c_str());
  ASSERT_TRUE(deep);
  volatile double seed = 1.5;
  double kept[10];
  for (int i = 0; i < 10; ++i) kept[i] = seed * (i + 1);
  double sum = 0;
  for (int round = 0; round < 3; ++round) {
    sum += deep();
    for (int i = 0; i < 10; ++i) kept[i] = kept[i] * 3 + 1;  // live across each run, in registers if any
  }
  for (int i = 0; i < 10; ++i) {
    double value = seed * (i + 1);
    for (int round = 0; round < 3; ++round) value = value * 3 + 1;
    EXPECT_EQ(kept[i], value) << i;
  }
  EXPECT_EQ(sum, 3 * deep());
}

TEST(MachineCode, MemoryStaysFlatOverManyPrograms) {
  ziffralon::Interpreter in;
  const char* texts[] = {"x+1", "x^2 + 3*x - 2", "sin(x)*cos(x) + x^5 - x^3/6 + 1/(x+7)", "a = x*2; b = a^3; a + b"};
  auto compile_and_free = [&](int count) {
    for (int i = 0; i < count; ++i) {
      ziffralon::Program program(in, texts[i % 4]);
      ASSERT_TRUE(program);
    }
  };
  compile_and_free(1000);
  std::size_t mapped = ziffralon::code_memory_mapped();
  compile_and_free(100000);
  EXPECT_EQ(ziffralon::code_memory_mapped(), mapped);
}

}  // namespace
