// What Tab offers at the terminal: the names of the session that begin with
// the name the cursor stands at the end of.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace ziffralon {

struct InterpreterState;

// Where the name ending at `cursor` in the `length` characters of `text`
// begins; `cursor` itself when no name ends there (the cursor stands in a
// name, after a number's digits or after no letter).
std::size_t completed_name_start(const wchar_t* text, std::size_t cursor, std::size_t length);

// Every name of `in` that begins with `prefix`, as it would be typed: a
// function with its "(". Sorted, each once.
std::vector<std::string> name_completions(InterpreterState& in, const std::string& prefix);

// The longest beginning that all `texts` share.
std::string common_beginning(const std::vector<std::string>& texts);

}  // namespace ziffralon
