// What every whole-process benchmark needs to know, and how targets report.
#pragma once

#include <string>
#include <vector>

struct BenchSetup {
  std::string ziffralon;       // the calculator under test
  std::string floor;           // bench/floor.cpp
  std::string minimal_banner;  // bench/minimal_banner.cpp
  std::string work_dir;        // generated workloads go here and are removed at the end
  double scale;                // 1 for the real sizes; less for a quick trial
};

struct TargetOutcome {
  std::string name;
  bool passed;
  std::string detail;
};

// Figures one benchmark leaves for a later one.
struct BenchFigures {
  // Time of the typical batch per byte read, and per byte read or written.
  double batch_seconds_per_byte = 0;
  double batch_seconds_per_io_byte = 0;
};

struct BenchRun {
  BenchSetup setup;
  BenchFigures figures;
  std::vector<TargetOutcome> outcomes;
};

// A workload size multiplied by the scale, but never below `minimum`.
long scaled(const BenchSetup& setup, long count, long minimum = 1);
