// Feeds arbitrary texts to the quiet evaluator.
//
// One input holds several texts separated by NUL bytes, so that one run covers
// a sequence of calls sharing variables and the previous result. Each text is
// copied into a buffer of exactly its own size plus the terminator, so that
// AddressSanitizer sees any read past the end of what a caller handed over.
//
// Besides "no crash", three things must hold, and a violation aborts:
// - a text over EVALUATE_MAX_TEXT bytes is refused without touching `result`;
// - an empty text succeeds and hands back the previous result unchanged;
// - a text that succeeds without assigning anything shows, run again through
//   the console, the same last value the evaluator gave back. Texts with a
//   '#' are left out of this: the listing grows with every variable the run
//   ever made and would soon take all the fuzzer's time.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/console_io.h"
#include "core/render.h"
#include "core/interpreter.h"
#include "core/symbols.h"
#include "eval/evaluate.h"

using namespace ziffralon;

namespace {

constexpr double UNTOUCHED = -12345.678;  // a value no refused call may write
constexpr int RESULT_DIGITS = 10;         // as the console prints results

std::string console_output;

void capture_output(const char* bytes, std::size_t size) { console_output.append(bytes, size); }

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void fail(const char* what, const std::vector<char>& text) {
  std::fprintf(stderr, "fuzz_evaluate: %s for text [%s]\n", what, text.data());
  std::abort();
}

// The number on the last result line ("\t<number>\n") the console printed for
// the text; empty when it printed none.
std::string last_console_value(const std::vector<char>& text) {
  std::string input(text.data());
  input += '\n';
  console_output = "\n";  // so that a result on the very first line is found like any other
  console_read_from_memory(input.data(), input.size());
  run_console_session(default_interpreter);
  console_flush();
  std::size_t start = console_output.rfind("\n\t");
  if (start == std::string::npos) return "";
  start += 2;
  return console_output.substr(start, console_output.find('\n', start) - start);
}

void check_against_console(const std::vector<char>& text, double result) {
  char rendered[RENDER_BUFFER_SIZE];
  std::string expected(rendered, render_number(result, RESULT_DIGITS, rendered));
  std::string shown = last_console_value(text);
  if (!shown.empty() && shown != expected) fail("console shows another value than the evaluator", text);
}

void evaluate_one(const std::vector<char>& text) {
  std::size_t length = text.size() - 1;
  double result = UNTOUCHED;
  bool succeeded = evaluate_string(text.data(), result);
  if (length > EVALUATE_MAX_TEXT) {
    if (succeeded || !same_bits(result, UNTOUCHED)) fail("an overlong text was not refused cleanly", text);
    return;
  }
  if (succeeded && !std::memchr(text.data(), '=', length) && !std::memchr(text.data(), '#', length))
    check_against_console(text, result);

  double again = UNTOUCHED;
  if (!evaluate_string("", again) || !same_bits(again, result)) fail("the empty text lost the previous result", text);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  install_initial_symbols(default_interpreter);
  console_set_output_sink(capture_output);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint8_t* end = data + size;
  for (const std::uint8_t* start = data;; ) {
    const auto* stop = static_cast<const std::uint8_t*>(std::memchr(start, '\0', static_cast<std::size_t>(end - start)));
    std::vector<char> text(start, stop ? stop : end);
    text.push_back('\0');
    evaluate_one(text);
    if (!stop) break;
    start = stop + 1;
  }
  return 0;
}
