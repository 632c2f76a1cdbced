#!/usr/bin/env python3
# The whole-process benchmarks behind `make bench`, timed with hyperfine.
#
#   bench/run_bench.py [--quick] [--build DIR] [GROUP ...]
#
# GROUP is batch, symbols, startup, writes or odd; with none, all run. DIR is
# the bench build (default build-bench). --quick cuts every size to a tenth, to
# try the script out: it prints the figures without verdicts. Workloads come
# from bench/gen_workload into a temporary directory removed at the end.
#
# Every timed figure is given with its spread: the interquartile range of the
# runs (for a ratio, the lowest and highest the two ranges allow). A target is
# PASS when the whole spread meets it, FAIL when the whole spread misses it, and
# NOISY when the spread straddles it: the machine was too busy to tell, run
# again on a quiet one. Exit status: 0 when nothing failed (NOISY and SKIP are
# no failure), 1 when a target was missed or a run did not work; with --quick,
# 0 when every run worked.
import argparse
import dataclasses
import json
import os
import platform
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile

QUICK_DIVISOR = 10

BATCH_LINES = 2_000_000
BC_LINES = 200_000  # bc is far slower; it gets the first tenth of the same lines
MANY_VARIABLES = 1_000_000
FEW_VARIABLES = 100_000
SYMBOL_NAME_LENGTH = 8  # gen_workload names them v0000000, v0000001, ...
WRITE_LINES = 100_000
REFERENCE_LINES = 500_000  # the per-byte yardstick for odd inputs when batch is not run

FLOOR_SHARE_NEEDED = 0.65
BC_FACTOR_NEEDED = 8.0
VARIABLE_TIME_FACTOR_ALLOWED = 11.0
BYTES_PER_VARIABLE_ALLOWED = 64.0
STARTUP_FACTOR_ALLOWED = 1.3
WRITE_CALLS_ALLOWED = 1_000  # for WRITE_LINES lines
# Odd inputs are timed at their size and a tenth of it. Linear work keeps the
# time per input byte flat: 10 times the input may take at most 15 times as
# long. Per byte read or written an odd input may cost this many times a
# typical batch (a two-byte '#' line rightly prints a dozen lines).
GROWTH_ALLOWED = 1.5
SLOWNESS_ALLOWED = 10.0
ODD_STEP = 10

# (title, gen_workload kind, count: bytes for the sum, lines otherwise)
ODD_INPUTS = [
    ("one line 1+1+...+1", "sum", 100_000_000),
    ("'#' lines after ten variables", "listing", 1_000_000),
    ("'?' lines after 100,000 variables", "help", 20_000),
    ("lines of 9,995 nested parentheses", "nested", 2_000),
    ("lines of two 300-349-char literals", "literals", 50_000),
    ("lines 2147483647!", "factorial", 1_000_000),
    ("lines 2147483647~1073741823", "binomial", 1_000_000),
]

# (runs, warm-up runs, rounds): each round is one hyperfine invocation with
# every program side by side, in alternating order, so that a drift in the
# machine's speed meets all of them alike; medians are over all rounds' runs.
BATCH_RUNS = (3, 1, 3)
SYMBOL_RUNS = (1, 1, 7)
STARTUP_RUNS = (61, 10, 5)
ODD_RUNS = (5, 1, 1)
RSS_RUNS = 3


@dataclasses.dataclass
class Bench:
    ziffralon: str
    floor: str
    minimal_banner: str
    gen_workload: str
    work: str  # temporary directory for workloads and hyperfine's JSON
    divisor: int  # 1, or QUICK_DIVISOR
    outcomes: list = dataclasses.field(default_factory=list)  # (name, verdict, figures, need)
    quick: bool = False  # figures only, no verdicts
    seconds_per_io_byte: float = 0.0  # typical batch: time per byte read or written


