// SPDX-License-Identifier: GPL-3.0-or-later
// The whole analysis of the largest designs: 16256 scores, seven factors of 2 levels and a
// designated factor of 127.
#include <benchmark/benchmark.h>


#include "engine/analysis.h"
#include "engine/prompts.h"
#include "largestdesign.h"
#include "support/recordingprompts.h"

namespace {

using namespace varisect;

void runDesign(benchmark::State& state, const Design& d)
{
    const Scores s = bench::scoresFor(d);
    RecordingPrompts prompts;
    for (auto _ : state) {
        const auto groups = d.nested ? BuildPoolingGroups(d) : std::vector<PoolingGroup>{};
        auto table = RunAnalysis(d, s, groups, prompts);
        benchmark::DoNotOptimize(table);
        if (!table)
            state.SkipWithError("analysis abandoned");
    }
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

BENCHMARK(IndependentGroups)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(RepeatedMeasures)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(NoFRatios)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(NestedMixed)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(NestedIndependentGroups)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
