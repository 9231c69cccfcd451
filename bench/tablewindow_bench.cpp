// SPDX-License-Identifier: GPL-3.0-or-later
// From the analysis of the largest repeated-measures design (16256 scores, levels 2 x 7 and 127
// subjects, 257 table rows) to a painted table window.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>

#include <memory>

#include "shell/windowshell.h"
#include "engine/analysis.h"
#include "engine/prompts.h"
#include "largestdesign.h"
#include "support/fakeplatform.h"
#include "table/tablewindow.h"
#include "support/recordingprompts.h"

namespace {

using namespace varisect;

QApplication& application()
{
    static int argc = 1;
    static char name[] = "bench_tablewindow";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QApplication>(argc, argv);
    }();
    return *app;
}

ShellContext shell(FakePlatform& fake)
{
    return ShellContext{fake.platform(), [] { return 0.75; }, [] { return false; }, [] {}};
}

void AnalysisToPaintedTableWindow(benchmark::State& state)
{
    application();
    FakePlatform fake;
    const Design design = bench::largestDesign(AnovaType::RepeatedMeasures);
    const Scores scores = bench::scoresFor(design);
    RecordingPrompts prompts;
    for (auto _ : state) {
        auto table = RunAnalysis(design, scores, {}, prompts);
        if (!table || table->rowCount() != 257) {
            state.SkipWithError("unexpected analysis result");
            break;
        }
        TableRequest request;
        request.table = std::move(*table);
        request.design = design;
        TableWindow window(std::move(request), shell(fake), {});
        window.show();
        QApplication::processEvents();
        const QPixmap painted = window.grab();  // paints every visible widget
        benchmark::DoNotOptimize(painted.cacheKey());
    }
}

void TableWindowOnly(benchmark::State& state)
{
    application();
    FakePlatform fake;
    const Design design = bench::largestDesign(AnovaType::RepeatedMeasures);
    RecordingPrompts prompts;
    const AnovaTable table = *RunAnalysis(design, bench::scoresFor(design), {}, prompts);
    for (auto _ : state) {
        TableRequest request;
        request.table = table;
        request.design = design;
        TableWindow window(std::move(request), shell(fake), {});
        window.show();
        QApplication::processEvents();
        const QPixmap painted = window.grab();
        benchmark::DoNotOptimize(painted.cacheKey());
    }
}

}  // namespace

// The first window of the run also loads the fonts: measured once, before the warm runs.
BENCHMARK(AnalysisToPaintedTableWindow)->Name("FirstWindowOfTheRun")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(AnalysisToPaintedTableWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(TableWindowOnly)->Unit(benchmark::kMillisecond);
