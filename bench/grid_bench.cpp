// SPDX-License-Identifier: GPL-3.0-or-later
// The data entry grid at its largest, 16352 scores: opening a file into it, "Data OK" without
// outlier questions, pasting the scores from the clipboard and saving them. Run with the
// offscreen platform; the grid's widgets are real.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "session/session.h"
#include "data/dataentrywindow.h"
#include "data/scoregrid.h"
#include "data/scoremodel.h"
#include "shell/windowshell.h"
#include "support/fakeplatform.h"

namespace {

using namespace varisect;

constexpr int kRows = 16352;

std::vector<std::string> scoreTexts()
{
    std::mt19937 rng(2026);
    std::normal_distribution<double> dist(100, 15);
    std::vector<std::string> texts;
    for (int i = 0; i < kRows; ++i)
        texts.push_back(std::to_string(static_cast<int>(dist(rng) * 100) / 100.0).substr(0, 6));
    return texts;
}

// A shown grid of 2 x 16 x 511 scores on fake surroundings.
struct Grid {
    QTemporaryDir folder;
    FakePlatform fake;
    Session state;
    std::unique_ptr<DataEntryWindow> window;

    Grid()
    {
        for (auto [name, levels] : {std::pair{"A", 2}, std::pair{"B", 16}, std::pair{"C", 511}})
            state.design.design.factors.push_back(Factor{name, name[0], levels, {}});
        state.data.outlierCheck = false;
        const DataEntryParts parts{state.design, state.data, state.file, state.recentFiles};
        const ShellContext shell{fake.platform(), [] { return 0.75; }, [] { return false; }, [] {}};
        window = std::make_unique<DataEntryWindow>(parts, shell, DataEntryHandOver{});
        window->show();
        QApplication::processEvents();
    }
    std::string path(const char* name) const { return (folder.path() + "/" + name).toStdString(); }
};

void BM_OpenFileIntoGrid(benchmark::State& st)
{
    Grid g;
    const std::string file = g.path("scores.dat");
    {
        std::ofstream out(file, std::ios::binary);
        for (const std::string& t : scoreTexts())
            out << t << "\r\n";
    }
    for (auto _ : st) {
        g.fake.dialogs.openAnswers.push_back(file);
        g.window->openDataFile();
        QApplication::processEvents();
    }
    if (g.window->model().text(kRows - 1).empty())
        st.SkipWithError("the file was not loaded");
}

void BM_DataOk(benchmark::State& st)
{
    Grid g;
    g.window->model().setScores(scoreTexts(), {});
    for (auto _ : st)
        benchmark::DoNotOptimize(g.window->dataOk());
    if (g.state.data.scores().size() != kRows)
        st.SkipWithError("the scores were not accepted");
}

void BM_PasteScores(benchmark::State& st)
{
    Grid g;
    std::string clip;
    for (const std::string& t : scoreTexts())
        clip += t + "\r\n";
    g.fake.clipboard.content = clip;
    for (auto _ : st) {
        st.PauseTiming();
        g.window->model().clearAll();
        st.ResumeTiming();
        g.window->grid().pasteEntries();
        QApplication::processEvents();
    }
    if (g.window->model().text(kRows - 1).empty() || !g.fake.dialogs.messages.empty())
        st.SkipWithError("the paste failed");
}

void BM_SaveScores(benchmark::State& st)
{
    Grid g;
    g.window->model().setScores(scoreTexts(), {});
    const std::string file = g.path("saved.dat");
    for (auto _ : st) {
        g.fake.dialogs.saveAnswers.push_back(file);
        if (!g.window->saveDataFile())
            st.SkipWithError("the save failed");
    }
}

BENCHMARK(BM_OpenFileIntoGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DataOk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PasteScores)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveScores)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
