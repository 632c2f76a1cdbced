#!/usr/bin/env python3
# The comparison table of `make bench-compiled`, from the JSON results of
# compiled_benchmarks run with --benchmark_repetitions (see bench/bench.mk).
#
#   bench/compiled_table.py RESULTS.json
#
# Per formula the median CPU time of its repetitions counts; per group and
# over all formulas, geometric means. Ratios are geometric means of the
# per-formula ratios over the formulas both engines ran. "compiled" is what
# ziffralon_compile gives (machine code where the processor has a back-end),
# "bytecode" the same programs on the bytecode machine, "compile" the time to
# compile and free one. Prints PASS or FAIL for the targets; exits 1 unless all
# passed and every formula ran.
import collections
import json
import math
import statistics
import sys

ENGINES = ["compiled", "bytecode", "uncompiled", "muparser", "native", "compile"]
TARGETS = [("muparser", 0.45), ("native", 1.15)]  # compiled at most this many times the engine's time
COMPILE_TARGET_US = 10.0  # compiling a formula of about 20 tokens, machine code included
# Each pair runs as fast as its second (a 5% margin for noise): constants
# held by variables fold, and x^1 is x.
AS_FAST_AS = [("sin(pi/6) + cos(2*pi/6)", "1.1"), ("2.2*x^1 + 1.1", "2.2*x + 1.1")]
WORST_SHOWN = 8


def geometric_mean(values):
    return math.exp(statistics.fmean(math.log(value) for value in values)) if values else None


def load_runs(path):
    """(engine, group, number) -> list of repetitions; threads benchmarks apart."""
    with open(path) as stream:
        entries = json.load(stream)["benchmarks"]
    runs, labels, failures = collections.defaultdict(list), {}, {}
    code_bytes = {}
    threads = collections.defaultdict(list)
    for entry in entries:
        if entry.get("run_type") != "iteration":
            continue
        parts = entry["run_name"].split("/")
        if entry.get("error_occurred"):
            failures[entry["run_name"]] = entry.get("error_message", "")
        elif parts[0] == "threads":
            # The times are per iteration of all threads together, an iteration
            # evaluating every formula once.
            per_evaluation = entry["cpu_time"] / (entry["items_per_second"] * entry["real_time"] / 1e9)
            threads[(parts[1], entry["threads"])].append((entry["items_per_second"], per_evaluation))
        else:
            key = (parts[0], parts[1], int(parts[2]))
            runs[key].append(entry["cpu_time"])
            if "code_bytes" in entry:
                code_bytes[key[2]] = entry["code_bytes"]
            labels[key[2]] = entry.get("label", "")
    return runs, labels, failures, threads, code_bytes


def ratio(times, engine, other, numbers):
    both = [number for number in numbers if (engine, number) in times and (other, number) in times]
    return geometric_mean([times[(engine, number)] / times[(other, number)] for number in both]), len(both)


def cell(value, digits=1):
    return "-" if value is None else f"{value:.{digits}f}"


