#include "workloads.h"

#include <cstring>

#include "random_source.h"

namespace {

// Names a person would pick; none is a built-in function or constant of the
// calculator, and all are valid bc variables.
const char* const VARIABLE_NAMES[] = {"x1", "x2", "y1", "y2", "rate", "total",
                                      "width", "depth", "price", "qty", "net", "tax"};
constexpr std::uint32_t VARIABLE_COUNT = sizeof VARIABLE_NAMES / sizeof VARIABLE_NAMES[0];
constexpr std::uint32_t POWERS_OF_TEN[] = {1, 10, 100, 1000};
constexpr int LINE_SHAPES = 7;
constexpr int SUM_CHUNK = 4096;
constexpr int LITERAL_SHAPES = 4;

const char* pick_variable(RandomSource& r) { return VARIABLE_NAMES[random_below(r, VARIABLE_COUNT)]; }

// A decimal such as 7.5, 12.375 or 604 (below 1000, up to three fraction digits).
void put_decimal(std::FILE* out, RandomSource& r) {
  std::uint32_t whole = random_below(r, 1000);
  int fraction_digits = static_cast<int>(random_below(r, 4));
  if (fraction_digits == 0) {
    std::fprintf(out, "%u", whole);
    return;
  }
  std::fprintf(out, "%u.%0*u", whole, fraction_digits, random_below(r, POWERS_OF_TEN[fraction_digits]));
}

// A divisor of at least 2, so that dividing never fails and repeated
// assignments through it shrink rather than grow.
void put_divisor(std::FILE* out, RandomSource& r) {
  std::fprintf(out, "%u.%u", 2 + random_below(r, 98), 5 * random_below(r, 2));
}

void put_batch_line(std::FILE* out, RandomSource& r) {
  switch (random_below(r, LINE_SHAPES)) {
    case 0:
      std::fprintf(out, "%s = ", pick_variable(r));
      put_decimal(out, r);
      std::fputs(" * ", out);
      put_decimal(out, r);
      std::fputs(" - ", out);
      put_decimal(out, r);
      break;
    case 1:
      std::fprintf(out, "(%s + ", pick_variable(r));
      put_decimal(out, r);
      std::fputs(") * (", out);
      put_decimal(out, r);
      std::fprintf(out, " - %s) / ", pick_variable(r));
      put_divisor(out, r);
      break;
    case 2:
      put_decimal(out, r);
      std::fprintf(out, "^%u + %s/", 2 + random_below(r, 2), pick_variable(r));
      put_divisor(out, r);
      break;
    case 3:
      put_decimal(out, r);
      std::fputs("+", out);
      put_decimal(out, r);
      std::fputs("*", out);
      put_decimal(out, r);
      std::fputs("-", out);
      put_decimal(out, r);
      std::fputs("/", out);
      put_divisor(out, r);
      break;
    case 4:
      std::fprintf(out, "%s * %s + ", pick_variable(r), pick_variable(r));
      put_decimal(out, r);
      break;
    case 5:
      std::fputs("-", out);
      put_decimal(out, r);
      std::fputs(" + (", out);
      put_decimal(out, r);
      std::fputs(" - ", out);
      put_decimal(out, r);
      std::fputs(")^2", out);
      break;
    default:
      std::fprintf(out, "%s = (%s + ", pick_variable(r), pick_variable(r));
      put_decimal(out, r);
      std::fputs(") / ", out);
      put_divisor(out, r);
      break;
  }
  std::fputc('\n', out);
}

void put_random_digits(std::FILE* out, RandomSource& r, int count) {
  for (int i = 0; i < count; ++i) std::fputc('0' + static_cast<int>(random_below(r, 10)), out);
}

// Each shape stays within the reader's 349-character literal limit.
void put_long_literal(std::FILE* out, RandomSource& r, int shape) {
  switch (shape) {
    case 0:  // a 300-digit integer, far beyond the double range's digits
      std::fputc('1' + static_cast<int>(random_below(r, 9)), out);
      put_random_digits(out, r, 299);
      break;
    case 1:  // a fraction with 340 digits after the point
      std::fputs("0.", out);
      put_random_digits(out, r, 340);
      break;
    case 2:  // 320 digits scaled back into range by the exponent
      std::fputc('1' + static_cast<int>(random_below(r, 9)), out);
      put_random_digits(out, r, 319);
      std::fputs("e-300", out);
      break;
    default:  // exactly at the limit, point in the middle
      put_random_digits(out, r, 174);
      std::fputc('.', out);
      put_random_digits(out, r, 174);
      break;
  }
}

}  // namespace

void write_batch_lines(std::FILE* out, long lines) {
  RandomSource r{WORKLOAD_SEED};
  for (long i = 0; i < lines; ++i) put_batch_line(out, r);
}

void write_symbol_lines(std::FILE* out, long lines) {
  for (long i = 0; i < lines; ++i) std::fprintf(out, "v%07ld=%ld\n", i, i);
}

void write_long_sum(std::FILE* out, long bytes) {
  static char chunk[SUM_CHUNK];
  for (int i = 0; i < SUM_CHUNK; i += 2) std::memcpy(chunk + i, "1+", 2);
  long terms = bytes / 2 - 1;
  for (; terms >= SUM_CHUNK / 2; terms -= SUM_CHUNK / 2) std::fwrite(chunk, 1, SUM_CHUNK, out);
  std::fwrite(chunk, 1, static_cast<std::size_t>(terms) * 2, out);
  std::fputs("1\n", out);
}

void write_listing_lines(std::FILE* out, long lines) {
  for (int i = 0; i < 10; ++i) std::fprintf(out, "v%d=%d.25\n", i, i);
  for (long i = 0; i < lines; ++i) std::fputs("#\n", out);
}

void write_help_lines(std::FILE* out, long lines) {
  for (long i = 0; i < HELP_PRELUDE_VARIABLES; ++i) std::fprintf(out, "h%ld=1\n", i);
  for (long i = 0; i < lines; ++i) std::fputs("?\n", out);
}

void write_nested_lines(std::FILE* out, long lines, int depth) {
  for (long i = 0; i < lines; ++i) {
    for (int d = 0; d < depth; ++d) std::fputc('(', out);
    std::fputc('1', out);
    for (int d = 0; d < depth; ++d) std::fputc(')', out);
    std::fputc('\n', out);
  }
}

void write_long_literal_lines(std::FILE* out, long lines) {
  RandomSource r{WORKLOAD_SEED};
  for (long i = 0; i < lines; ++i) {
    put_long_literal(out, r, static_cast<int>(i % LITERAL_SHAPES));
    std::fputc('+', out);
    put_long_literal(out, r, static_cast<int>((i + 1) % LITERAL_SHAPES));
    std::fputc('\n', out);
  }
}

void write_repeated_lines(std::FILE* out, long lines, const char* text) {
  for (long i = 0; i < lines; ++i) {
    std::fputs(text, out);
    std::fputc('\n', out);
  }
}
