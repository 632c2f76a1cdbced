#include "render.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace ziffralon {

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

// Significant digits as an integer, with the decimal exponent of the first.
struct Digits {
  std::uint64_t value;
  int exponent;
};

constexpr std::uint64_t TEN_TO_16 = 10000000000000000ULL;
constexpr std::uint64_t POWERS_OF_TEN[EXACT_DIGITS + 1] = {
    1ULL, 10ULL, 100ULL, 1000ULL, 10000ULL, 100000ULL, 1000000ULL, 10000000ULL, 100000000ULL,
    1000000000ULL, 10000000000ULL, 100000000000ULL, 1000000000000ULL, 10000000000000ULL,
    100000000000000ULL, 1000000000000000ULL, TEN_TO_16, 10 * TEN_TO_16,
};

constexpr int MAX_QUICK_SCALE = 27;  // 5^27 < 2^63

constexpr auto POWERS_OF_FIVE = [] {
  std::array<std::uint64_t, MAX_QUICK_SCALE + 1> powers{};
  powers[0] = 1;
  for (int n = 1; n <= MAX_QUICK_SCALE; ++n) powers[n] = powers[n - 1] * 5;
  return powers;
}();

// The general way: the library's exact conversion to 17 digits.
Digits exact_digits_by_library(double magnitude) {
  char text[RENDER_BUFFER_SIZE];
  char* end = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific,
                            EXACT_DIGITS - 1)
                  .ptr;
  Digits digits{static_cast<std::uint64_t>(text[0] - '0'), 0};
  for (int i = 2; i < EXACT_DIGITS + 1; ++i) digits.value = digits.value * 10 + static_cast<std::uint64_t>(text[i] - '0');
  const char* exponent = text + EXACT_DIGITS + 2;
  std::from_chars(exponent + (*exponent == '+'), end, digits.exponent);
  return digits;
}

// The quick way, for magnitudes from about 1e-11 to 1e17: the value is
// m * 2^q with a 53-bit m, and scaling by 10^s = 5^s * 2^s with s <= 27 keeps
// m * 5^s within 128 bits, so the 17-digit integer and its rounding (half to
// even, as the library does) come out exactly. Says no outside that range.
bool exact_digits_quickly(double magnitude, Digits& digits) {
  std::uint64_t bits;
  std::memcpy(&bits, &magnitude, sizeof bits);
  int biased_exponent = static_cast<int>(bits >> 52);
  if (biased_exponent == 0) return false;  // subnormal
  std::uint64_t mantissa = (bits & 0x000FFFFFFFFFFFFFULL) | (1ULL << 52);
  int binary_exponent = biased_exponent - 1075;
  // floor(log10(magnitude)) is this estimate or one more.
  // (78913 / 2^18 is log10(2) closely enough for every double exponent.)
  int exponent = ((binary_exponent + 52) * 78913) >> 18;
  for (int attempt = 0; attempt < 2; ++attempt, ++exponent) {
    int scale = EXACT_DIGITS - 1 - exponent;
    if (scale < 0 || scale > MAX_QUICK_SCALE) return false;
    unsigned __int128 product = static_cast<unsigned __int128>(mantissa) * POWERS_OF_FIVE[scale];
    int shift = binary_exponent + scale;
    std::uint64_t whole = 0;
    if (shift >= 0) {
      whole = static_cast<std::uint64_t>(product << shift);
    } else {
      int right = -shift;
      whole = static_cast<std::uint64_t>(product >> right);
      unsigned __int128 rest = product & ((static_cast<unsigned __int128>(1) << right) - 1);
      unsigned __int128 half = static_cast<unsigned __int128>(1) << (right - 1);
      if (rest > half || (rest == half && (whole & 1))) ++whole;
    }
    if (whole > 10 * TEN_TO_16) continue;  // the estimate was one too small
    if (whole == 10 * TEN_TO_16) {
      whole = TEN_TO_16;
      ++exponent;
    }
    digits = Digits{whole, exponent};
    return true;
  }
  return false;
}

// Rounds 17 digits half up to `count`, looking only at the next digit.
Digits round_half_up(Digits digits, int count) {
  if (count >= EXACT_DIGITS) return digits;
  std::uint64_t dropped = POWERS_OF_TEN[EXACT_DIGITS - count];
  std::uint64_t kept = digits.value / dropped;
  if (digits.value / (dropped / 10) % 10 >= 5) ++kept;
  if (kept == POWERS_OF_TEN[count]) {
    kept /= 10;
    ++digits.exponent;
  }
  return Digits{kept, digits.exponent};
}

// The digits of `value` (which has `count` of them) as characters.
void spell_digits(std::uint64_t value, int count, char* digits) {
  for (int i = count - 1; i >= 0; --i, value /= 10) digits[i] = static_cast<char>('0' + value % 10);
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
  double magnitude = value < 0 ? -value : value;
  Digits exact;
  if (!exact_digits_quickly(magnitude, exact)) exact = exact_digits_by_library(magnitude);
  Digits rounded = round_half_up(exact, precision);
  int exponent = rounded.exponent;
  char digits[EXACT_DIGITS];
  spell_digits(rounded.value, precision, digits);
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

}  // namespace ziffralon
