// Quiet evaluation of one text in the calculator language, for embedding and
// for the program's closing run. The public calls are declared in
// <ziffralon/ziffralon.h>; this adds what the library and the program share.
//
// Every entry point of the library holds library_mutex while it touches the
// interpreter, whose state is global. The console session never takes it: it
// runs alone, on the program's one thread.
#pragma once

#include <ziffralon/ziffralon.h>

#include <cstddef>
#include <mutex>

namespace ziffralon {

constexpr std::size_t EVALUATE_MAX_TEXT = ZIFFRALON_MAX_TEXT;
// Where in a text its first error lies; texts may be longer than a long
// reaches on some systems, so offsets inside are as wide as sizes.
using TextOffset = std::ptrdiff_t;
constexpr TextOffset NO_ERROR_OFFSET = -1;

// The offset as the C calls give it: one too large for a long is LONG_MAX.
long offset_for_caller(TextOffset offset);

// Defined with what a fork() of the host needs (library_lock*.cpp).
extern std::mutex library_mutex;

// evaluate_string, also telling where the first error's token starts in `text`
// (NO_ERROR_OFFSET on success; 0 for a null text or when the built-in symbols
// cannot be installed; EVALUATE_MAX_TEXT for a text over the limit).
bool evaluate_text(const char* text, double& result, TextOffset& error_offset);

struct InterpreterState;

// Evaluates the `length` bytes at `text` quietly in `in`, with no limit on
// the length and no lock, with the result and offset rules of evaluate_text;
// offset 0 when memory for a long text runs out. A host function may call it
// again from inside.
bool evaluate_loaded_text(InterpreterState& in, const char* text, std::size_t length, double& result,
                          TextOffset& error_offset);

// The program's closing run: five fixed texts, evaluated quietly.
void run_closing_evaluations();

}  // namespace ziffralon
