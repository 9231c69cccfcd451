// SPDX-License-Identifier: GPL-3.0-or-later
// The window "Cell Means": two-way tables of cell and marginal means, one pair of factors at a
// time, optionally in panels for a third factor; in simple-effects mode it also leads to the
// simple-effects table. The rules and texts live in CellMeansBrowser; this window shows them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>

#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/analysis.h"
#include "means/cellmeans.h"
#include "means/simpleeffects.h"
#include "output/document.h"

class QAction;
class QLabel;
class QPushButton;
class QTableWidget;

namespace varisect {

class PanelsDialog;
class WindowShell;
struct ShellContext;

// What the window shows: its own copies of the design and the scores, and the pairs chosen.
struct CellMeansRequest {
    Design design;
    Scores scores;
    std::vector<FactorPair> pairs;  // not empty
    CellMeansMode mode = CellMeansMode::Means;
    bool useLevelLabels = false;
    std::string problemLabel;
    bool transformed = false;  // the scores were transformed or screened
    // The cell means of an analysis of unequal cell sizes: the number of scores behind each
    // mean and which margins its tests compare; "Unweighted ** " heads the title after an
    // unweighted-means analysis.
    std::optional<CellWeights> weights;
    bool unweightedMeans = false;
    // Simple-effects mode: the table of the pair on show, when it is not the ordinary simple
    // effects of the scores (the analyses of unequal cell sizes).
    std::function<SimpleEffectsOutcome(const ShownPair&, Prompts&, const AnalysisOptions&)> simpleEffects;
    // Opened from the Unequal Cell Sizes window, whose grid the return button goes back to.
    bool fromCellSizes = false;
};

// Where the window hands the user on. Every member may be empty.
struct CellMeansHandOver {
    // The return button: the window has been hidden; show the window it was opened from.
    std::function<void()> returnTo;
    // "Show Simple &Table" produced a table: the window has been hidden; show the table.
    std::function<void(AnovaTable)> simpleTable;
    // The simple effects cannot be evaluated from these data: the window has been hidden; show
    // the data.
    std::function<void()> returnToData;
};

// Printed lines are wrapped to this many characters: 10-point fixed-pitch text within 15 mm
// margins on A4 (180 mm, 85 characters) and on Letter paper.
inline constexpr int kCellMeansPrintWidth = 84;

class CellMeansWindow : public QMainWindow {
    Q_OBJECT

public:
    CellMeansWindow(CellMeansRequest request, ShellContext shell, CellMeansHandOver handOver,
                    QWidget* parent = nullptr);
    ~CellMeansWindow() override;

    const CellMeansBrowser& browser() const { return browser_; }
    // The means; the level headers are the grid's own headers, the row factor's name the label
    // "rowFactor" in its corner.
    QTableWidget* grid() const { return grid_; }
    // Unequal cells: the sizes of the cells and the notes on the margins, under the grid.
    QLabel* countsLabel() const { return counts_; }
    // The panels dialog while it exists, else null.
    PanelsDialog* panelsDialog() const { return panels_.get(); }
    // What "&Print Cell Means" prints.
    OutputDocument printedDocument() const;

    // Closes this window and its dialog without asking for the exit path.
    void closeForExit();

private:
    void buildControls();
    void buildMenus();
    void refresh();
    void fillGrid();
    void fitToTable();

    void nextSet();
    void panelsClicked();
    void panelChosen(int index);
    void showSimpleTable();
    void returnClicked();
    void copyMeans();
    void printMeans();

    CellMeansRequest request_;
    WindowShell* shell_;
    CellMeansHandOver handOver_;
    CellMeansBrowser browser_;
    std::unique_ptr<PanelsDialog> panels_;

    QLabel* heading_ = nullptr;
    QLabel* columnTitle_ = nullptr;
    QLabel* counts_ = nullptr;  // unequal cells: their sizes and which margin is which
    QLabel* corner_ = nullptr;  // the row factor's name, over the row headers
    QTableWidget* grid_ = nullptr;
    QLabel* position_ = nullptr;
    QPushButton* nextSet_ = nullptr;
    QPushButton* panelsButton_ = nullptr;
    QPushButton* simpleButton_ = nullptr;
    QPushButton* return_ = nullptr;
};

}  // namespace varisect