def sized(bench, count, minimum=1):
    return max(minimum, count // bench.divisor)


def workload(bench, kind, count):
    path = os.path.join(bench.work, f"{kind}_{count}.txt")
    if not os.path.exists(path):
        with open(path, "wb") as out:
            subprocess.run([bench.gen_workload, kind, str(count)], stdout=out, check=True)
    return path


def fed(path, *argv):
    return f"{shlex.join(argv)} < {shlex.quote(path)} > /dev/null"


@dataclasses.dataclass
class Spread:
    """A figure with its spread: low <= middle <= high."""
    low: float
    middle: float
    high: float

    def __truediv__(self, other):
        return Spread(self.low / other.high, self.middle / other.middle, self.high / other.low)

    def scaled(self, factor):
        return Spread(self.low * factor, self.middle * factor, self.high * factor)

    def shown(self, digits):
        return f"{self.middle:.{digits}f} ({self.low:.{digits}f}-{self.high:.{digits}f})"


def spread_of(values):
    """Median and interquartile range of the runs."""
    if len(values) < 4:
        return Spread(min(values), statistics.median(values), max(values))
    quartiles = statistics.quantiles(values, n=4, method="inclusive")
    return Spread(quartiles[0], statistics.median(values), quartiles[2])


def hyperfine(bench, label, commands, runs, shell=True):
    """Times [(name, command)] side by side; {name: Spread of seconds}, or None if a run failed."""
    json_path = os.path.join(bench.work, label + ".json")
    times = {name: [] for name, _ in commands}
    for round_number in range(runs[2]):
        order = commands if round_number % 2 == 0 else commands[::-1]
        args = ["hyperfine", "--style", "basic", "--runs", str(runs[0]), "--warmup", str(runs[1]),
                "--export-json", json_path] + ([] if shell else ["-N"])
        for name, _ in order:
            args += ["--command-name", name]
        args += [command for _, command in order]
        sys.stdout.flush()
        if subprocess.run(args).returncode != 0:
            return None
        with open(json_path) as f:
            for (name, _), result in zip(order, json.load(f)["results"]):
                times[name] += result["times"]
    return {name: spread_of(values) for name, values in times.items()}


def output_bytes(program, path):
    with open(path, "rb") as source:
        child = subprocess.Popen([program], stdin=source, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        total = sum(len(chunk) for chunk in iter(lambda: child.stdout.read(1 << 20), b""))
    return total if child.wait() == 0 else -1


def peak_rss_kib(bench, path):
    """Spread of the peak resident sets of RSS_RUNS runs, from GNU time; None if a run failed."""
    report = os.path.join(bench.work, "time.txt")
    peaks = []
    for _ in range(RSS_RUNS):
        with open(path, "rb") as source:
            done = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report, bench.ziffralon], stdin=source,
                                  stdout=subprocess.DEVNULL)
        if done.returncode != 0:
            return None
        with open(report) as f:
            peaks.append(int(f.read().split()[-1]))
    return spread_of(peaks)


def write_calls(bench, shell_line, summary):
    """Runs shell_line under strace -c; the calls column of its write row, or None."""
    print(f"  $ {shell_line}", flush=True)
    if subprocess.run(shell_line, shell=True).returncode != 0:
        return None
    with open(summary) as f:
        rows = [line.split() for line in f]
    return next((int(row[3]) for row in rows if len(row) >= 5 and row[-1] == "write"), None)


def heading(title):
    print(f"\n== {title} ==", flush=True)


def record(bench, name, verdict, figures, need):
    """verdict: PASS, FAIL, NOISY, SKIP or ERROR (a run did not work); none with --quick."""
    if bench.quick and verdict != "ERROR":
        verdict = "-"
    print(f"  {verdict}  {name}: {figures}" + ("" if bench.quick else f" (need {need})"), flush=True)
    bench.outcomes.append((name, verdict, figures, need))


def verdict_of(figure, at_least=None, at_most=None):
    """PASS when the whole spread meets the target, FAIL when it misses it
    whole, NOISY when the spread straddles it."""
    if at_least is not None:
        return "PASS" if figure.low >= at_least else "FAIL" if figure.high < at_least else "NOISY"
    return "PASS" if figure.high <= at_most else "FAIL" if figure.low > at_most else "NOISY"


