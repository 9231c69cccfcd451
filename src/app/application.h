// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program as a whole: the start-up steps, the session kept for the run, the windows
// (through the navigator), the common exit path and the restart to a new design.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "app/navigator.h"
#include "import/importsession.h"
#include "graphs/twowayplot.h"
#include "contrasts/contrasts.h"
#include "means/cellmeans.h"
#include "platform/platform.h"
#include "session/session.h"
#include "shell/windowshell.h"
#include "unequal/unequalworkflow.h"

class QCoreApplication;
class QWidget;

namespace varisect {

enum class GraphValues;
class AnovaDesignWindow;
class CellMeansWindow;
class CellSizeWindow;
struct ContrastHandOver;
struct CellSizeTable;
class DataEntryWindow;
class Grapher;
class ImportWindow;
class PairSelector;
class PairSelectorDialog;
class MainWindow;
class TableWindow;
struct AnovaTable;

// Application and organization name of the desktop program.
void setApplicationIdentity(QCoreApplication& app);

class Application {
public:
    struct Options {
        std::string executablePath;  // empty: QCoreApplication::applicationDirPath()
        int screenWidth = -1;        // below 0: the primary screen's width
        std::function<void()> quit;  // empty: QCoreApplication::quit()
    };

    explicit Application(Platform platform);
    Application(Platform platform, Options options);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The start-up steps in order (numbers in the classic form whatever the locale, program
    // folder, word processor, screen scale and interface font, preferences, recent files), then
    // the main window is shown.
    void start();

    // The common exit path: the grid may ask to save first (and the user may cancel); then the
    // help viewer and every window are closed and the program ends.
    void exitProgram();
    // A new design: the session is reset (start-up results, preferences and the recent-file list
    // are kept), every window is closed and a fresh main window asks its first question.
    void restart();

    Session& state() { return session_; }

    // The "Two-way Plot" window for `request`: the pairs are asked for (or taken, see
    // PlotRequest::which), then the plot is shown; the window `from` stays in view until then and
    // comes back when no pair can be shown, the user gives up or returns from the plot.
    void openTwoWayPlot(PlotRequest request, WindowRole from);
    PlotRequest cellSizePlotRequest(const Design& design, const Scores& values, GraphValues kind,
                                    std::optional<std::pair<int, int>> onlyPair) const;

    // The windows of the current pass, or null.
    MainWindow* mainWindow() const;
    DataEntryWindow* dataEntryWindow() const;
    AnovaDesignWindow* anovaDesignWindow() const;
    TableWindow* tableWindow() const;
    PairSelectorDialog* pairSelector() const;
    CellMeansWindow* cellMeansWindow() const;
    TableWindow* simpleEffectsTableWindow() const;
    CellSizeWindow* cellSizeWindow() const;
    Grapher* plotWindow() const;
    ImportWindow* importWindow() const;
    bool exiting() const { return exiting_; }

private:
    ShellContext shellContext();
    void showMainWindow();
    // Tells that `what` is not there yet and shows the window `from` again.
    void notYetAvailable(const char* what, WindowRole from);
    // Opens the data entry grid for the design just specified, replacing one from an earlier
    // pass; with `loadRecent` it loads the open file name. False when that load failed.
    bool showDataEntry(bool loadRecent);
    void showAnovaDesign();
    void showTable(AnovaTable table);
    void showCellSizes();
    // "Set up &Trend Tests" / "Set up &Comparisons": the window of `kind`, kept with its entries
    // while the design stays the same; its table in the table window, whose return leads back.
    void showContrasts(ContrastKind kind);
    void showPostHoc();
    ContrastHandOver contrastHandOver();
    void showContrastTable(AnovaTable table, std::vector<std::string> notes, ContrastKind kind);
    void showUnequalTable(CellSizeTable table);
    // A recent file chosen in the main window in an unequal-cell-size mode: the cell-size window
    // with the file's sizes and scores. The main window stays when the file cannot be used.
    void showCellSizesFromRecent();
    // The tables of means (from the grid) or of simple effects (from the Anova design window,
    // after a table): the pairs on offer, the pair selector when the user is to choose, then the
    // "Cell Means" window. The window `from` stays in view until the means are shown and comes
    // back when no pair can be shown or the user gives up.
    // `data` are the scores of `design` shown (the session's accepted ones when not given: the
    // cell-size window hands over the cell means of its last run).
    struct MeansData {
        Design design;
        Scores scores;
        bool transformed = false;
        // From the Unequal Cell Sizes window: its cell means (see UnequalMeansView).
        std::optional<UnequalMeansView> unequal;
    };
    void openCellMeans(CellMeansMode mode, WindowRole from, std::optional<MeansData> data = {});
    void showCellMeans(CellMeansMode mode, WindowRole from, std::vector<FactorPair> pairs, MeansData data);
    // The pair selector over the window `from`: `chosen` gets the pairs picked, Cancel shows
    // `from` again.
    void choosePairs(const PairSelector& selector, WindowRole from, std::function<void(std::vector<FactorPair>)> chosen);
    // `unequal`: the table belongs to this design of an analysis of unequal cell sizes.
    void showSimpleEffectsTable(AnovaTable table, std::optional<Design> unequal = std::nullopt);
    // The table's legend names the transformations and screens behind the scores in use.
    void addStepsNote(AnovaTable& table) const;
    void showTwoWayPlot(PlotRequest request, std::vector<FactorPair> pairs, WindowRole from);
    // What the grid's "Show Two-Way &Graphs" plots: the accepted scores in use.
    PlotRequest gridPlotRequest() const;
    // The windows of the means and of simple effects, when the data or the design move on.
    void closeMeansWindows();
    // "&Transform Data..." and "&Screen Data...": the window of `role` beside the window of
    // `scoresWindow` (the grid or the cell-size window), which shows the accepted scores as they
    // change (`scoresChanged`) and waits until the window is finished.
    void showWorkingData(WindowRole role, WindowRole scoresWindow, std::function<void()> scoresChanged);
    // `window` to the right of `grid` where the screen has room, level with its top.
    static void placeBeside(QWidget& window, const QWidget& grid);
    // Back from the Anova design window: the grid, or the main window when there is none.
    void backToData();
    // "&Import Data...": the import window, over the window `from`, which comes back when the
    // import is cancelled.
    void showImport(WindowRole from);
    // The imported design taken as a new problem: the grid filled and its scores accepted, then
    // the Anova design window; or, with unequal cells, the Unequal Cell Sizes window filled.
    void adoptImport(ImportedDesign imported);
    // "Export &Data...": the accepted scores as long CSV.
    void exportData();

    Platform platform_;
    Options options_;
    Session session_;
    Navigator navigator_;
    bool exiting_ = false;
    // The full level labels of the imported design (the values as the file wrote them), for the
    // export; empty when the design was typed.
    std::vector<std::vector<std::string>> importedLabels_;
};

}  // namespace varisect
