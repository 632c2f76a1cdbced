// Feeds each input, as one text, to two fresh interpreters: one compiles it
// and runs the program, the other evaluates it. Compiling may change nothing
// but speed, so they must agree on success, on the error offset and on the
// bits of the result; a second run and a second evaluation (which see what the
// first assigned), and then every variable's name and bits, must agree too.
// Any difference aborts with both sides printed.
//
// The text ends at the input's first NUL byte, as it would for a C caller.
// Programs run as machine code where the processor has a back-end; with
// ZIFFRALON_MACHINE_CODE=0 in the environment, on the bytecode machine.
#include <ziffralon/ziffralon.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Outcome {
  int succeeded;
  long error_offset;
  double result;
};

bool same_verdict(const Outcome& a, const Outcome& b) {
  return a.succeeded == b.succeeded && a.error_offset == b.error_offset;
}

bool same(const Outcome& a, const Outcome& b) {
  return same_verdict(a, b) && std::memcmp(&a.result, &b.result, sizeof a.result) == 0;
}

[[noreturn]] void fail(const char* what, const Outcome& compiled, const Outcome& evaluated, const std::string& text) {
  std::fprintf(stderr, "fuzz_compile: %s differ for text [%s]\n  compiled: %d, offset %ld, %a\n  evaluated: %d, offset %ld, %a\n",
               what, text.c_str(), compiled.succeeded, compiled.error_offset, compiled.result, evaluated.succeeded,
               evaluated.error_offset, evaluated.result);
  std::abort();
}

// "name=<bits>;" for every variable, in listing order.
std::string variables_of(ziffralon_interpreter* interpreter) {
  std::string listing;
  ziffralon_interpreter_list_variables(
      interpreter,
      [](const char* name, double value, void* context) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        *static_cast<std::string*>(context) += std::string(name) + "=" + std::to_string(bits) + ";";
      },
      &listing);
  return listing;
}

Outcome evaluate(ziffralon_interpreter* interpreter, const std::string& text) {
  Outcome outcome{0, -2, 0.0};
  outcome.succeeded = ziffralon_interpreter_evaluate(interpreter, text.c_str(), &outcome.result, &outcome.error_offset);
  return outcome;
}

Outcome run(ziffralon_program* program) {
  Outcome outcome{0, -1, 0.0};
  outcome.succeeded = ziffralon_run(program, &outcome.result);
  return outcome;
}

void compare(ziffralon_interpreter* compiling, ziffralon_interpreter* evaluating, const std::string& text) {
  Outcome compiled{0, -2, 0.0};
  ziffralon_program* program = ziffralon_compile(compiling, text.c_str(), &compiled.error_offset);
  Outcome evaluated = evaluate(evaluating, text);
  if (!program) {
    // A text that does not compile takes no effect, so only the verdict and
    // where the error lies can be compared with the evaluation's.
    if (!same_verdict(compiled, evaluated)) fail("compiling and evaluating", compiled, evaluated, text);
    return;
  }
  if (compiled.error_offset != -1) fail("the offset of a compiled text", compiled, evaluated, text);
  for (int round = 1; round <= 2; ++round) {
    if (round == 2) evaluated = evaluate(evaluating, text);
    Outcome ran = run(program);
    if (!same(ran, evaluated)) fail(round == 1 ? "first run and evaluation" : "second run and evaluation", ran, evaluated, text);
  }
  ziffralon_program_free(program);
  std::string compiled_variables = variables_of(compiling), evaluated_variables = variables_of(evaluating);
  if (compiled_variables != evaluated_variables) {
    std::fprintf(stderr, "fuzz_compile: the variables differ for text [%s]\n  compiled: %s\n  evaluated: %s\n",
                 text.c_str(), compiled_variables.c_str(), evaluated_variables.c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
  ziffralon_interpreter* compiling = ziffralon_interpreter_new();
  ziffralon_interpreter* evaluating = ziffralon_interpreter_new();
  if (compiling && evaluating) compare(compiling, evaluating, text);
  ziffralon_interpreter_free(compiling);
  ziffralon_interpreter_free(evaluating);
  return 0;
}
