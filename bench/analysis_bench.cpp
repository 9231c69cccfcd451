// SPDX-License-Identifier: GPL-3.0-or-later
// The whole analysis of the largest designs: 16256 scores, seven factors of 2 levels and a
// designated factor of 127.
#include <benchmark/benchmark.h>

#include <random>

#include "engine/analysis.h"
#include "engine/prompts.h"

namespace {

using namespace varisect;

Design largest(AnovaType type)
{
    Design d;
    const char* names[] = {"A", "B", "C", "D", "E", "F", "G", "S"};
    for (int k = 0; k < 8; ++k)
        d.factors.push_back(Factor{names[k], names[k][0], k < 7 ? 2 : 127, {}});
    d.anovaType = type;
    d.designatedFactor = type == AnovaType::NoFRatios ? 0 : 8;
    return d;
}

Scores scoresFor(const Design& d)
{
    std::mt19937 rng(2026);
    std::normal_distribution<double> dist(100, 15);
    Scores s(size_t(d.scoreCount()));
    for (float& x : s)
        x = static_cast<float>(dist(rng));
    return s;
}

void runDesign(benchmark::State& state, const Design& d)
{
    const Scores s = scoresFor(d);
    RecordingPrompts prompts;
    for (auto _ : state) {
        const auto groups = d.nested ? BuildPoolingGroups(d) : std::vector<PoolingGroup>{};
        auto table = RunAnalysis(d, s, groups, prompts);
        benchmark::DoNotOptimize(table);
        if (!table)
            state.SkipWithError("analysis abandoned");
    }
}

void IndependentGroups(benchmark::State& state) { runDesign(state, largest(AnovaType::IndependentGroups)); }
void RepeatedMeasures(benchmark::State& state) { runDesign(state, largest(AnovaType::RepeatedMeasures)); }
void NoFRatios(benchmark::State& state) { runDesign(state, largest(AnovaType::NoFRatios)); }

void NestedMixed(benchmark::State& state)
{
    // Subjects nested under A and B; the other factors within subjects.
    Design d = largest(AnovaType::RepeatedMeasures);
    d.nested = true;
    d.nestingMatrix = {{'S', 'A'}, {'S', 'B'}};
    runDesign(state, d);
}

void NestedIndependentGroups(benchmark::State& state)
{
    Design d = largest(AnovaType::IndependentGroups);
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
