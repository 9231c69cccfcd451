// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program as a whole: the start-up steps, the main window, the exit path and the
// restart to a new design.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/appstate.h"
#include "platform/platform.h"

class QCoreApplication;
class QWidget;

namespace varisect {

class AnovaDesignWindow;
class DataEntryWindow;
class DesignWindow;
class TableWindow;

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

    // The start-up steps in order (program folder, word processor, screen scale and interface
    // font, preferences, recent files), then the main window is shown.
    void start();

    // The common exit path: the help viewer and every window are closed and the program ends.
    void exitProgram();
    // A new design: the state is reset (start-up results, preferences and the recent-file list
    // are kept), every window is closed and a fresh main window asks its first question.
    void restart();

    AppState& state() { return state_; }
    DesignWindow* mainWindow() const { return main_.get(); }
    // The data entry grid of the current pass, or null.
    DataEntryWindow* dataEntryWindow() const { return grid_.get(); }
    // The Anova design window and the table window of the current pass, or null.
    AnovaDesignWindow* anovaDesignWindow() const { return design_.get(); }
    TableWindow* tableWindow() const { return table_.get(); }
    bool exiting() const { return exiting_; }

private:
    void showMainWindow();
    void closeOtherWindows();
    void notYetAvailable(const char* what);
    // Opens the data entry grid for the design just specified, replacing one from an earlier
    // pass; with `loadRecent` it loads the open file name. False when that load failed.
    bool showDataEntry(bool loadRecent);
    void dropDataEntry();
    void showAnovaDesign();
    void showTable();
    // Shows a window the user returns to, in front and active.
    static void showAgain(QWidget* window);
    void dropAnalysisWindows();

    Platform platform_;
    Options options_;
    AppState state_;
    std::unique_ptr<DesignWindow> main_;
    std::unique_ptr<DataEntryWindow> grid_;
    std::unique_ptr<AnovaDesignWindow> design_;
    std::unique_ptr<TableWindow> table_;
    bool exiting_ = false;
};

}  // namespace varisect
