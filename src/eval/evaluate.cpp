#include "evaluate.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "../core/interpreter.h"
#include "../platform/platform.h"

namespace ziffralon {

namespace {

// When the library is unloaded, or the program ends, the default
// interpreter's memory goes back: a host that loads and unloads the library
// again and again must not grow. This runs with the image's finalisers, after
// every C++ static destructor of the program: a host's global object may still
// use the library in its destructor, also when the library is linked into the
// program itself. When the whole process ends, the system takes the memory
// back itself, and another thread it has stopped may hold the lock for ever:
// then nothing is released and the lock is not taken.
[[gnu::destructor]] void release_at_unload() {
  if (platform_process_is_ending()) return;
  std::lock_guard<std::mutex> lock(library_mutex);
  release_symbols(default_interpreter);
  release_token_source(default_interpreter);
}

// Refusals that evaluate nothing and leave `result` alone.
bool refuse(TextOffset offset, TextOffset& error_offset) {
  error_offset = offset;
  return false;
}

bool refuse_for_memory(InterpreterState& in, TextOffset& error_offset) {
  in.last_failure = OUT_OF_MEMORY_MESSAGE;
  return refuse(0, error_offset);
}

}  // namespace

long offset_for_caller(TextOffset offset) {
  return offset > std::numeric_limits<long>::max() ? std::numeric_limits<long>::max() : static_cast<long>(offset);
}

bool evaluate_loaded_text(InterpreterState& in, const char* text, std::size_t length, double& result,
                          TextOffset& error_offset) {
  InterpreterCall call;
  if (!begin_call(in, call, true)) return refuse_for_memory(in, error_offset);
  enter_quiet_mode(in);
  if (!string_source_load_line(in, text, length)) {
    end_call(call);
    return refuse_for_memory(in, error_offset);
  }
  parse_input(in);
  result = in.session.last_result;
  in.last_failure = quiet_error_message(in);
  bool succeeded = !take_quiet_error(in);
  // The first error raised quiet_error, after which the token source read no
  // further: the last token it began is the one the error was found at. An
  // error at the appended newline is one at the end of the text.
  std::size_t offset = std::min(string_source_token_start(in), length);
  error_offset = succeeded ? NO_ERROR_OFFSET : static_cast<TextOffset>(offset);
  end_call(call);
  return succeeded;
}

bool evaluate_text(const char* text, double& result, TextOffset& error_offset) {
  if (!text) return refuse(0, error_offset);
  std::size_t length = strnlen(text, EVALUATE_MAX_TEXT + 1);
  if (length > EVALUATE_MAX_TEXT) return refuse(EVALUATE_MAX_TEXT, error_offset);

  std::lock_guard<std::mutex> lock(library_mutex);
  if (!install_initial_symbols(default_interpreter)) return refuse(0, error_offset);
  return evaluate_loaded_text(default_interpreter, text, length, result, error_offset);
}

bool evaluate_string(const char* text, double& result) {
  TextOffset error_offset;
  return evaluate_text(text, result, error_offset);
}

void run_closing_evaluations() {
  static const char* const CLOSING_TEXTS[] = {
      "pi",
      (",.-34590dfsmfs\xDF"  // split so that the hex escape ends before "243"
       "243+\xFC#+\xFC+\xFC+\xFC"),
      "a = 3\n b = 4\n a * b",
      "r1=3; r2=6; r3=12; k3=kf(r3);",
      "r=12; f=kf(r); p=f*50%",
  };
  double result = 0.0;
  for (const char* text : CLOSING_TEXTS) evaluate_string(text, result);
}

}  // namespace ziffralon
