// SPDX-License-Identifier: GPL-3.0-or-later
// The data entry grid, "Data Entry Grid": one row per score of the design. The user types,
// pastes, opens, saves and prints the scores here; "Data &OK" checks and converts them and
// unlocks the way on to the analysis. The rules of a score cell, of "Data &OK" and of the
// outlier check live in scoreentry.h and outliers.h; the file formats in datafile.h.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "data/datafile.h"
#include "data/outliers.h"
#include "platform/dialogs.h"
#include "output/document.h"
#include "platform/platform.h"

class QAction;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace varisect {

class AcceptedData;
struct DesignState;
class FileState;
struct RecentFileList;
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

// The two ways out that ask to save the data first; the word is the title of the questions.
enum class LeaveMode { Exit, Restart };

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
};

class DataEntryWindow : public QMainWindow {
    Q_OBJECT

public:
    DataEntryWindow(DataEntryParts parts, ShellContext shell, DataEntryHandOver handOver, QWidget* parent = nullptr);
    ~DataEntryWindow() override;

    ScoreModel& model() const { return *model_; }
    QTableView* view() const { return view_; }
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

    // The commands of the window, as the buttons and menus run them.
    bool dataOk();
    void widenEntryColumn();
    void clearAllData();
    void insertSingleScore();
    void removeSingleScore();
    void copyScores();
    void pasteScores();
    void toggleImputedMark();
    void printData();
    // What "&Print Data" prints and the Word document items write: the rows with their scores.
    OutputDocument printedDocument() const;
    void restartClicked();

    // The scores in use after a transformation, screen or revert, shown as "#0.00#" texts
    // (imputed marks kept). The scores stay accepted.
    void showTransformedScores();

    // Closes without asking for the exit path (the exit path itself uses it).
    void closeForExit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    DialogAnswer tell(const Message& message, std::optional<DialogAnswer> defaultButton = {});
    bool scoreKey(QKeyEvent* event);
    void goToRow(int row);
    int currentRow() const;
    // The row of the single selected score cell, or -1.
    int singleSelectedScore() const;
    void dataChanged();
    void setLeadingOn(bool enabled);
    void widenToFit(const std::string& text);
    void showSavingIndicator(const std::string& path);
    void hideSavingIndicator();
    DataLayout gridLayout() const;
    // A cell up to the last score that a data file cannot hold (empty, "X", not a number): told,
    // the cursor put on it.
    bool unsavableScore();
    bool writeWithRetry(const std::string& path, const DataLayout& layout);
    bool saveLayout(const DataLayout& layout);
    bool updateInPlace();
    void putOnTopOfRecentList(const std::string& path);
    // Reads `path` for the grid, every line a cell (see readGridDataFile); tells the user about a
    // file that cannot be read, and reads again on Retry.
    std::optional<GridDataResult> readFileItems(const std::string& path);
    void fillFromFile(const std::string& path, const std::vector<ScoreItem>& items, long count);

    WindowShell* shell_;
    Platform& platform_;
    DesignState& design_;
    AcceptedData& data_;
    FileState& file_;
    RecentFileList& recentFiles_;
    DataEntryHandOver handOver_;
    ScoreModel* model_ = nullptr;
    QTableView* view_ = nullptr;
    QLabel* savingPicture_ = nullptr;
    QLabel* savingLabel_ = nullptr;
    QTimer* savingTimer_ = nullptr;
    QPushButton* dataOk_ = nullptr;
    QPushButton* anovaDesign_ = nullptr;
    QPushButton* restart_ = nullptr;
    std::vector<QPushButton*> leadingOn_;  // enabled while the accepted scores are the grid's
    ConfirmedOutliers confirmed_;
};

}  // namespace varisect
