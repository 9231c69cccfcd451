// SPDX-License-Identifier: GPL-3.0-or-later
// The whole analysis of the largest designs: 16256 scores, seven factors of 2 levels and a
// designated factor of 127. SumsOfSquares measures the sums of squares alone, with the engine's
// peak allocation; SumsOfSquaresLattice the bracket method over marginal tables it was chosen over.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "engine/analysis.h"
#include "engine/prompts.h"
#include "largestdesign.h"
#include "marginallattice.h"
#include "support/recordingprompts.h"

// Every allocation of the program is counted, so that a benchmark can report the most memory
// the code it measures held at once.
namespace {

std::atomic<std::size_t> heldBytes{0};
std::atomic<std::size_t> peakBytes{0};

void* countedAllocation(std::size_t size)
{
    // The size stands in front of the block, 16 bytes keep the block aligned as malloc's are.
    void* block = std::malloc(size + 16);
    if (!block)
        throw std::bad_alloc();
    *static_cast<std::size_t*>(block) = size;
    const std::size_t now = heldBytes.fetch_add(size, std::memory_order_relaxed) + size;
    std::size_t peak = peakBytes.load(std::memory_order_relaxed);
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
    return static_cast<char*>(block) + 16;
}

void countedRelease(void* p) noexcept
{
    if (!p)
        return;
    void* block = static_cast<char*>(p) - 16;
    heldBytes.fetch_sub(*static_cast<std::size_t*>(block), std::memory_order_relaxed);
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return countedAllocation(size); }
void* operator new[](std::size_t size) { return countedAllocation(size); }
void operator delete(void* p) noexcept { countedRelease(p); }
void operator delete[](void* p) noexcept { countedRelease(p); }
void operator delete(void* p, std::size_t) noexcept { countedRelease(p); }
void operator delete[](void* p, std::size_t) noexcept { countedRelease(p); }

namespace {

using namespace varisect;

// The most memory `work` holds at once beyond what was held before it, in bytes.
template <typename Work>
std::size_t peakAllocation(Work work)
{
    const std::size_t before = heldBytes.load();
    peakBytes.store(before);
    work();
    return peakBytes.load() - before;
}

void reportPeak(benchmark::State& state, std::size_t peak, long scoreCount)
{
    state.counters["peak_KiB"] = static_cast<double>(peak) / 1024;
    state.counters["peak_per_scores_in_double"] = static_cast<double>(peak) / (8.0 * static_cast<double>(scoreCount));
}

void runDesign(benchmark::State& state, const Design& d)
{
    const Scores s = bench::scoresFor(d);
    RecordingPrompts prompts;
    auto analyse = [&] {
        const auto groups = d.nested ? BuildPoolingGroups(d) : std::vector<PoolingGroup>{};
        return RunAnalysis(d, s, groups, prompts);
    };
    const std::size_t peak = peakAllocation([&] { benchmark::DoNotOptimize(analyse()); });
    for (auto _ : state) {
        auto table = analyse();
        benchmark::DoNotOptimize(table);
        if (!table)
            state.SkipWithError("analysis abandoned");
    }
    reportPeak(state, peak, d.scoreCount());
}

void SumsOfSquares(benchmark::State& state)
{
    const Design d = bench::largestDesign(AnovaType::IndependentGroups);
    const Scores s = bench::scoresFor(d);
    const std::size_t peak = peakAllocation([&] { benchmark::DoNotOptimize(computeSourceSums(d, s)); });
    for (auto _ : state) {
        SourceSums sums = computeSourceSums(d, s);
        benchmark::DoNotOptimize(sums);
    }
    reportPeak(state, peak, d.scoreCount());
}

void SumsOfSquaresLattice(benchmark::State& state)
{
    const Design d = bench::largestDesign(AnovaType::IndependentGroups);
    const Scores s = bench::scoresFor(d);
    std::vector<int> levels;
    for (const Factor& f : d.factors)
        levels.push_back(f.levels);
    double total = 0;
    for (float x : s)
        total += x;
    const double mean = total / static_cast<double>(s.size());
    std::vector<double> ss;
    bench::MarginalLattice lattice(levels);
    const std::size_t peak = peakAllocation([&] { lattice.sourceSS(s, mean, ss); });
    for (auto _ : state) {
        lattice.sourceSS(s, mean, ss);
        benchmark::DoNotOptimize(ss);
    }
    reportPeak(state, peak, d.scoreCount());
}

void IndependentGroups(benchmark::State& state) { runDesign(state, bench::largestDesign(AnovaType::IndependentGroups)); }
void RepeatedMeasures(benchmark::State& state) { runDesign(state, bench::largestDesign(AnovaType::RepeatedMeasures)); }
void NoFRatios(benchmark::State& state) { runDesign(state, bench::largestDesign(AnovaType::NoFRatios)); }

void NestedMixed(benchmark::State& state)
{
    // Subjects nested under A and B; the other factors within subjects.
    Design d = bench::largestDesign(AnovaType::RepeatedMeasures);
    d.nested = true;
    d.nestingMatrix = {{'S', 'A'}, {'S', 'B'}};
    runDesign(state, d);
}

void NestedIndependentGroups(benchmark::State& state)
{
    Design d = bench::largestDesign(AnovaType::IndependentGroups);
    d.nested = true;
    d.nestingMatrix = {{'B', 'A'}, {'C', 'A'}};
    runDesign(state, d);
}

// Medians over many short runs: the machine is shared, and a median shrugs off the runs that
// another process interrupted.
#define VARISECT_BENCH(name) \
    BENCHMARK(name)->Unit(benchmark::kMicrosecond)->MinTime(0.05)->Repetitions(21)->ReportAggregatesOnly(true)

VARISECT_BENCH(SumsOfSquares);
VARISECT_BENCH(SumsOfSquaresLattice);
VARISECT_BENCH(IndependentGroups);
VARISECT_BENCH(RepeatedMeasures);
VARISECT_BENCH(NoFRatios);
VARISECT_BENCH(NestedMixed);
VARISECT_BENCH(NestedIndependentGroups);

}  // namespace
