// Summaries of repeated runs. Medians, because a second program sharing the
// machine spoils single runs in one direction only.
#pragma once

#include <vector>

#include "process_run.h"

struct RunSeries {
  std::vector<double> seconds;
  std::vector<long> max_rss_kib;
  bool all_succeeded = true;
};

void add_run(RunSeries& series, const RunResult& result);
double median_seconds(const RunSeries& series);
long median_rss_kib(const RunSeries& series);
