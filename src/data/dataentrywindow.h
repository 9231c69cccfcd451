// SPDX-License-Identifier: GPL-3.0-or-later
// The data entry grid, "Data Entry Grid": one row per score of the design. The user types,
// pastes, opens, saves and prints the scores here; "Data &OK" checks and converts them and
// unlocks the way on to the analysis. The grid itself, with its editing and file commands, is
// the ScoreGrid of scoregrid.h; the rules of "Data &OK" and of the outlier check live in
// dataok.h, scoreentry.h and outliers.h.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "data/acceptedhistory.h"
#include "data/gridmessages.h"
#include "data/outliers.h"
#include "output/document.h"
#include "platform/dialogs.h"

class QPushButton;
class QTableView;

namespace varisect {

class AcceptedData;
struct DesignState;
class FileState;
struct RecentFileList;
class ScoreGrid;
class ScoreModel;
class WindowShell;
struct ShellContext;

// The parts of the session the grid works on.
struct DataEntryParts {
    DesignState& design;          // the design shown; "Data OK" sets its imputed count
    AcceptedData& data;           // what "Data OK" accepts
    FileState& file;
    RecentFileList& recentFiles;  // a saved or opened file goes to the top
};

// Where the grid hands the user on. Every member may be empty.
struct DataEntryHandOver {
    // "&Anova Design...": the scores have been accepted by "Data &OK".
    std::function<void()> anovaDesign;
    // "&Restart": the save-before-leaving question has been answered; start over.
    std::function<void()> restart;
    // The other ways on from accepted scores: "&Transform Data...", "&Screen Data...",
    // "Show Two-&Way Tables" and "Show Two-Way &Graphs".
    std::function<void()> transformData;
    std::function<void()> screenData;
    std::function<void()> twoWayTables;
    std::function<void()> twoWayGraphs;
    // File > "&Import Data..." and "Export &Data...".
    std::function<void()> importData = {};
    std::function<void()> exportData = {};
};

class DataEntryWindow : public QMainWindow {
    Q_OBJECT

public:
    DataEntryWindow(DataEntryParts parts, ShellContext shell, DataEntryHandOver handOver, QWidget* parent = nullptr);
    ~DataEntryWindow() override;

    ScoreGrid& grid() const { return *grid_; }
    ScoreModel& model() const;
    QTableView* view() const;
    // The buttons that lead on to the analysis are enabled ("Data &OK" succeeded, no edit since).
    bool leadingOnEnabled() const;
    // Rows of the grid that fit in its visible area.
    int visibleRows() const;

    // File > Save: the save dialog, then the file written safely with the grid's scores. True
    // when the file was written.
    bool saveDataFile();
    // File > Open: the open dialog, the naming and count checks, and the grid filled.
    void openDataFile();
    // Loads the open file name, chosen from the recent-file list in the main window. False when
    // nothing could be loaded (the user has been told why); the caller goes back.
    bool loadRecentDataFile();
    // Asks to save data that would be lost. False: the user cancelled the way out. Asked once
    // per way out.
    bool confirmLeave(LeaveMode mode);

    // The commands of the window, as the buttons and menus run them (the other editing commands
    // are the grid's).
    bool dataOk();
    void clearAllData();
    void printData();
    // What "&Print Data" prints and the Word document items write: the rows with their scores.
    OutputDocument printedDocument() const;
    void restartClicked();

    // The scores in use after a transformation, screen or revert, shown as "#0.00#" texts
    // (imputed marks kept) in one step that undo takes back. The scores stay accepted.
    void showTransformedScores();

    // Scores imported from a table, in design order: shown in the grid as new, unchecked scores
    // (not from a score file, so leaving offers to save them).
    void showImportedScores(const std::vector<std::string>& texts, const std::vector<bool>& imputed);

    // Closes without asking for the exit path (the exit path itself uses it).
    void closeForExit();

private:
    void buildControls();
    void buildMenus();
    DialogAnswer tell(const Message& message);
    void setLeadingOn(bool enabled);
    // Scores new to the grid (opened from a file): raw, not accepted, not yet checked.
    void newScores();

    WindowShell* shell_;
    DesignState& design_;
    AcceptedData& data_;
    FileState& file_;
    DataEntryHandOver handOver_;
    ScoreGrid* grid_ = nullptr;
    QPushButton* dataOk_ = nullptr;
    QPushButton* anovaDesign_ = nullptr;
    QPushButton* restart_ = nullptr;
    std::vector<QPushButton*> leadingOn_;  // enabled while the accepted scores are the grid's
    ConfirmedOutliers confirmed_;
    AcceptedHistory accepted_;  // the accepted data at the steps of the grid's history
};

}  // namespace varisect
