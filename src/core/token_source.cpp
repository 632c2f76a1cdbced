#include "token_source.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>

#include "console_io.h"
#include "interpreter.h"
#include "memory.h"
#include "session.h"

namespace ziffralon {

namespace {

constexpr int NO_BYTE = -1;
constexpr int NOT_IN_VIEW = -1;  // the in-place console scanner leaves the token to the byte-wise one

constexpr bool is_digit(int c) { return c >= '0' && c <= '9'; }
constexpr bool is_letter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool is_letter_or_digit(int c) { return is_letter(c) || is_digit(c); }
constexpr bool is_blank(int c) { return c == ' ' || c == '\t'; }

// What a byte is to the in-place console scanner, which meets bytes 0 to 255
// only and asks one table instead of several ranges. A byte of no class is a
// token of its own.
enum ByteClass : std::uint8_t {
  SINGLE = 0,
  BLANK = 1,
  LETTER = 2,
  DIGIT = 4,
  POINT = 8,
  CARRIAGE_RETURN = 16,
};

constexpr auto BYTE_CLASSES = [] {
  std::array<std::uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c)
    classes[c] = static_cast<std::uint8_t>((is_blank(c) ? BLANK : 0) | (is_letter(c) ? LETTER : 0) |
                                           (is_digit(c) ? DIGIT : 0) | (c == '.' ? POINT : 0) |
                                           (c == '\r' ? CARRIAGE_RETURN : 0));
  return classes;
}();

std::uint8_t class_of(char c) { return BYTE_CLASSES[static_cast<unsigned char>(c)]; }

// A stretch of input that can be scanned in place: `size` bytes at `bytes`,
// and, when `terminated`, a readable byte after them that ends any token.
struct Window {
  const char* bytes;
  std::size_t size;
  bool terminated;
};

// Where bytes come from; both readers carry the interpreter they scan for.
struct ConsoleReader {
  InterpreterState& in;
  int get() { return console_get(); }
  void unget(int c) { console_unget(c); }
  Window window() {
    ConsoleWindow in_view = console_window();
    return Window{reinterpret_cast<const char*>(in_view.bytes), in_view.size, false};
  }
  void skip(std::size_t count) { console_skip(count); }
  static constexpr bool CONSUMES_OVERLONG_BYTE = true;
  char* identifier() { return in.tokens.console_identifier; }
};

struct StringReader {
  InterpreterState& in;
  // The NUL ends the text and is never stepped over.
  int get() {
    TokenSource& t = in.tokens;
    if (t.pos >= t.text_size) return NO_BYTE;
    auto c = static_cast<unsigned char>(t.text[t.pos]);
    if (c == '\0') return NO_BYTE;
    ++t.pos;
    return c;
  }
  void unget(int c) {
    if (c != NO_BYTE) --in.tokens.pos;
  }
  // Only as far ahead as any one token reaches: looking for the NUL at the
  // end of a long text before every number would read the text over and
  // over.
  Window window() {
    TokenSource& t = in.tokens;
    if (t.pos >= t.text_size) return Window{t.text, 0, false};
    const char* at = t.text + t.pos;
    std::size_t room = std::min(t.text_size - t.pos, NUMBER_LIMIT + 2);
    std::size_t size = strnlen(at, room);
    return Window{at, size, size < room};
  }
  void skip(std::size_t count) { in.tokens.pos += count; }
  static constexpr bool CONSUMES_OVERLONG_BYTE = false;
  char* identifier() { return in.tokens.string_identifier; }
};

constexpr int EXPONENT_CEILING = 1'000'000;  // far beyond any scale that converts

// The decimal order of a nonzero literal: the value lies in [10^(order-1),
// 10^order). Only its sign matters, so a huge exponent is capped.
long literal_order(const char* text, const char* end) {
  long order = 0;
  for (; text < end && is_digit(*text); ++text)
    if (order > 0 || *text != '0') ++order;
  if (text < end && *text == '.')
    for (++text; text < end && is_digit(*text); ++text) {
      if (order > 0 || *text != '0') break;
      --order;
    }
  while (text < end && (is_digit(*text) || *text == '.')) ++text;
  if (text == end) return order;
  ++text;  // the exponent letter
  bool negative = *text == '-';
  if (*text == '+' || negative) ++text;
  long exponent = 0;
  for (; text < end; ++text)
    if (exponent < EXPONENT_CEILING) exponent = exponent * 10 + (*text - '0');
  return order + (negative ? -exponent : exponent);
}

// The characters a number literal took, converted correctly rounded. Out of
// the double range from_chars leaves the value to us: +infinity above it, 0
// below the subnormals. No locale takes part: a host's decimal comma must not
// change a number.
double convert_number(const char* text, std::size_t length) {
  double value = 0.0;
  auto [end, error] = std::from_chars(text, text + length, value);
  if (error == std::errc::result_out_of_range)
    value = literal_order(text, text + length) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  return value;
}

// Powers of ten that a double holds exactly.
constexpr int EXACT_POWER_LIMIT = 22;
constexpr double EXACT_POWERS_OF_TEN[EXACT_POWER_LIMIT + 1] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
};
constexpr std::uint64_t EXACT_INTEGER_LIMIT = std::uint64_t{1} << 53;
constexpr int MAX_QUICK_DIGITS = 19;         // any 19 digits fit 64 bits