def judge(bench, name, figure, figures, at_least=None, at_most=None):
    need = f">= {at_least}" if at_least is not None else f"<= {at_most}"
    record(bench, name, verdict_of(figure, at_least, at_most), figures, need)


def run_failed(bench, name, need):
    record(bench, name, "ERROR", "a run failed", need)


def missing(bench, name, need, tool, package):
    record(bench, name, "SKIP", f"{tool} is not installed: scripts/install-deps bench ({package})", need)


def rate(count, seconds):
    return f"{count / seconds.middle / 1e6:.2f} M lines/s"


def set_io_yardstick(bench, batch, seconds):
    written = output_bytes(bench.ziffralon, batch)
    if written >= 0:
        bench.seconds_per_io_byte = seconds.middle / (os.path.getsize(batch) + written)


def bench_batch(bench):
    lines = sized(bench, BATCH_LINES)
    batch = workload(bench, "batch", lines)
    heading(f"Batch: {lines:,} typical lines ({os.path.getsize(batch):,} bytes)")
    t = hyperfine(bench, "batch", [("ziffralon", fed(batch, bench.ziffralon)), ("floor", fed(batch, bench.floor))],
                  BATCH_RUNS)
    name = f"batch of {lines:,} lines vs floor"
    if t is None:
        run_failed(bench, name, f">= {FLOOR_SHARE_NEEDED}")
    else:
        share = t["floor"] / t["ziffralon"]
        judge(bench, name, share, f"{rate(lines, t['ziffralon'])} vs {rate(lines, t['floor'])}: {share.shown(3)}",
              at_least=FLOOR_SHARE_NEEDED)
        set_io_yardstick(bench, batch, t["ziffralon"])

    bc_lines = sized(bench, BC_LINES)
    name, need = f"batch of {bc_lines:,} lines vs bc -l", f">= {BC_FACTOR_NEEDED:.0f}"
    if not shutil.which("bc"):
        return missing(bench, name, need, "bc", "bc")
    bc_batch = workload(bench, "batch", bc_lines)
    t = hyperfine(bench, "batch_bc", [("ziffralon", fed(bc_batch, bench.ziffralon)), ("bc -l", fed(bc_batch, "bc", "-l"))],
                  BATCH_RUNS)
    if t is None:
        return run_failed(bench, name, need)
    factor = t["bc -l"] / t["ziffralon"]
    judge(bench, name, factor, f"{rate(bc_lines, t['ziffralon'])} vs {rate(bc_lines, t['bc -l'])}: "
          f"{factor.shown(1)} times", at_least=BC_FACTOR_NEEDED)


def bench_symbols(bench):
    many, few = sized(bench, MANY_VARIABLES), sized(bench, FEW_VARIABLES)
    many_path, few_path = workload(bench, "symbols", many), workload(bench, "symbols", few)
    heading(f"Symbols: {many:,} vs {few:,} new variables")
    t = hyperfine(bench, "symbols", [("few", fed(few_path, bench.ziffralon)), ("many", fed(many_path, bench.ziffralon))],
                  SYMBOL_RUNS)
    name, need = f"{many:,} vs {few:,} new variables, time", f"<= {VARIABLE_TIME_FACTOR_ALLOWED:.0f}"
    if t is None:
        run_failed(bench, name, need)
    else:
        factor = t["many"] / t["few"]
        judge(bench, name, factor, f"{t['many'].shown(4)} s vs {t['few'].shown(4)} s: {factor.shown(2)} times",
              at_most=VARIABLE_TIME_FACTOR_ALLOWED)

    name, need = "memory per variable beyond its name", f"<= {BYTES_PER_VARIABLE_ALLOWED:.0f} bytes"
    if not os.access("/usr/bin/time", os.X_OK):
        return missing(bench, name, need, "GNU time (/usr/bin/time)", "time")
    empty = os.path.join(bench.work, "empty.txt")
    open(empty, "wb").close()
    rss_many, rss_empty = peak_rss_kib(bench, many_path), peak_rss_kib(bench, empty)
    if rss_many is None or rss_empty is None:
        return run_failed(bench, name, need)
    per_variable = Spread(*((many_kib - empty_kib) * 1024 / many - SYMBOL_NAME_LENGTH
                            for many_kib, empty_kib in ((rss_many.low, rss_empty.high),
                                                        (rss_many.middle, rss_empty.middle),
                                                        (rss_many.high, rss_empty.low))))
    judge(bench, name, per_variable, f"max RSS {rss_many.middle:,.0f} KiB vs {rss_empty.middle:,.0f} KiB empty: "
          f"{per_variable.shown(1)} bytes", at_most=BYTES_PER_VARIABLE_ALLOWED)


