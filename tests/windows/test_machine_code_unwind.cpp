// Windows keeps tables of how to unwind each function's frame; machine code
// made at run time is registered there, so that a stack walk from a host
// function it calls gets through it to the frames of the host beyond.
#include <windows.h>

#include <ziffralon/ziffralon.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "eval/program.h"

namespace {

void* walked[64];
USHORT walked_count = 0;

// The walk a debugger makes: each frame unwound by its function's table, a
// function without one taken for a leaf whose return address is on top.
double walking(double x) {
  CONTEXT context;
  RtlCaptureContext(&context);
  for (walked_count = 0; walked_count < 64 && context.Rip; ++walked_count) {
    walked[walked_count] = reinterpret_cast<void*>(context.Rip);
    DWORD64 base = 0;
    RUNTIME_FUNCTION* function = RtlLookupFunctionEntry(context.Rip, &base, nullptr);
    if (!function) {
      context.Rip = *reinterpret_cast<DWORD64*>(context.Rsp);
      context.Rsp += 8;
      continue;
    }
    void* handler_data = nullptr;
    DWORD64 frame = 0;
    RtlVirtualUnwind(UNW_FLAG_NHANDLER, base, context.Rip, function, &context, &handler_data, &frame, nullptr);
  }
  return x;
}

TEST(MachineCode, StackWalksGetThroughIt) {
  const char* setting = std::getenv("ZIFFRALON_MACHINE_CODE");
  if (setting && std::strcmp(setting, "0") == 0) GTEST_SKIP() << "machine code is off";
  ziffralon::Interpreter in;
  double x = 2;
  ASSERT_TRUE(in.bind_variable("x", x) && in.define_function("walk", walking));
  ziffralon::Program program(in, "1 + (x*2 + (x^3 - walk(x)*x))");
  ASSERT_TRUE(program);
  void* outer[4];
  USHORT outer_count = CaptureStackBackTrace(0, 4, outer, nullptr);
  ASSERT_GE(outer_count, 2);
  EXPECT_EQ(program(), 1 + (4 + (8 - 4)));
  // The walk from inside the run passes the machine code and goes on to
  // ziffralon_run's own frames (which have table entries: a walk that took
  // the machine code for a leaf would read a stray word as its return
  // address), up to the frame that called this test.
  const auto* code = reinterpret_cast<ziffralon::CompiledProgram*>(program.handle())->machine.block.executable;
  auto* in_code = std::find_if(walked, walked + walked_count, [code](void* at) {
    return static_cast<const unsigned char*>(at) >= code && static_cast<const unsigned char*>(at) < code + 4096;
  });
  ASSERT_LT(in_code + 1, walked + walked_count);
  DWORD64 base = 0;
  EXPECT_NE(RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(in_code[1]), &base, nullptr), nullptr);
  EXPECT_NE(std::find(walked, walked + walked_count, outer[1]), walked + walked_count);
}

}  // namespace