// A literal's digits as one integer and the decimal exponent of its last digit,
// gathered while it is scanned.
struct DecimalDigits {
  std::uint64_t value;
  int count;
  int scale;
};

// The usual literal, such as 604 or 12.375: when its digits make an integer a
// double holds exactly and the scale is an exact power of ten, one
// multiplication or division rounds once, so the result is the correctly
// rounded value. Says no otherwise.
bool convert_quickly(const DecimalDigits& digits, double& value) {
  if (digits.count > MAX_QUICK_DIGITS || digits.value > EXACT_INTEGER_LIMIT) return false;
  if (digits.scale < -EXACT_POWER_LIMIT || digits.scale > EXACT_POWER_LIMIT) return false;
  auto exact = static_cast<double>(digits.value);
  value = digits.scale < 0 ? exact / EXACT_POWERS_OF_TEN[-digits.scale] : exact * EXACT_POWERS_OF_TEN[digits.scale];
  return true;
}

// Scans a literal in place, in a window that holds all of it.
struct WindowCursor {
  const char* text;
  std::size_t length;
  int peek() const { return static_cast<unsigned char>(text[length]); }
  void take() { ++length; }
};

// Scans a literal from the stream byte by byte, keeping a copy of what it took.
template <class Reader>
struct StreamCursor {
  explicit StreamCursor(Reader& from) : reader(from), next(from.get()) {}
  Reader& reader;
  char text[NUMBER_LIMIT];
  std::size_t length = 0;
  int next;
  int peek() const { return next; }
  void take() {
    text[length++] = static_cast<char>(next);
    next = reader.get();
  }
};

// The literal grammar: digits, then '.' and digits, then (only if a digit was
// taken) an exponent letter, an optional sign and digits; at most NUMBER_LIMIT
// characters in all. An exponent without digits is used up but worth nothing,
// and a literal without any digit is worth 0. The cursor stops on the first
// byte not taken.
template <class Cursor>
double scan_literal(Cursor& in) {
  DecimalDigits digits{0, 0, 0};
  auto room = [&in] { return in.length < NUMBER_LIMIT; };
  auto take_digits = [&](int scale_step) {
    for (int c; room() && is_digit(c = in.peek()); in.take()) {
      digits.value = digits.value * 10 + static_cast<std::uint64_t>(c - '0');
      ++digits.count;
      digits.scale += scale_step;
    }
  };
  take_digits(0);
  if (room() && in.peek() == '.') {
    in.take();
    take_digits(-1);
  }
  if (digits.count == 0) return 0.0;
  std::size_t converted = in.length;
  if (room() && (in.peek() == 'e' || in.peek() == 'E')) {
    in.take();
    bool negative = room() && in.peek() == '-';
    if (room() && (in.peek() == '+' || negative)) in.take();
    std::size_t exponent_start = in.length;
    int exponent = 0;
    for (int c; room() && is_digit(c = in.peek()); in.take())
      if (exponent < EXPONENT_CEILING) exponent = exponent * 10 + (c - '0');
    if (in.length > exponent_start) {
      converted = in.length;
      digits.scale += negative ? -exponent : exponent;
    }
  }
  double value;
  return convert_quickly(digits, value) ? value : convert_number(in.text, converted);
}

