// Workload files in the driver's temporary directory.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "bench_setup.h"

// Creates work_dir/name with what `write` puts into it; returns the path.
std::string create_workload(const BenchSetup& setup, const std::string& name,
                            const std::function<void(std::FILE*)>& write);

long file_size(const std::string& path);

// Removes every file create_workload made, then the directory.
void remove_workloads(const BenchSetup& setup);
