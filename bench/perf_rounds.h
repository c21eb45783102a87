// What the perftests share: the median of their rounds, and for those that
// hash in memory, their timed rounds and the data they hash.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <vector>

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

/// Calls `work`, `batch` calls between looks at the clock, until `seconds` of
/// this process's processor time (std::clock) have passed, so that the time
/// it waits while others run on a busy machine does not count; returns the
/// calls made per second.
inline double CallsPerSecond(const std::function<void()>& work, double seconds, int batch) {
  const std::clock_t start = std::clock();
  size_t calls = 0;
  double spent = 0;
  do {
    for (int i = 0; i < batch; ++i) work();
    calls += static_cast<size_t>(batch);
    spent = double(std::clock() - start) / CLOCKS_PER_SEC;
  } while (spent < seconds);
  return double(calls) / spent;
}

/// Bytes of a fixed pseudo-random sequence: the same data in every run.
inline void Fill(uint8_t* p, size_t size, uint32_t seed) {
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1664525u + 1013904223u;
    p[i] = static_cast<uint8_t>(seed >> 24);
  }
}
