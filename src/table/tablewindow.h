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
#include "table/tabletext.h"

class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace varisect {

struct AppState;
struct Platform;

// Where the table window was opened from: its return button leads back there.
enum class TableOrigin { AnovaDesign, SimpleEffects, UnequalCellSizes };

// What the table window hands back to the rest of the program. Every member may be empty.
struct TableWindowHandOver {
    // "Return ...": the shared table has been restored as it came in and the window hidden;
    // show the window it came from (see TableOrigin).
    std::function<void()> returnTo;
    // "&New Problem": the restart path.
    std::function<void()> newProblem;
    // "E&xit Alt + F4" or closing the window: the common exit path.
    std::function<void()> exitProgram;
};

// The OmegaChoice options, in their order.
enum class OmegaMode { Hays = 0, Partial = 1, Revert = 2 };

class TableWindow : public QMainWindow {
    Q_OBJECT

public:
    // Shows AppState::table. `titlePrefix` names an unequal-N analysis ("Unweighted Means ").
    TableWindow(AppState& state, Platform& platform, TableOrigin origin, TableWindowHandOver handOver,
                std::string titlePrefix = {}, QWidget* parent = nullptr);
    ~TableWindow() override;

    // What the grid shows, header row first (the cells copied, printed and written back).
    const std::vector<DisplayRow>& displayRows() const { return display_; }
    // The window's own working copy of the table, with plain number texts.
    const AnovaTable& workingTable() const { return working_; }
    OmegaMode omegaMode() const { return omegaMode_; }
    bool renaming() const { return renaming_; }
    bool adjusting() const { return adjusting_; }
    QTableWidget* grid() const { return grid_; }
    std::string heading() const;

    // Closes without asking for the exit path (the exit path itself uses it).
    void closeForExit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void rebuildDisplay();
    void fillGrid();
    void fitColumns();
    int preferredGridHeight() const;
    void writeBack();
    void updateMenus();

    void chooseOmega(OmegaMode mode);
    void startRenaming();
    void finishRenaming();
    bool renameKeyPressed(QKeyEvent* key);
    void startAdjusting();
    void cellClicked(int gridRow, int gridColumn);
    void copyTable();
    void copyRows();
    void printTable();
    void returnClicked();
    void showWhatsThis(QWidget* widget, const QPoint& pos);

    AppState& state_;
    Platform& platform_;
    TableOrigin origin_;
    TableWindowHandOver handOver_;
    std::string titlePrefix_;

    AnovaTable working_;  // what the edits change
    AnovaTable saved_;    // the table as it came in
    std::vector<DisplayRow> display_;
    OmegaMode omegaMode_ = OmegaMode::Revert;
    bool renaming_ = false;
    bool adjusting_ = false;
    bool closingForExit_ = false;
    bool shownOnce_ = false;

    QTableWidget* grid_ = nullptr;
    QLabel* legend_ = nullptr;
    QLabel* effectLegend_ = nullptr;
    QGroupBox* omegaBox_ = nullptr;
    QButtonGroup* omegaGroup_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* restartButton_ = nullptr;

    QAction* printAction_ = nullptr;
    QAction* printerSetupAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* copyTableAction_ = nullptr;
    QAction* copyRowsAction_ = nullptr;
    QAction* renameAction_ = nullptr;
    QAction* finishRenameAction_ = nullptr;
    QAction* adjustAction_ = nullptr;
};

}  // namespace varisect