def print_table(times, groups):
    print("| group | formulas | compiled ns | bytecode ns | uncompiled ns | muparser ns (formulas) | native ns "
          "| compile µs | compiled/muparser | compiled/native |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    for group, numbers in groups:
        means = {engine: geometric_mean([times[(engine, n)] for n in numbers if (engine, n) in times])
                 for engine in ENGINES}
        peer_count = sum((("muparser", n) in times) for n in numbers)
        ratios = [ratio(times, "compiled", other, numbers)[0] for other, _ in TARGETS]
        compile_us = None if means["compile"] is None else means["compile"] / 1000
        print(f"| {group} | {len(numbers)} | {cell(means['compiled'])} | {cell(means['bytecode'])} "
              f"| {cell(means['uncompiled'])} | {cell(means['muparser'])} ({peer_count}) | {cell(means['native'])} "
              f"| {cell(compile_us, 2)} | {cell(ratios[0], 2)} | {cell(ratios[1], 2)} |")


def print_worst(times, labels, numbers, other):
    ranked = sorted((times[("compiled", n)] / times[(other, n)], n) for n in numbers
                    if ("compiled", n) in times and (other, n) in times)
    if not ranked:
        return
    print(f"\nWorst formulas, compiled against {other}:")
    for value, number in reversed(ranked[-WORST_SHOWN:]):
        print(f"  {value:6.2f}  #{number} `{labels[number]}`: compiled {times[('compiled', number)]:.1f} ns, "
              f"{other} {times[(other, number)]:.1f} ns")


def print_noise(runs):
    spreads = sorted((statistics.pstdev(values) / statistics.fmean(values), "/".join(map(str, key)))
                     for key, values in runs.items() if len(values) > 1)
    if spreads:
        repetitions = statistics.median(len(values) for values in runs.values())
        print(f"\nNoise: {repetitions:.0f} repetitions per formula and engine; coefficient of variation "
              f"median {100 * statistics.median(s for s, _ in spreads):.1f}%, "
              f"worst {100 * spreads[-1][0]:.1f}% ({spreads[-1][1]})")


def print_threads(threads):
    """Throughput in real time, and CPU time per evaluation within each thread:
    on a machine that other work keeps busy the first cannot double, while the
    second shows whether the threads slow each other down."""
    for engine in sorted({engine for engine, _ in threads}):
        one, two = (threads.get((engine, count)) for count in (1, 2))
        if not one or not two:
            continue
        rate = [statistics.median(rate for rate, _ in runs) for runs in (one, two)]
        cpu = [statistics.median(cpu for _, cpu in runs) for runs in (one, two)]
        print(f"Interpreters of their own, {engine}: 1 thread {rate[0] / 1e6:.2f} M evaluations/s, "
              f"2 threads {rate[1] / 1e6:.2f} M/s: {rate[1] / rate[0]:.2f} times the throughput; "
              f"CPU time per evaluation {cpu[0]:.1f} ns alone, {cpu[1]:.1f} ns in each of 2 threads")


def main():
    runs, labels, failures, threads, code_bytes = load_runs(sys.argv[1])
    times = {(engine, number): statistics.median(values) for (engine, _, number), values in runs.items()}
    grouped = collections.defaultdict(set)
    for _, group, number in runs:
        grouped[group].add(number)
    groups = [(group, sorted(numbers)) for group, numbers in sorted(grouped.items(), key=lambda item: min(item[1]))]
    every = sorted(number for _, numbers in groups for number in numbers)
    print_table(times, groups + [("all", every)])

    passed = not failures
    print()
    for other, allowed in TARGETS:
        value, count = ratio(times, "compiled", other, every)
        verdict = "FAIL" if value is None or value > allowed else "PASS"
        passed = passed and verdict == "PASS"
        print(f"{verdict}: compiled / {other} = {cell(value, 3)} over {count} formulas (target <= {allowed})")
    by_text = {labels[n]: n for n in every}
    for slow, fast in AS_FAST_AS:
        if slow in by_text and fast in by_text and ("compiled", by_text[slow]) in times:
            a, b = times[("compiled", by_text[slow])], times[("compiled", by_text[fast])]
            verdict = "PASS" if a <= 1.05 * b else "FAIL"
            passed = passed and verdict == "PASS"
            print(f"{verdict}: `{slow}` {a:.2f} ns as fast as `{fast}` {b:.2f} ns")
    compiled = [n for n in every if ("compile", n) in times]
    slowest = max(compiled, key=lambda n: times[("compile", n)], default=None)
    verdict = "PASS" if slowest is not None and times[("compile", slowest)] / 1000 <= COMPILE_TARGET_US else "FAIL"
    passed = passed and verdict == "PASS"
    if slowest is not None:
        print(f"{verdict}: compiling takes at most {times[('compile', slowest)] / 1000:.2f} µs a formula "
              f"(`{labels[slowest]}`; target <= {COMPILE_TARGET_US} µs)")
    if code_bytes:
        largest = max(code_bytes, key=code_bytes.get)
        print(f"Machine code per program: at most {code_bytes[largest]:.0f} bytes (`{labels[largest]}`), "
              f"median {statistics.median(code_bytes.values()):.0f}; 0 means the bytecode machine runs it")
    left_out = sum(("native", n) in times and ("muparser", n) not in times for n in every)
    print(f"muparser cannot write {left_out} of {len(every)} formulas the same way (%, !, ~, ku, kf, "
          f"statements): they are left out of its column")
    for name, message in sorted(failures.items()):
        print(f"FAIL: {name}: {message}")
    for other, _ in TARGETS:
        print_worst(times, labels, every, other)
    print_noise(runs)
    print_threads(threads)
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
