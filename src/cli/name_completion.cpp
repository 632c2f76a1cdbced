#include "name_completion.h"

#include <algorithm>

#include "core/symbols.h"

namespace ziffralon {

namespace {

// The characters of a name as the token source reads them: ASCII letters,
// then letters and digits.
bool is_letter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool is_digit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool is_name_character(wchar_t c) { return is_letter(c) || is_digit(c); }

}  // namespace

std::size_t completed_name_start(const wchar_t* text, std::size_t cursor, std::size_t length) {
  if (cursor < length && is_name_character(text[cursor])) return cursor;
  std::size_t start = cursor;
  while (start > 0 && is_name_character(text[start - 1])) --start;
  // Digits in front are a number's: "2pi" is 2 times pi.
  while (start < cursor && is_digit(text[start])) ++start;
  return start;
}

std::vector<std::string> name_completions(InterpreterState& in, const std::string& prefix) {
  std::vector<std::string> found;
  for (const Symbol* symbol = symbol_head(in); symbol; symbol = symbol->next) {
    std::string name(symbol_name(symbol), symbol->length);
    if (name.starts_with(prefix)) found.push_back(symbol->kind == TOK_FUNCTION ? name + "(" : name);
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

std::string common_beginning(const std::vector<std::string>& texts) {
  if (texts.empty()) return "";
  std::string common = texts.front();
  for (const std::string& text : texts)
    common.resize(std::mismatch(common.begin(), common.end(), text.begin(), text.end()).first - common.begin());
  return common;
}

}  // namespace ziffralon
