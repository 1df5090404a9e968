#pragma once
// Adds min and max to the statistics printed over repetitions (mean, median
// and deviation by default): `->Apply(korv::bench::MinMax)`.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace korv::bench {

inline void MinMax(benchmark::internal::Benchmark* b) {
    b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
    b->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); });
}

}  // namespace korv::bench
