// Quiet evaluation of one text in the calculator language, for embedding.
//
// evaluate_string(text, result) runs `text` (statements separated by ';' or
// newlines) through the same parser and symbol table as the console, printing
// nothing. Variables are shared with the console and with earlier calls.
// - Returns true when no error was reported. Evaluation stops at the first
//   error; statements before it keep their effects.
// - `result` receives the value of the last expression evaluated in quiet
//   mode, which may come from an earlier call (0.0 before any), also on failure.
// - A text longer than EVALUATE_MAX_TEXT bytes, or a null text, is rejected:
//   false, nothing evaluated, `result` untouched.
// - The built-in functions, pi and e are installed before the first evaluation.
// Not thread-safe: the interpreter has one global state.
#pragma once

#include <cstddef>

namespace ziffralon {

constexpr std::size_t EVALUATE_MAX_TEXT = 254;

bool evaluate_string(const char* text, double& result);

// The program's closing run: five fixed texts, evaluated quietly.
void run_closing_evaluations();

}  // namespace ziffralon
