#include "timing_stats.h"

#include <algorithm>

namespace {

template <class T>
T median_of(std::vector<T> values) {
  if (values.empty()) return T{};
  std::sort(values.begin(), values.end());
  std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

void add_run(RunSeries& series, const RunResult& result) {
  series.seconds.push_back(result.seconds);
  series.max_rss_kib.push_back(result.max_rss_kib);
  series.all_succeeded = series.all_succeeded && result.succeeded;
}

double median_seconds(const RunSeries& series) { return median_of(series.seconds); }

long median_rss_kib(const RunSeries& series) { return median_of(series.max_rss_kib); }
