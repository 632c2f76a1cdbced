# Performance work (not part of `make check`):
#   make bench          micro-benchmarks, then the whole-process targets with PASS/FAIL
#   make bench-quick    the whole-process benchmarks on a tenth of the sizes, to try them out
#   make bench-profile  perf profile of ZIFFRALON on the 2,000,000-line batch
# Needs Google Benchmark, hyperfine, python3, bc, strace and GNU time, which
# `scripts/install-deps bench` installs; perf for the profile.
BENCH_BUILD ?= build-bench
BENCH_MICRO_FLAGS ?= --benchmark_min_time=0.5
BENCH_PROFILE_LINES ?= 2000000

.PHONY: bench bench-build bench-quick bench-profile

bench-build:
	scripts/install-deps bench
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DZIFFRALON_BENCH=ON -DZIFFRALON_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)

bench: bench-build
	./$(BENCH_BUILD)/bench/micro_benchmarks $(BENCH_MICRO_FLAGS)
	python3 bench/run_bench.py --build $(BENCH_BUILD)

bench-quick: bench-build
	python3 bench/run_bench.py --build $(BENCH_BUILD) --quick

bench-profile: bench-build
	@command -v perf >/dev/null || { echo "bench-profile needs perf: apt-get install linux-perf"; exit 1; }
	./$(BENCH_BUILD)/bench/gen_workload batch $(BENCH_PROFILE_LINES) > $(BENCH_BUILD)/profile_batch.txt
	perf record -F 10000 -o $(BENCH_BUILD)/perf.data ./$(BENCH_BUILD)/ziffralon < $(BENCH_BUILD)/profile_batch.txt > /dev/null
	perf report -i $(BENCH_BUILD)/perf.data --no-children --stdio --sort symbol --percent-limit 0.2 2>/dev/null \
	  | grep -v '^#' | grep -v '^$$' | sed 's/ *- *- *$$//'
