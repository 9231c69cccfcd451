// SPDX-License-Identifier: GPL-3.0-or-later
// The window "Analysis of Variance Table": the finished table in a fixed-pitch grid with its
// factor legend, the effect-size columns, renaming of sources, adjusting an error df, copying,
// printing and the way back. The cell texts come from the table text module; the rules of the
// edits live in tableedit.h.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "engine/anovatable.h"
#include "engine/design.h"
#include "output/document.h"
#include "sphericity/sphericity.h"
#include "table/tabletext.h"

class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace varisect {

class WindowShell;
struct ShellContext;

// Where the table window was opened from: its return button leads back there.
enum class TableOrigin { AnovaDesign, SimpleEffects, UnequalCellSizes, TrendTests, PlannedComparisons, PostHoc };

// What the table window shows: its own copy of a finished table and of the design behind it.
struct TableRequest {
    AnovaTable table;
    Design design;
    TableOrigin origin = TableOrigin::AnovaDesign;
    std::string titlePrefix;       // names an unequal-N analysis ("Unweighted Means ")
    bool showFsBelowOne = false;   // the preference "Show F-ratios less than one"
    bool unequalCellMode = false;  // an unequal-cell-size analysis
    bool unweightedMeans = false;  // ... the method of unweighted means (its notice is shown)
    Scores scores;                 // the scores of an ordinary analysis: the sphericity tests use them
    bool sphericityTests = false;  // the preference "&Sphericity Tests" as the window opens
};

// What the table window hands back to the rest of the program. Every member may be empty.
struct TableWindowHandOver {
    // "Return ...": the window has been hidden; show the window it came from (see TableOrigin).
    std::function<void()> returnTo;
    // "&New Problem": the restart path.
    std::function<void()> newProblem;
    // "&Sphericity Tests" was toggled: keep the preference.
    std::function<void(bool)> sphericityToggled;
};

// The OmegaChoice options by their index (shown in the order Hays, Partial, Eta, Partial Eta,
// Generalized Eta, Revert).
enum class OmegaMode { Hays = 0, Partial = 1, Revert = 2, Eta = 3, PartialEta = 4, GeneralizedEta = 5 };

class TableWindow : public QMainWindow {
    Q_OBJECT

public:
    TableWindow(TableRequest request, ShellContext shell, TableWindowHandOver handOver, QWidget* parent = nullptr);
    ~TableWindow() override;

    // What the grid shows, header row first (the cells copied and printed).
    const std::vector<DisplayRow>& displayRows() const { return display_; }
    // The window's own working copy of the table, with plain number texts.
    const AnovaTable& workingTable() const { return working_; }
    OmegaMode omegaMode() const { return omegaMode_; }
    bool renaming() const { return renaming_; }
    bool adjusting() const { return adjusting_; }
    QTableWidget* grid() const { return grid_; }
    std::string heading() const;
    // What "&Print Anova Table" prints: the heading, the factor legend and the rows shown.
    OutputDocument printedDocument() const;

    // Lines shown under the legend, and printed and copied under the table (the coefficients of
    // the trends in a trend table).
    void setNotes(std::vector<std::string> notes);
    const std::vector<std::string>& notes() const { return notes_; }

    // The block under the table while "&Sphericity Tests" is on (empty when it is off or the
    // table has no sphericity tests to show).
    const std::vector<std::string>& sphericityBlock() const { return sphericityLines_; }

    // Closes without asking for the exit path (the exit path itself uses it).
    void closeForExit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void rebuildDisplay();
    void fillGrid();
    void fitColumns();
    int preferredGridHeight() const;
    void updateMenus();

    void chooseOmega(OmegaMode mode);
    void toggleSphericity(bool on);
    void showSphericityBlock();
    void fitHeight();
    void startRenaming();
    void finishRenaming();
    bool renameKeyPressed(QKeyEvent* key);
    void startAdjusting();
    void cellClicked(int gridRow, int gridColumn);
    void copyTable();
    void copyRows();
    void printTable();
    void returnClicked();

    TableRequest request_;
    WindowShell* shell_;
    TableWindowHandOver handOver_;

    std::vector<std::string> notes_;
    std::vector<std::string> sphericityLines_;
    bool sphericityOn_ = false;
    AnovaTable working_;  // what the edits change
    AnovaTable saved_;    // the table as it came in
    std::vector<DisplayRow> display_;
    OmegaMode omegaMode_ = OmegaMode::Revert;
    bool renaming_ = false;
    bool adjusting_ = false;
    bool shownOnce_ = false;

    QTableWidget* grid_ = nullptr;
    QLabel* legend_ = nullptr;
    QLabel* effectLegend_ = nullptr;
    QLabel* sphericityLabel_ = nullptr;
    QGroupBox* omegaBox_ = nullptr;
    QButtonGroup* omegaGroup_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* restartButton_ = nullptr;

    QAction* printAction_ = nullptr;
    QAction* printerSetupAction_ = nullptr;
    QAction* copyTableAction_ = nullptr;
    QAction* copyRowsAction_ = nullptr;
    QAction* renameAction_ = nullptr;
    QAction* finishRenameAction_ = nullptr;
    QAction* adjustAction_ = nullptr;
    QAction* sphericityAction_ = nullptr;
};

}  // namespace varisect
