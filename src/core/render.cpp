#include "render.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "exact_digits.h"

namespace ziffralon {

namespace {

constexpr std::uint64_t SIGN_BIT = 0x8000000000000000ULL;
constexpr std::uint64_t EXPONENT_BITS = 0x7FF0000000000000ULL;
constexpr std::uint64_t FRACTION_BITS = 0x000FFFFFFFFFFFFFULL;
// The NaN that invalid operations produce: sign set, quiet, no payload.
constexpr std::uint64_t INVALID_OPERATION_NAN = 0xFFF8000000000000ULL;
// Beyond this the fixed form gives way to the exponent form.
constexpr int SMALLEST_FIXED_EXPONENT = -4;

constexpr std::uint64_t POWERS_OF_TEN[EXACT_DIGITS + 1] = {
    1ULL,           10ULL,           100ULL,           1000ULL,           10000ULL,           100000ULL,
    1000000ULL,     10000000ULL,     100000000ULL,     1000000000ULL,     10000000000ULL,     100000000000ULL,
    1000000000000ULL, 10000000000000ULL, 100000000000000ULL, 1000000000000000ULL, 10000000000000000ULL,
    100000000000000000ULL,
};

// Dividing a digit value by a power of ten with a multiplication: for
// n < 2^VALUE_BITS and d = 10^k, floor(n / d) = floor(n * M / 2^S) with
// S = VALUE_BITS + ceil(log2 d) and M = ceil(2^S / d), because M * d exceeds
// 2^S by less than d, which is at most 2^(S - VALUE_BITS). M stays below 2^58.
using Wide = unsigned __int128;
constexpr int VALUE_BITS = 57;
static_assert(POWERS_OF_TEN[EXACT_DIGITS] < std::uint64_t{1} << VALUE_BITS, "17 digits fit VALUE_BITS");

struct Reciprocal {
  std::uint64_t multiplier;
  int shift;
};

constexpr auto RECIPROCALS = [] {
  std::array<Reciprocal, EXACT_DIGITS + 1> reciprocals{};
  for (int k = 0; k <= EXACT_DIGITS; ++k) {
    std::uint64_t divisor = POWERS_OF_TEN[k];
    int log2_ceiling = 0;
    while ((std::uint64_t{1} << log2_ceiling) < divisor) ++log2_ceiling;
    int shift = VALUE_BITS + log2_ceiling;
    Wide power = Wide{1} << shift;
    reciprocals[k] = Reciprocal{static_cast<std::uint64_t>((power + divisor - 1) / divisor), shift};
  }
  return reciprocals;
}();

// value / 10^k for a value of at most 17 digits.
std::uint64_t divide_by_power_of_ten(std::uint64_t value, int k) {
  const Reciprocal& r = RECIPROCALS[k];
  return static_cast<std::uint64_t>((Wide{value} * r.multiplier) >> r.shift);
}

std::size_t copy_text(const char* text, char* buffer) {
  std::size_t length = std::strlen(text);
  std::memcpy(buffer, text, length);
  return length;
}

// Infinities and NaNs are told apart by their bits, before any digits exist.
std::size_t render_special(std::uint64_t bits, char* buffer) {
  bool negative = bits & SIGN_BIT;
  if ((bits & FRACTION_BITS) == 0) return copy_text(negative ? "-1.#INF" : "1.#INF", buffer);
  if (bits == INVALID_OPERATION_NAN) return copy_text("-1.#IND", buffer);
  return copy_text(negative ? "-1.#QNAN" : "1.#QNAN", buffer);
}

// Rounds 17 digits half up to `count`, looking only at the next digit.
Digits round_half_up(Digits digits, int count) {
  if (count >= EXACT_DIGITS) return digits;
  std::uint64_t with_next = divide_by_power_of_ten(digits.value, EXACT_DIGITS - count - 1);
  std::uint64_t kept = with_next / 10 + (with_next % 10 >= 5);
  if (kept == POWERS_OF_TEN[count]) {
    kept /= 10;
    ++digits.exponent;
  }
  return Digits{kept, digits.exponent};
}

// The rounded digits of `magnitude` at `precision`. An integer that has no
// more digits than that is its own digits; anything else starts from the
// exact 17.
Digits significant_digits_of(double magnitude, int precision) {
  if (magnitude < static_cast<double>(POWERS_OF_TEN[precision])) {
    auto whole = static_cast<std::uint64_t>(magnitude);
    if (static_cast<double>(whole) == magnitude) {
      int exponent = 0;
      while (whole >= POWERS_OF_TEN[exponent + 1]) ++exponent;
      return Digits{whole * POWERS_OF_TEN[precision - 1 - exponent], exponent};
    }
  }
  return round_half_up(exact_digits(magnitude), precision);
}

// The `count` digits (at most 8) of `value` as characters, two at a time.
void spell_short(std::uint32_t value, int count, char* digits) {
  static constexpr char PAIRS[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  int i = count;
  for (; i >= 2; i -= 2, value /= 100) std::memcpy(digits + i - 2, PAIRS + 2 * (value % 100), 2);
  if (i == 1) digits[0] = static_cast<char>('0' + value);
}

// The `count` digits of `value` as characters, eight at a time in 32 bits,
// where dividing costs less.
constexpr int SHORT_DIGITS = 8;
constexpr std::uint32_t TEN_TO_SHORT_DIGITS = 100000000;

void spell_digits(std::uint64_t value, int count, char* digits) {
  for (; count > SHORT_DIGITS; count -= SHORT_DIGITS, value /= TEN_TO_SHORT_DIGITS)
    spell_short(static_cast<std::uint32_t>(value % TEN_TO_SHORT_DIGITS), SHORT_DIGITS, digits + count - SHORT_DIGITS);
  spell_short(static_cast<std::uint32_t>(value), count, digits);
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

// "%g" layout of `count` significant digits (no trailing zeros) whose first
// has decimal exponent `exponent`.
char* lay_out(const char* digits, int count, int exponent, int precision, char* out) {
  if (exponent < SMALLEST_FIXED_EXPONENT || exponent >= precision) {
    *out++ = digits[0];
    if (count > 1) {
      *out++ = '.';
      out = write_digits(digits + 1, count - 1, out);
    }
    return write_exponent(exponent, out);
  }
  if (exponent < 0) {
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > exponent; --i) *out++ = '0';
    return write_digits(digits, count, out);
  }
  int whole = exponent + 1;
  if (count <= whole) {
    out = write_digits(digits, count, out);
    for (int i = count; i < whole; ++i) *out++ = '0';
    return out;
  }
  out = write_digits(digits, whole, out);
  *out++ = '.';
  return write_digits(digits + whole, count - whole, out);
}

}  // namespace

std::size_t render_number(double value, int significant_digits, char* buffer) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  if ((bits & EXPONENT_BITS) == EXPONENT_BITS) return render_special(bits, buffer);
  if (value == 0) return copy_text("0", buffer);

  int precision = significant_digits < 1 ? 1 : significant_digits > EXACT_DIGITS ? EXACT_DIGITS : significant_digits;
  Digits rounded = significant_digits_of(value < 0 ? -value : value, precision);
  char digits[EXACT_DIGITS];
  spell_digits(rounded.value, precision, digits);
  int count = precision;
  while (count > 1 && digits[count - 1] == '0') --count;

  char* out = buffer;
  if (value < 0) *out++ = '-';
  out = lay_out(digits, count, rounded.exponent, precision, out);
  return static_cast<std::size_t>(out - buffer);
}

}  // namespace ziffralon