// The usual literal, such as 604 or 12.375, read straight from bytes that
// are readable well past it: digits, perhaps a point and digits, at most
// MAX_QUICK_DIGITS digits in all, no exponent, and a value convert_quickly
// gives. That value is the one scan_literal gives. Says no, having taken
// nothing, for anything else.
constexpr std::size_t MAX_PLAIN_LENGTH = MAX_QUICK_DIGITS + 1;  // the digits and a point

// Adds the digits from `at` (up to `end`) to `value`; returns where they stop.
const char* gather_digits(const char* at, const char* end, std::uint64_t& value) {
  for (; at < end && is_digit(*at); ++at) value = value * 10 + static_cast<std::uint64_t>(*at - '0');
  return at;
}

bool scan_plain_literal(const char* text, std::size_t& length, double& value) {
  const char* end = text + MAX_PLAIN_LENGTH;
  DecimalDigits digits{0, 0, 0};
  const char* at = gather_digits(text, end, digits.value);
  bool point = at < end && *at == '.';
  if (point) {
    const char* fraction = ++at;
    at = gather_digits(fraction, end, digits.value);
    digits.scale = -static_cast<int>(at - fraction);
  }
  digits.count = static_cast<int>(at - text) - point;
  if (digits.count == 0 || digits.count > MAX_QUICK_DIGITS) return false;
  if (is_digit(*at) || *at == '.' || *at == 'e' || *at == 'E') return false;
  if (!convert_quickly(digits, value)) return false;
  length = static_cast<std::size_t>(at - text);
  return true;
}

// In place when the whole literal and the byte that ends it are surely in
// view; otherwise byte by byte.
template <class Reader>
double scan_number(Reader reader) {
  Window window = reader.window();
  if (window.terminated || window.size > NUMBER_LIMIT) {
    WindowCursor in{window.bytes, 0};
    double value = scan_literal(in);
    reader.skip(in.length);
    return value;
  }
  StreamCursor<Reader> in(reader);
  double value = scan_literal(in);
  reader.unget(in.next);
  return value;
}

// The symbol for an identifier's bytes, created if new; sets token_value.
int identifier_token(InterpreterState& in, const char* name, std::size_t length) {
  Symbol* symbol = in.deferring ? symbol_intern_deferred(in, *in.deferring, name, length)
                                : symbol_intern(in, name, length);
  if (!symbol) {
    report_error(in, "out of memory: no room for a new symbol");
    return TOK_OUT_OF_MEMORY;
  }
  in.tokens.token_value.symbol = symbol;
  return symbol->kind;
}

template <class Reader>
int scan_identifier(Reader reader, int c) {
  char* name = reader.identifier();
  std::size_t length = 0;
  for (;;) {
    name[length++] = static_cast<char>(c);
    c = reader.get();
    if (!is_letter_or_digit(c)) break;
    if (length == IDENTIFIER_LIMIT) {
      report_error(reader.in, "identifier length is limited to 255 chars");
      if (!Reader::CONSUMES_OVERLONG_BYTE) reader.unget(c);
      return TOK_OVERLONG_IDENTIFIER;
    }
  }
  reader.unget(c);
  name[length] = '\0';
  return identifier_token(reader.in, name, length);
}

// Blanks are already skipped and the end of input handled.
template <class Reader>
int scan_token(Reader reader, int c) {
  if (c == '.' || is_digit(c)) {
    reader.unget(c);
    reader.in.tokens.token_value.number = scan_number(reader);
    return TOK_NUMBER;
  }
  if (is_letter(c)) return scan_identifier(reader, c);
  return c;  // any other byte, NUL included, is its own token
}

