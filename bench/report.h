// Console output of the benchmark driver: headings, figures, verdicts.
#pragma once

#include <string>

#include "bench_setup.h"
#include "timing_stats.h"

void print_heading(const std::string& title);

// One program's median over its runs, with a rate in `unit` per second.
void print_rate(const char* program, const RunSeries& series, double amount, const char* unit);

// Prints "PASS"/"FAIL", the name and the detail, and keeps the outcome.
void record_target(BenchRun& run, const std::string& name, bool passed, const std::string& detail);

// Prints every outcome again; returns true when all passed.
bool print_summary(const BenchRun& run);

// printf into a std::string.
std::string format_text(const char* format, ...) __attribute__((format(printf, 1, 2)));

// 1234567 -> "1.23 M"
std::string si_amount(double amount);