# hyperfine gives every program /dev/null as standard input: empty input,
# without a shell in between whose start-up would swamp a millisecond.
def bench_startup(bench):
    runs = (sized(bench, STARTUP_RUNS[0], 31) | 1, STARTUP_RUNS[1], STARTUP_RUNS[2])
    heading(f"Start-up on empty input, {runs[0] * runs[2]} runs each")
    t = hyperfine(bench, "startup", [("ziffralon", shlex.quote(bench.ziffralon)),
                                     ("minimal banner", shlex.quote(bench.minimal_banner))], runs, shell=False)
    name, need = "start-up, empty input, vs minimal banner", f"<= {STARTUP_FACTOR_ALLOWED}"
    if t is None:
        return run_failed(bench, name, need)
    factor = t["ziffralon"] / t["minimal banner"]
    judge(bench, name, factor, f"{t['ziffralon'].scaled(1e3).shown(3)} ms vs "
          f"{t['minimal banner'].scaled(1e3).shown(3)} ms: {factor.shown(2)} times", at_most=STARTUP_FACTOR_ALLOWED)


def bench_writes(bench):
    lines = sized(bench, WRITE_LINES)
    allowed = sized(bench, WRITE_CALLS_ALLOWED)
    heading(f"Write calls for a {lines:,}-line batch")
    batch = workload(bench, "batch", lines)
    summary = os.path.join(bench.work, "strace.txt")
    traced = f"strace -f -c -e trace=write -o {shlex.quote(summary)} {shlex.quote(bench.ziffralon)}"
    shell_lines = [("from a file", f"{traced} < {shlex.quote(batch)} > /dev/null"),
                   ("through pipes", f"cat {shlex.quote(batch)} | {traced} | cat > /dev/null")]
    for how, shell_line in shell_lines:
        name, need = f"write calls, {how}", f"<= {allowed:,}"
        if not shutil.which("strace"):
            missing(bench, name, need, "strace", "strace")
            continue
        calls = write_calls(bench, shell_line, summary)
        if calls is None:
            run_failed(bench, name, need)
        else:  # a count, the same every run: no spread
            judge(bench, name, Spread(calls, calls, calls), f"{calls} for {lines:,} lines", at_most=allowed)


def measure_reference_batch(bench):
    batch = workload(bench, "batch", sized(bench, REFERENCE_LINES))
    t = hyperfine(bench, "reference", [("ziffralon", fed(batch, bench.ziffralon))], ODD_RUNS)
    if t is not None:
        set_io_yardstick(bench, batch, t["ziffralon"])


