// SPDX-License-Identifier: GPL-3.0-or-later
// Time of one upper tail and one quantile of the studentized range, over the level counts and
// error df a post hoc table meets (Tukey's p of each pair is a tail, its interval a quantile).
#include <benchmark/benchmark.h>

#include "engine/studentizedrange.h"

namespace {

void BM_StudentizedRangeUpperTail(benchmark::State& state)
{
    const int k = static_cast<int>(state.range(0));
    const double df = static_cast<double>(state.range(1));
    double q = 1.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(varisect::studentizedRangeUpperTail(q, k, df));
        q = q < 8 ? q + 0.37 : 1.0;  // tails across the range a table shows
    }
}
BENCHMARK(BM_StudentizedRangeUpperTail)
    ->Unit(benchmark::kMicrosecond)
    ->ArgsProduct({{2, 3, 10, 50}, {2, 10, 60, 1000}});

void BM_StudentizedRangeQuantile(benchmark::State& state)
{
    const int k = static_cast<int>(state.range(0));
    const double df = static_cast<double>(state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(varisect::studentizedRangeQuantile(0.05, k, df));
}
BENCHMARK(BM_StudentizedRangeQuantile)
    ->Unit(benchmark::kMillisecond)
    ->ArgsProduct({{2, 3, 10, 50}, {2, 10, 60, 1000}});

}  // namespace
