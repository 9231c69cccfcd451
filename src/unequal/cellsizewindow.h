// SPDX-License-Identifier: GPL-3.0-or-later
// The "Unequal Cell Sizes" window of the four unequal-cell-size analyses: the test for random
// attrition, unweighted means, proportional cell sizes and unequal group sizes. It shows the
// stages of an UnequalWorkflow on its grid (the ScoreGrid of scoregrid.h, as in the data entry
// grid) and two buttons: the cell sizes (group sizes) are typed and checked ("Cell Sizes &OK" /
// "Group Sizes &OK"), the attrition table may be run on them ("&Attrition Anova Table"), the
// grid is rebuilt with one row per score, the scores are checked ("Data &OK", dataok.h) and the
// table of the analysis is made ("Anova Ta&ble"). The workflow decides each step; the window
// asks it and shows the result. The tables leave through a hand-over; the application shows
// them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "data/acceptedhistory.h"
#include "data/outliers.h"
#include "engine/anovatable.h"
#include "engine/design.h"
#include "output/document.h"
#include "platform/dialogs.h"
#include "unequal/unequalworkflow.h"

class QAction;
class QLabel;
class QPushButton;
class QTableView;

namespace varisect {

class AcceptedData;
struct Preferences;
struct DesignState;
struct RecentFileList;
class FileState;
struct ModeFlags;
class ScoreGrid;
class ScoreModel;
class WindowShell;
struct ShellContext;

// The parts of the session the window works on.
struct CellSizeParts {
    DesignState& design;  // "&Planned Scores Per Cell..." and opened files set the designated factor's levels
    const ModeFlags& mode;  // which analysis, and whether the attrition test comes first
    FileState& file;
    AcceptedData& data;   // the scores "Data &OK" accepted (transformed and screened there too), the outlier check
    RecentFileList& recentFiles;  // files opened and saved here go to its top
};

// A finished table on its way to the table window.
struct CellSizeTable {
    AnovaTable table;
    Design design;            // the design the table belongs to
    // "Attrition ", "Unweighted Means ", "Proportional Cell Size ", "Unequal Group Size " or
    // "Simple Effects "
    std::string titlePrefix;
    bool unweightedMeans = false;
};

struct CellSizeHandOver {
    std::function<void(CellSizeTable)> tableReady;  // the window has been hidden
    std::function<void()> returnToDesign;            // "Return to Anova Des&ign"
    std::function<void()> restart;                   // "&Restart"
    // "Show &Means": the cell means of the last table. "Simple Effe&cts": the same in
    // simple-effects mode, leading to the simple effects of that table.
    std::function<void(UnequalMeansView)> showMeans;
    std::function<void(UnequalMeansView)> showSimpleEffects;
    // "Show &Graph": one value per cell of the design without the replicates or subjects factor
    // (see GraphValues); `onlyPair` = (crossed factor, grouping factor), 1-based in that design,
    // in the unequal-group-sizes analysis, else nothing (all pairs).
    std::function<void(const Design& design, const Scores& values, GraphValues kind,
                       std::optional<std::pair<int, int>> onlyPair)>
        showGraph;
    // "&Transform Data..." and "&Screen Data...": the window works on the accepted scores of
    // CellSizeParts::data and calls showTransformedScores() when they change.
    std::function<void()> transformData;
    std::function<void()> screenData;
};

class CellSizeWindow : public QMainWindow {
    Q_OBJECT

public:
    using Stage = UnequalWorkflow::Stage;

    CellSizeWindow(CellSizeParts parts, ShellContext shell, CellSizeHandOver handOver, QWidget* parent = nullptr);
    ~CellSizeWindow() override;