def bench_odd_input(bench, title, kind, count):
    full = sized(bench, count, ODD_STEP)
    paths = [workload(bench, kind, full), workload(bench, kind, full // ODD_STEP)]
    sizes = [os.path.getsize(path) for path in paths]
    print(f"\n-- {full:,} {title}: {sizes[0]:,} bytes, and {sizes[1]:,} bytes", flush=True)
    t = hyperfine(bench, kind, [("full", fed(paths[0], bench.ziffralon)), ("tenth", fed(paths[1], bench.ziffralon))],
                  ODD_RUNS)
    written = output_bytes(bench.ziffralon, paths[0])
    for path in paths:
        os.remove(path)
    name, need = f"{full:,} {title}", f"growth <= {GROWTH_ALLOWED}, per byte <= {SLOWNESS_ALLOWED:.0f}x batch"
    if t is None or written < 0:
        return run_failed(bench, name, need)
    growth = (t["full"] / t["tenth"]).scaled(sizes[1] / sizes[0])
    slowness = t["full"].scaled(1 / (sizes[0] + written) / bench.seconds_per_io_byte)
    verdicts = (verdict_of(growth, at_most=GROWTH_ALLOWED), verdict_of(slowness, at_most=SLOWNESS_ALLOWED))
    verdict = "FAIL" if "FAIL" in verdicts else "NOISY" if "NOISY" in verdicts else "PASS"
    record(bench, name, verdict, f"{t['full'].shown(4)} s vs {t['tenth'].shown(4)} s, growth {growth.shown(2)}, "
           f"per byte read+written {slowness.shown(2)}x batch", need)


def bench_odd(bench):
    heading("Odd inputs stay linear: each at its size and a tenth; growth = time ratio / size ratio")
    if bench.seconds_per_io_byte <= 0:
        measure_reference_batch(bench)
    if bench.seconds_per_io_byte <= 0:
        return run_failed(bench, "odd inputs: the reference batch", "a typical batch to compare with")
    for title, kind, count in ODD_INPUTS:
        bench_odd_input(bench, title, kind, count)


GROUPS = {"batch": bench_batch, "symbols": bench_symbols, "startup": bench_startup, "writes": bench_writes,
          "odd": bench_odd}


def print_machine():
    cpu = "unknown"
    with open("/proc/cpuinfo") as f:
        cpu = next((line.split(":", 1)[1].strip() for line in f if line.startswith("model name")), cpu)
    version = subprocess.run(["hyperfine", "--version"], capture_output=True, text=True).stdout.strip()
    print(f"machine: {os.cpu_count()} cores online, CPU {cpu}, {platform.system()} {platform.release()}; {version}")


def print_summary(bench):
    heading("Summary" + (" (quick: figures only, no verdicts)" if bench.quick else ""))
    width = max(len(name) for name, _, _, _ in bench.outcomes)
    for name, verdict, figures, need in bench.outcomes:
        print(f"  {verdict:<5}  {name:<{width}}  {figures}" + ("" if bench.quick else f"  (need {need})"))
    if any(verdict == "NOISY" for _, verdict, _, _ in bench.outcomes):
        print("NOISY: the spread of the runs straddles the target, so this machine was too busy to tell; "
              "run again on a quiet one.")


def main():
    parser = argparse.ArgumentParser(description="Whole-process benchmarks of ZIFFRALON on hyperfine.")
    parser.add_argument("--quick", action="store_true", help="every size cut to a tenth")
    parser.add_argument("--build", default="build-bench", help="the bench build directory")
    parser.add_argument("groups", nargs="*", metavar="GROUP", help=", ".join(GROUPS) + "; all when none is named")
    options = parser.parse_args()
    if not set(options.groups) <= set(GROUPS):
        parser.error(f"GROUP must be one of {', '.join(GROUPS)}")
    if not shutil.which("hyperfine"):
        sys.exit("make bench needs hyperfine: apt-get install hyperfine")
    build = os.path.abspath(options.build)
    bench = Bench(os.path.join(build, "ziffralon"), os.path.join(build, "bench", "floor"),
                  os.path.join(build, "bench", "minimal_banner"), os.path.join(build, "bench", "gen_workload"),
                  tempfile.mkdtemp(prefix="ziffralon-bench."), QUICK_DIVISOR if options.quick else 1)
    print_machine()
    print(f"programs in {build}; workloads in {bench.work} (removed at the end)")
    bench.quick = options.quick
    if options.quick:
        print("quick: every size cut to a tenth; figures only, no verdicts")
    try:
        for name, run in GROUPS.items():
            if not options.groups or name in options.groups:
                run(bench)
    finally:
        shutil.rmtree(bench.work, ignore_errors=True)
    print_summary(bench)
    failed = {"ERROR"} if bench.quick else {"FAIL", "ERROR"}
    return 1 if any(verdict in failed for _, verdict, _, _ in bench.outcomes) else 0


if __name__ == "__main__":
    sys.exit(main())
