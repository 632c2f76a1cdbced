#include "report.h"

#include <cstdarg>
#include <cstdio>

void print_heading(const std::string& title) { std::printf("\n== %s ==\n", title.c_str()); }

void print_rate(const char* program, const RunSeries& series, double amount, const char* unit) {
  double seconds = median_seconds(series);
  std::printf("  %-22s %10.0f %-6s median %8.4f s  %10s%s/s  (%zu runs)%s\n", program, amount, unit, seconds,
              si_amount(amount / seconds).c_str(), unit, series.seconds.size(),
              series.all_succeeded ? "" : "  [A RUN FAILED OR TIMED OUT]");
  std::fflush(stdout);
}

void record_target(BenchRun& run, const std::string& name, bool passed, const std::string& detail) {
  std::printf("  %s  %s: %s\n", passed ? "PASS" : "FAIL", name.c_str(), detail.c_str());
  std::fflush(stdout);
  run.outcomes.push_back(TargetOutcome{name, passed, detail});
}

bool print_summary(const BenchRun& run) {
  print_heading("Summary");
  bool all_passed = true;
  for (const TargetOutcome& outcome : run.outcomes) {
    std::printf("  %s  %s: %s\n", outcome.passed ? "PASS" : "FAIL", outcome.name.c_str(), outcome.detail.c_str());
    all_passed = all_passed && outcome.passed;
  }
  return all_passed;
}

std::string format_text(const char* format, ...) {
  char text[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  return text;
}

std::string si_amount(double amount) {
  if (amount >= 1e9) return format_text("%.2f G", amount / 1e9);
  if (amount >= 1e6) return format_text("%.2f M", amount / 1e6);
  if (amount >= 1e3) return format_text("%.2f k", amount / 1e3);
  return format_text("%.2f ", amount);
}
