#include "evaluate.h"

#include <algorithm>
#include <cstring>

#include "../core/parser.h"
#include "../core/session.h"
#include "../core/symbols.h"

namespace ziffralon {

namespace {

// Refusals that evaluate nothing and leave `result` alone.
bool refuse(long offset, long& error_offset) {
  error_offset = offset;
  return false;
}

}  // namespace

bool evaluate_text(const char* text, double& result, long& error_offset) {
  if (!text) return refuse(0, error_offset);
  std::size_t length = strnlen(text, EVALUATE_MAX_TEXT + 1);
  if (length > EVALUATE_MAX_TEXT) return refuse(EVALUATE_MAX_TEXT, error_offset);

  std::lock_guard<std::mutex> lock(library_mutex);
  if (!install_initial_symbols()) return refuse(0, error_offset);
  enter_quiet_mode();
  // The newline lets a final expression without its own terminator form a line.
  char line[EVALUATE_MAX_TEXT + 1];
  std::memcpy(line, text, length);
  line[length] = '\n';
  string_source_load(line, length + 1);
  parse_input();
  result = session.last_result;
  bool succeeded = !take_quiet_error();
  // The first error raised quiet_error, after which the token source read no
  // further: the last token it began is the one the error was found at. An
  // error at the appended newline is one at the end of the text.
  long offset = std::min<long>(string_source_token_start(), static_cast<long>(length));
  error_offset = succeeded ? NO_ERROR_OFFSET : offset;
  return succeeded;
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