template <class Reader>
int skip_blanks(Reader reader) {
  int c;
  do c = reader.get();
  while (is_blank(c));
  return c;
}

// The usual console token lies wholly in the buffered bytes, with the byte
// that ends it, and is read there in place. Anything else (a CR, which may
// pair with an LF; a token that runs to the end of the buffered bytes; an
// over-long identifier) is left to the byte-by-byte scanner. Returns
// NOT_IN_VIEW for those.
int console_token_in_place(InterpreterState& in) {
  ConsoleWindow in_view = console_window();
  const auto* bytes = reinterpret_cast<const char*>(in_view.bytes);
  std::size_t start = 0;
  while (start < in_view.size && class_of(bytes[start]) == BLANK) ++start;
  console_skip(start);
  if (in_view.size - start < 2) return NOT_IN_VIEW;
  const char* at = bytes + start;
  std::size_t room = in_view.size - start;
  int c = static_cast<unsigned char>(at[0]);
  std::uint8_t byte_class = BYTE_CLASSES[c];
  if (byte_class == SINGLE) {
    console_skip(1);
    return c;  // NUL included
  }
  if (byte_class == LETTER) {
    std::size_t length = 1;
    while (length < room && (class_of(at[length]) & (LETTER | DIGIT))) ++length;
    if (length == room || length > IDENTIFIER_LIMIT) return NOT_IN_VIEW;
    console_skip(length);
    return identifier_token(in, at, length);
  }
  if (byte_class & (DIGIT | POINT)) {
    if (room <= NUMBER_LIMIT) return NOT_IN_VIEW;
    std::size_t length;
    if (scan_plain_literal(at, length, in.tokens.token_value.number))
      console_skip(length);
    else
      in.tokens.token_value.number = scan_number(ConsoleReader{in});  // in place too: the window holds it
    return TOK_NUMBER;
  }
  return NOT_IN_VIEW;  // a CR, which may pair with an LF
}

int console_token(InterpreterState& in) {
  int token = console_token_in_place(in);
  if (token != NOT_IN_VIEW) return token;
  ConsoleReader reader{in};
  int c = skip_blanks(reader);
  return c == CONSOLE_END ? TOK_END : scan_token(reader, c);
}

int string_token(InterpreterState& in) {
  StringReader reader{in};
  // After the first error in quiet mode the rest of the text is never read.
  int c = in.session.quiet_error ? NO_BYTE : skip_blanks(reader);
  if (c == NO_BYTE) {
    in.tokens.pos = 0;
    return TOK_END;
  }
  in.tokens.token_begin = in.tokens.pos - 1;
  return scan_token(reader, c);
}

}  // namespace

bool is_identifier(const char* name, std::size_t length) {
  if (length == 0 || length > IDENTIFIER_LIMIT || !is_letter(name[0])) return false;
  for (std::size_t i = 1; i < length; ++i)
    if (!is_letter_or_digit(name[i])) return false;
  return true;
}

bool string_source_load_line(InterpreterState& in, const char* text, std::size_t length) {
  TokenSource& t = in.tokens;
  std::size_t size = length + 2;  // the newline and the NUL
  char* into = t.short_text;
  if (size > sizeof t.short_text) {
    if (size > t.long_capacity) {
      auto* grown = static_cast<char*>(allocate_bytes(size));
      if (!grown) return false;
      release_bytes(t.long_text);
      t.long_text = grown;
      t.long_capacity = size;
    }
    into = t.long_text;
  }
  std::memcpy(into, text, length);
  into[length] = '\n';
  into[length + 1] = '\0';
  t.text = into;
  t.text_size = size;
  t.pos = 0;
  return true;
}

std::size_t string_source_token_start(const InterpreterState& in) { return in.tokens.token_begin; }

void release_token_source(InterpreterState& in) {
  TokenSource& t = in.tokens;
  release_bytes(t.long_text);
  t.long_text = nullptr;
  t.long_capacity = 0;
  t.text = t.short_text;
  t.text_size = 0;
}

int next_token(InterpreterState& in) { return in.session.console_mode ? console_token(in) : string_token(in); }

}  // namespace ziffralon