    // False (after "No DesignatedFactor!") when the design cannot be worked on here.
    bool usable() const { return usable_; }
    // Whether the window was made for this design (same factors, same designated factor; the
    // planned scores per cell may differ): the application keeps it across visits to the Anova
    // design window only then.
    bool fits(const Design& design) const;
    Stage stage() const { return workflow_ ? workflow_->stage() : Stage::Sizes; }
    // The stages; nothing when the window is not usable.
    const std::optional<UnequalWorkflow>& workflow() const { return workflow_; }
    ScoreGrid& grid() const { return *grid_; }
    ScoreModel& model() const;
    QTableView* view() const;

    // The commands, as the buttons and menus run them.
    void dataOk();
    void anovaClicked();
    void returnClicked();
    void setPlannedScoresPerCell();
    void clearAllEntries();
    void widenEntryColumn();
    void insertSingleEntry();
    void removeSingleEntry();
    void copyEntries();
    void pasteEntries();
    bool saveDataFile();
    // "&Save Data in File": the file the data came from or were last saved in is rewritten in
    // place; without one it is "Save As".
    bool updateDataFile();
    void openDataFile();
    // Reads the unequal-N file at `path` for this design and mode and shows it (its scores ready
    // for the table), as "&Open File for Data Entry..." does: a file last used with other factors
    // may be kept under a new name. False (after the message) when the file cannot be used.
    bool loadDataFile(std::string path);
    // Shows `file`, read from `path` for this window's design (the recent-file list of the main
    // window chose it). False when the window cannot take it.
    bool showFile(const UnequalFile& file, const std::string& path);
    // Shows sizes and scores imported from a table (see showFile); they come from no unequal-N
    // file, so saving asks for a new one.
    bool showImported(const UnequalFile& file);
    // "Simple Effe&cts" (after a table of an analysis that has them): the cell means in
    // simple-effects mode, which lead to the simple-effects table.
    void showSimpleEffects();
    void showGraph();
    // The accepted scores were transformed, screened or reverted: the grid shows them.
    void showTransformedScores();
    void printData();
    OutputDocument printedDocument() const;
    // Before the program is left or restarted: typed scores not saved in a file are offered for
    // saving. False: the user stays (cancelled, or the save did not happen).
    bool confirmLeave(bool exiting);

private:
    // The buttons, means and tables after the scores in use changed (transformed, or brought
    // back by undo or redo).
    void scoresInUseChanged();
    void buildControls();
    void buildMenus();
    void entriesChanged();
    // The grid, label and buttons of the workflow's stage, the grid holding `texts`.
    void showStage(const std::vector<std::string>& texts, const std::vector<bool>& imputed);
    void acceptFileScores(const UnequalFile& file);
    void runAttrition();
    bool enterScores();
    void runAnalysis();
    void updateGraphButton();
    void entriesStale();
    // What an unequal-N file of this window holds before its scores.
    DataLayout fileHeader() const;
    // A run's table to the table window, or its refusal told.
    void handOn(UnequalRun run);
    void showMeans();
    void tell(const Message& message);

    WindowShell* shell_;
    QPushButton* meansButton_ = nullptr;
    QPushButton* graphButton_ = nullptr;
    QPushButton* simpleButton_ = nullptr;
    QPushButton* transformButton_ = nullptr;
    QPushButton* screenButton_ = nullptr;
    Design meansDesign_;  // the last analysis: the design without replicates or subjects and its cell means
    Scores cellMeans_;
    CellWeights meansWeights_;
    GraphValues meansKind_ = GraphValues::CellMeans;
    // The view of the means of the last table.
    UnequalMeansView meansView() const;
    CellSizeParts parts_;
    std::optional<UnequalWorkflow> workflow_;
    CellSizeHandOver handOver_;
    ScoreGrid* grid_ = nullptr;
    QLabel* label_ = nullptr;
    QPushButton* dataOkButton_ = nullptr;
    QPushButton* anovaButton_ = nullptr;
    QAction* plannedAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* updateAction_ = nullptr;

    bool usable_ = true;
    ConfirmedOutliers confirmed_;
    AcceptedHistory accepted_;  // the accepted scores at the steps of the grid's history
};

}  // namespace varisect
