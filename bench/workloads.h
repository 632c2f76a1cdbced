// The inputs the benchmarks feed to the calculator, generated on the fly so
// that no large file lives in the repository. Every writer is deterministic:
// the same arguments give the same bytes.
#pragma once

#include <cstdio>

// Typical lines: decimals, + - * / ^ with integer exponents, parentheses and
// assignments to a dozen reused variables. Only syntax that bc also reads, so
// the very same file can be timed with `bc -l`; divisors are nonzero literals
// and assigned values stay bounded, so neither program meets an error or a
// growing number. The first n lines of a longer run equal a run of n lines.
void write_batch_lines(std::FILE* out, long lines);

// One assignment per line, each to a new variable: v0000000=0, v0000001=1, ...
// The names are SYMBOL_NAME_LENGTH bytes long.
constexpr int SYMBOL_NAME_LENGTH = 8;
void write_symbol_lines(std::FILE* out, long lines);

// A single line "1+1+...+1" of about `bytes` bytes.
void write_long_sum(std::FILE* out, long bytes);

// Ten assignments, then `lines` lines holding only '#'.
void write_listing_lines(std::FILE* out, long lines);
// HELP_PRELUDE_VARIABLES variables, then `lines` help lines: '?' must not walk them all.
constexpr long HELP_PRELUDE_VARIABLES = 100'000;
void write_help_lines(std::FILE* out, long lines);

// `lines` lines of `depth` opening parentheses, a 1 and as many closing ones.
void write_nested_lines(std::FILE* out, long lines, int depth);

// Sums of two number literals of 300 to 349 characters, in several shapes.
void write_long_literal_lines(std::FILE* out, long lines);

// `lines` copies of `text` (which carries no newline), one per line.
void write_repeated_lines(std::FILE* out, long lines, const char* text);
