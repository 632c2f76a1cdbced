// A fixed-seed pseudo-random source for the benchmark workloads.
//
// The workloads must be byte-for-byte the same on every run and machine, so
// that figures from different days compare; <random>'s distributions leave
// their output to the library, so we keep a tiny generator of our own.
#pragma once

#include <cstdint>

struct RandomSource {
  std::uint64_t state;
};

constexpr std::uint64_t WORKLOAD_SEED = 0x5A1FF7A10ULL;

// A number in [0, bound); bound must be positive.
inline std::uint32_t random_below(RandomSource& source, std::uint32_t bound) {
  source.state = source.state * 6364136223846793005ULL + 1442695040888963407ULL;
  return static_cast<std::uint32_t>((source.state >> 33) % bound);
}
