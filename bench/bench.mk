# Performance work (not part of `make check`):
#   make bench          micro-benchmarks, then the whole-process targets: PASS, FAIL,
#                       or NOISY when the spread of the runs straddles the target
#   make bench-quick    the whole-process benchmarks on a tenth of the sizes: figures
#                       without verdicts, status 0 when every run worked
#   make bench-profile  perf profile of ZIFFRALON on the 2,000,000-line batch
#   make bench-compiled compiled formulas against uncompiled evaluation, native
#                       C++ and muparser: a table of ns per evaluation, PASS/FAIL
# Needs Google Benchmark, hyperfine, python3, bc, strace, GNU time and
# muparser, which `scripts/install-deps bench` installs; perf for the profile.
BENCH_BUILD ?= build-bench
BENCH_MICRO_FLAGS ?= --benchmark_min_time=0.5
BENCH_PROFILE_LINES ?= 2000000
# The machine is shared: repetitions in random order, so that a slow spell
# meets all engines alike, and medians of them.
BENCH_COMPILED_FLAGS ?= --benchmark_repetitions=5 --benchmark_min_time=0.1 --benchmark_enable_random_interleaving=true

.PHONY: bench bench-build bench-quick bench-profile bench-compiled

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

bench-compiled: bench-build
	@echo "compiled_benchmarks $(BENCH_COMPILED_FLAGS): a few minutes; details in $(BENCH_BUILD)/compiled.log"
	./$(BENCH_BUILD)/bench/compiled_benchmarks $(BENCH_COMPILED_FLAGS) --benchmark_display_aggregates_only=true \
	  --benchmark_out=$(BENCH_BUILD)/compiled.json --benchmark_out_format=json > $(BENCH_BUILD)/compiled.log
	python3 bench/compiled_table.py $(BENCH_BUILD)/compiled.json
