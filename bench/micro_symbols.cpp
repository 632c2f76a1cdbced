// Symbol lookup in a table of a million variables, as a long session that
// has created many names would see it. Lookups jump around the table so that
// the figure includes the cache misses of a big table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "core/interpreter.h"
#include "random_source.h"

using namespace ziffralon;

namespace {

constexpr long TABLE_SIZE = 1'000'000;
constexpr int NAME_SIZE = 9;  // "s0123456" and its NUL
constexpr long PROBE_COUNT = 1 << 16;

struct NameSet {
  std::vector<char> text;  // NAME_SIZE bytes per name
  std::vector<long> probes;
};

const char* name_at(const NameSet& names, long i) { return &names.text[static_cast<std::size_t>(i) * NAME_SIZE]; }

// The symbol table is global and never shrinks, so the names are inserted
// once per process, whatever benchmarks run.
NameSet make_names(char prefix) {
  NameSet names{std::vector<char>(TABLE_SIZE * NAME_SIZE), std::vector<long>(PROBE_COUNT)};
  for (long i = 0; i < TABLE_SIZE; ++i)
    std::snprintf(&names.text[static_cast<std::size_t>(i) * NAME_SIZE], NAME_SIZE, "%c%07ld", prefix, i);
  RandomSource r{WORKLOAD_SEED};
  for (long& probe : names.probes) probe = random_below(r, TABLE_SIZE);
  return names;
}

const NameSet& inserted_names() {
  static const NameSet names = [] {
    NameSet made = make_names('s');
    install_initial_symbols(default_interpreter);
    for (long i = 0; i < TABLE_SIZE; ++i) symbol_insert(default_interpreter, name_at(made, i), TOK_VARIABLE);
    return made;
  }();
  return names;
}

void run_lookups(benchmark::State& state, const NameSet& names) {
  long i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(symbol_lookup_length(default_interpreter, name_at(names, names.probes[i]), NAME_SIZE - 1));
    i = (i + 1) & (PROBE_COUNT - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

void bench_symbol_lookup_hit(benchmark::State& state) { run_lookups(state, inserted_names()); }

void bench_symbol_lookup_miss(benchmark::State& state) {
  inserted_names();
  static const NameSet absent = make_names('m');
  run_lookups(state, absent);
}

}  // namespace

BENCHMARK(bench_symbol_lookup_hit);
BENCHMARK(bench_symbol_lookup_miss);
