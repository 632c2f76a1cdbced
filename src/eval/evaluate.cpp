#include "evaluate.h"

#include <algorithm>
#include <cstring>

#include "../core/interpreter.h"

namespace ziffralon {

namespace {

// When the library is unloaded, or the program ends, the default
// interpreter's memory goes back: a host that loads and unloads the library
// again and again must not grow. This runs with the image's finalisers, after
// every C++ static destructor of the program: a host's global object may still
// use the library in its destructor, also when the library is linked into the
// program itself.
[[gnu::destructor]] void release_at_unload() {
  std::lock_guard<std::mutex> lock(library_mutex);
  release_symbols(default_interpreter);
  release_token_source(default_interpreter);
}

// Refusals that evaluate nothing and leave `result` alone.
bool refuse(long offset, long& error_offset) {
  error_offset = offset;
  return false;
}

}  // namespace

bool evaluate_loaded_text(InterpreterState& in, const char* text, std::size_t length, double& result, long& error_offset) {
  enter_quiet_mode(in);
  if (!string_source_load_line(in, text, length)) return refuse(0, error_offset);
  parse_input(in);
  result = in.session.last_result;
  bool succeeded = !take_quiet_error(in);
  // The first error raised quiet_error, after which the token source read no
  // further: the last token it began is the one the error was found at. An
  // error at the appended newline is one at the end of the text.
  long offset = std::min<long>(string_source_token_start(in), static_cast<long>(length));
  error_offset = succeeded ? NO_ERROR_OFFSET : offset;
  return succeeded;
}

bool evaluate_text(const char* text, double& result, long& error_offset) {
  if (!text) return refuse(0, error_offset);
  std::size_t length = strnlen(text, EVALUATE_MAX_TEXT + 1);
  if (length > EVALUATE_MAX_TEXT) return refuse(EVALUATE_MAX_TEXT, error_offset);

  std::lock_guard<std::mutex> lock(library_mutex);
  if (!install_initial_symbols(default_interpreter)) return refuse(0, error_offset);
  return evaluate_loaded_text(default_interpreter, text, length, result, error_offset);
}

bool evaluate_string(const char* text, double& result) {
  long error_offset;
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
