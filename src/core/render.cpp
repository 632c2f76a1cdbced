#include "render.h"

#include <charconv>
#include <cstdint>
#include <cstring>

namespace {

constexpr int EXACT_DIGITS = 17;
// The NaN that invalid operations produce: sign set, quiet, no payload.
constexpr std::uint64_t INVALID_OPERATION_NAN = 0xFFF8000000000000ULL;

std::size_t copy_text(const char* text, char* buffer) {
  std::size_t length = std::strlen(text);
  std::memcpy(buffer, text, length);
  return length;
}

// Infinities and NaNs are told apart by their bits, before any digits exist.
std::size_t render_special(std::uint64_t bits, char* buffer) {
  bool negative = bits >> 63;
  bool infinite = (bits & 0x000FFFFFFFFFFFFFULL) == 0;
  if (infinite) return copy_text(negative ? "-1.#INF" : "1.#INF", buffer);
  if (bits == INVALID_OPERATION_NAN) return copy_text("-1.#IND", buffer);
  return copy_text(negative ? "-1.#QNAN" : "1.#QNAN", buffer);
}

// The magnitude as 17 correctly rounded significant digits and the decimal
// exponent of the first one.
int exact_digits(double magnitude, char digits[EXACT_DIGITS]) {
  char text[RENDER_BUFFER_SIZE];
  char* end = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific,
                            EXACT_DIGITS - 1)
                  .ptr;
  digits[0] = text[0];
  std::memcpy(digits + 1, text + 2, EXACT_DIGITS - 1);
  int exponent = 0;
  std::from_chars(text + EXACT_DIGITS + 2 + (text[EXACT_DIGITS + 2] == '+'), end, exponent);
  return exponent;
}

// Rounds the digit string half up at `count` digits; returns the new exponent.
int round_half_up(char digits[EXACT_DIGITS], int count, int exponent) {
  if (count >= EXACT_DIGITS || digits[count] < '5') return exponent;
  int i = count - 1;
  while (i >= 0 && digits[i] == '9') digits[i--] = '0';
  if (i >= 0) {
    ++digits[i];
    return exponent;
  }
  digits[0] = '1';
  return exponent + 1;
}

char* write_exponent(int exponent, char* out) {
  *out++ = 'e';
  *out++ = exponent < 0 ? '-' : '+';
  if (exponent < 0) exponent = -exponent;
  *out++ = static_cast<char>('0' + exponent / 100);
  *out++ = static_cast<char>('0' + exponent / 10 % 10);
  *out++ = static_cast<char>('0' + exponent % 10);
  return out;
}

char* write_digits(const char* digits, int count, char* out) {
  std::memcpy(out, digits, static_cast<std::size_t>(count));
  return out + count;
}

}  // namespace

std::size_t render_number(double value, int significant_digits, char* buffer) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  if ((bits & 0x7FF0000000000000ULL) == 0x7FF0000000000000ULL) return render_special(bits, buffer);
  if (value == 0) return copy_text("0", buffer);

  int precision = significant_digits < 1 ? 1 : significant_digits > EXACT_DIGITS ? EXACT_DIGITS : significant_digits;
  char digits[EXACT_DIGITS];
  int exponent = exact_digits(value < 0 ? -value : value, digits);
  exponent = round_half_up(digits, precision, exponent);
  int count = precision;
  while (count > 1 && digits[count - 1] == '0') --count;

  char* out = buffer;
  if (value < 0) *out++ = '-';
  if (exponent < -4 || exponent >= precision) {
    *out++ = digits[0];
    if (count > 1) {
      *out++ = '.';
      out = write_digits(digits + 1, count - 1, out);
    }
    out = write_exponent(exponent, out);
  } else if (exponent >= 0) {
    int whole = exponent + 1;
    if (count <= whole) {
      out = write_digits(digits, count, out);
      for (int i = count; i < whole; ++i) *out++ = '0';
    } else {
      out = write_digits(digits, whole, out);
      *out++ = '.';
      out = write_digits(digits + whole, count - whole, out);
    }
  } else {
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > exponent; --i) *out++ = '0';
    out = write_digits(digits, count, out);
  }
  return static_cast<std::size_t>(out - buffer);
}
