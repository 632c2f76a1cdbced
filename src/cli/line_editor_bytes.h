// Bytes from the terminal to libedit's characters and back, losing none.
//
// libedit edits characters of the locale, and drops every byte that is not
// part of one; the calculator reads bytes, and through a pipe it meets every
// byte that was sent. So the editor reads the terminal itself: each byte that
// does not begin a character of the locale (or whose character would not
// encode back to the same bytes) travels as one of the characters
// U+DC00..U+DCFF, which no decoding yields, and becomes that byte again in
// the finished line. libedit shows such a character as an escape.
#pragma once

#include <climits>
#include <cstddef>
#include <string>

namespace ziffralon {

struct TerminalBytes {
  unsigned char pending[MB_LEN_MAX];  // read, not yet handed on as a character
  std::size_t count;
};

// Reads standard input until `bytes` begin with a character (or an escaped
// byte) and hands it on: 1 with the character, 0 at the end of input, -1 when
// the read fails or `interrupted()` holds after a signal cut it short.
int read_terminal_character(TerminalBytes& bytes, wchar_t* into, bool (*interrupted)());

// Appends to `line` the bytes that the first `count` characters of `text`
// stand for.
void append_terminal_bytes(std::string& line, const wchar_t* text, int count);

// The characters that stand for `bytes`, as read_terminal_character would
// hand them on: the way back from append_terminal_bytes.
std::wstring terminal_characters(const std::string& bytes);

}  // namespace ziffralon
