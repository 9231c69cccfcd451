// SPDX-License-Identifier: GPL-3.0-or-later
// The main window, "Factorial Analysis of Variance": the questions that describe the design, the
// recent files, the preferences, the unequal-cell-size analyses, the specific comparisons and
// help. The rules live in DesignQuestions; this window shows them and passes the user's input on.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QMainWindow>

#include "design/designquestions.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

namespace varisect {

struct Platform;
class LevelLabelsWindow;
class WindowShell;
struct ShellContext;

// Where the main window hands the user on. Every member may be empty.
struct MainWindowHandOver {
    std::function<void()> proceedToDataEntry;
    std::function<void()> proceedToAnovaDesign;
    // The design of recent-file entry `entry` (1-based, its position when chosen) has been
    // restored, its path is the open file name, the list updated and stored, and the recent
    // files disabled.
    std::function<void(int entry)> recentFileChosen;
    // Start Over was pressed: the windows of the earlier pass are to be closed.
    std::function<void()> startingOver;
    // File > "&Import Data..." and "Export &Data...".
    std::function<void()> importData = {};
    std::function<void()> exportData = {};
};

// The parts of the session the main window works on.
struct MainWindowParts {
    DesignQuestionParts questions;  // the design, flags, preferences, recent files and file state
    AcceptedData& data;             // this run's outlier check follows its preference
};

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    MainWindow(MainWindowParts parts, ShellContext shell, MainWindowHandOver handOver, QWidget* parent = nullptr);
    ~MainWindow() override;

    const DesignQuestions& questions() const { return questions_; }
    // The level labels window while it is open (or hidden after it finished), else null.
    LevelLabelsWindow* levelLabelsWindow() const { return levelLabels_.get(); }
    // Closes without asking for the exit path (the exit path itself uses it).
    void closeForExit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void rebuildRecentMenu();
    void refresh(bool loadBoxes);
    void showMessages(const std::vector<Message>& messages);
    DialogAnswer tell(const Message& message, std::optional<DialogAnswer> defaultButton = {});

    void countEdited(const QString& text);
    void levelsEdited(const QString& text);
    void nameEdited(const QString& text);
    void stepNumberBox(QLineEdit* box, int step, int low, int high);
    void numberBoxEnter(QLineEdit* box, QWidget* next);
    void okClicked();
    void proceedClicked();
    void adjustClicked();
    void startOverClicked();
    void recentChosen(int entry);
    void preferenceToggled(const char* key, bool on);
    void modeChosen(UnequalMode mode);
    void openLevelLabels();
    void levelLabelsDone();
    void onlineInformation();
    void setNameColour(bool generic);

    DesignState& design_;
    const ModeFlags& mode_;
    Preferences& preferences_;
    const RecentFileList& recentFiles_;
    AcceptedData& data_;
    WindowShell* shell_;
    Platform& platform_;
    MainWindowHandOver handOver_;
    DesignQuestions questions_;
    std::unique_ptr<LevelLabelsWindow> levelLabels_;

    QLabel* countQuestion_ = nullptr;
    QLineEdit* countBox_ = nullptr;
    QToolButton* countUp_ = nullptr;
    QToolButton* countDown_ = nullptr;
    QLabel* note_ = nullptr;
    QLabel* levelsQuestion_ = nullptr;
    QLineEdit* levelsBox_ = nullptr;
    QToolButton* levelsUp_ = nullptr;
    QToolButton* levelsDown_ = nullptr;
    QLabel* nameQuestion_ = nullptr;
    QLineEdit* nameBox_ = nullptr;
    QLineEdit* problemBox_ = nullptr;
    QPushButton* ok_ = nullptr;
    QLabel* confirmation_ = nullptr;
    QPushButton* proceed_ = nullptr;
    QPushButton* adjust_ = nullptr;
    QPushButton* startOver_ = nullptr;

    QMenu* fileMenu_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* importAction_ = nullptr;
    QAction* exportAction_ = nullptr;
    std::vector<QAction*> recentActions_;
    QAction* useLabels_ = nullptr;
    QAction* outlierCheck_ = nullptr;
    QAction* showFs_ = nullptr;
    QAction* runMaximized_ = nullptr;
    QAction* exactP_ = nullptr;
    QAction* attrition_ = nullptr;
    QAction* unweighted_ = nullptr;
    QAction* proportional_ = nullptr;
    QAction* groupSize_ = nullptr;
    QAction* trendTests_ = nullptr;
    QAction* planned_ = nullptr;
    QAction* postHoc_ = nullptr;
};

}  // namespace varisect
