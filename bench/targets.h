// The whole-process benchmarks, one per target of the performance issue. Each
// generates its workloads, times the programs in interleaved rounds (so that
// a disturbance hits all of them alike), prints its figures and records
// PASS/FAIL outcomes in the run.
#pragma once

#include "bench_setup.h"

void bench_batch(BenchRun& run);         // lines/s against the floor and bc -l
void bench_symbols(BenchRun& run);       // time and memory for 100,000 vs 1,000,000 variables
void bench_startup(BenchRun& run);       // empty input against a banner-only program
void bench_pathological(BenchRun& run);  // odd inputs must stay linear and not slow per byte
void bench_writes(BenchRun& run);        // write syscalls for a batch, counted with strace
