// Feeds arbitrary bytes to a console session, as if they were standard input.
//
// The bytes go through the same block reader the program uses, so CR LF
// pairing, push-back and every scanner and parser path are reached exactly as
// from a terminal or a file. The output is thrown away: printing would slow
// the fuzzer down and the sanitizers, not the text, tell a fault here.
#include <cstddef>
#include <cstdint>

#include "core/console_io.h"
#include "core/interpreter.h"
#include "core/symbols.h"

using namespace ziffralon;

namespace {

void discard_output(const char*, std::size_t) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  install_initial_symbols(default_interpreter);
  console_set_output_sink(discard_output);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  console_read_from_memory(data, size);
  run_console_session(default_interpreter);
  console_flush();
  return 0;
}
