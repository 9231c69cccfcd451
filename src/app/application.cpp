// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "data/dataentrywindow.h"
#include "platform/qtwindowutils.h"
#include "startup/anovadesignwindow.h"
#include "startup/designwindow.h"
#include "table/tablewindow.h"
#include "startup/preferences.h"
#include "startup/recentfiles.h"
#include "startup/startupinfo.h"

namespace varisect {

void setApplicationIdentity(QCoreApplication& app)
{
    app.setApplicationName(QStringLiteral("Varisect"));
    app.setOrganizationName(QStringLiteral("Varisect"));
}

Application::Application(Platform platform) : Application(platform, Options{}) {}

Application::Application(Platform platform, Options options) : platform_(platform), options_(std::move(options)) {}

Application::~Application()
{
    dropAnalysisWindows();
    if (grid_)
        grid_->closeForExit();
    if (main_)
        main_->closeForExit();
}

void Application::start()
{
    StartupInfo& info = state_.startup;

    const std::string exe = options_.executablePath.empty()
                                ? QCoreApplication::applicationFilePath().toStdString()
                                : options_.executablePath;
    info.programFolder = programFolder(exe);

    // No word processor is driven through automation on this platform.
    info.wordProcessorVersion = 0;

    int width = options_.screenWidth;
    if (width < 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        width = screen ? screen->geometry().width() : 0;
    }
    info.screenScale = screenScale(width);
    info.baseFontSize = kBaseFontSize;
    const QString fontName = QString::fromStdString(chooseInterfaceFont(width));
    if (QFontDatabase::hasFamily(fontName)) {
        QFont font(fontName);
        font.setPointSizeF(kBaseFontSize);
        QApplication::setFont(font);
        info.interfaceFont = fontName.toStdString();
    } else {
        info.interfaceFont = QApplication::font().family().toStdString();
    }

    state_.preferences = loadPreferences(platform_.settings);
    state_.recentFiles = RecentFileList::read(platform_.settings);
    state_.outlierCheck = state_.preferences.outlierCheck;
    state_.labelsInUse = state_.preferences.useLevelLabels;

    showMainWindow();
}

void Application::notYetAvailable(const char* what)
{
    platform_.dialogs.message({"Not Available Yet",
                               std::string("The ") + what +
                                   " comes in a later version of the program.  The design you specified is kept.",
                               MessageButtons::Ok, MessageIcon::Information});
}

void Application::showMainWindow()
{
    DesignWindowHandOver handOver;
    handOver.proceedToDataEntry = [this] { showDataEntry(false); };
    handOver.proceedToAnovaDesign = [this] { showAnovaDesign(); };
    handOver.recentFileChosen = [this](int) { showDataEntry(true); };
    handOver.exitProgram = [this] { exitProgram(); };
    handOver.startingOver = [this] { closeOtherWindows(); };
    main_ = std::make_unique<DesignWindow>(state_, platform_, std::move(handOver));
    centerForm(*main_, state_.startup.screenScale, state_.preferences.runMaximized);
    main_->show();
}

bool Application::showDataEntry(bool loadRecent)
{
    dropDataEntry();
    DataEntryHandOver handOver;
    handOver.anovaDesign = [this] { showAnovaDesign(); };
    handOver.exitProgram = [this] { exitProgram(); };
    handOver.restart = [this] { restart(); };
    grid_ = std::make_unique<DataEntryWindow>(state_, platform_, std::move(handOver));
    centerForm(*grid_, state_.startup.screenScale, state_.preferences.runMaximized);
    if (loadRecent) {
        if (!grid_->loadRecentDataFile()) {
            // The main window stays as it was.
            dropDataEntry();
            return false;
        }
    }
    if (main_)
        main_->hide();
    grid_->show();
    grid_->activateWindow();
    return true;
}

void Application::showAnovaDesign()
{
    if (!design_) {
        AnovaDesignHandOver handOver;
        handOver.returnToGrid = [this] { showAgain(grid_ ? static_cast<QWidget*>(grid_.get()) : main_.get()); };
        handOver.restart = [this] { restart(); };
        handOver.tableReady = [this] { showTable(); };
        handOver.analysisAbandoned = [this] {
            if (table_) {
                table_->closeForExit();
                table_.release()->deleteLater();
            }
            showAgain(grid_ ? static_cast<QWidget*>(grid_.get()) : main_.get());
        };
        handOver.enterCellSizes = [this] { notYetAvailable("cell size grid"); };
        handOver.enterGroupSizes = [this] { notYetAvailable("group size grid"); };
        handOver.exitProgram = [this] { exitProgram(); };
        design_ = std::make_unique<AnovaDesignWindow>(state_, platform_, std::move(handOver));
        centerForm(*design_, state_.startup.screenScale, state_.preferences.runMaximized);
    }
    if (grid_)
        grid_->hide();
    if (main_)
        main_->hide();
    design_->show();
    design_->raise();
    design_->activateWindow();
}

void Application::showAgain(QWidget* window)
{
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

void Application::showTable()
{
    if (table_) {
        table_->closeForExit();
        table_.release()->deleteLater();
    }
    TableWindowHandOver handOver;
    handOver.returnTo = [this] { showAgain(design_.get()); };
    handOver.newProblem = [this] { restart(); };
    handOver.exitProgram = [this] { exitProgram(); };
    table_ = std::make_unique<TableWindow>(state_, platform_, TableOrigin::AnovaDesign, std::move(handOver));
    centerForm(*table_, state_.startup.screenScale, state_.preferences.runMaximized);
    table_->show();
    table_->raise();
    table_->activateWindow();
}

void Application::dropAnalysisWindows()
{
    if (table_) {
        table_->closeForExit();
        table_.release()->deleteLater();
    }
    if (design_) {
        design_->closeForExit();
        design_.release()->deleteLater();
    }
}

void Application::dropDataEntry()
{
    dropAnalysisWindows();
    if (!grid_)
        return;
    grid_->closeForExit();
    grid_.release()->deleteLater();
}

void Application::closeOtherWindows()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != main_.get() && w->isVisible())
            w->close();
}

void Application::exitProgram()
{
    if (exiting_)
        return;
    if (grid_ && !grid_->confirmLeave(LeaveMode::Exit))
        return;
    exiting_ = true;
    platform_.help.close();
    dropAnalysisWindows();
    if (grid_)
        grid_->closeForExit();
    if (main_)
        main_->closeForExit();
    closeOtherWindows();
    if (options_.quit)
        options_.quit();
    else
        QCoreApplication::quit();
}

void Application::restart()
{
    // The grid asks its own save-before-leaving question before it asks for a restart.
    if (grid_ && !grid_->confirmLeave(LeaveMode::Restart))
        return;
    dropDataEntry();
    state_.restart();
    if (main_) {
        main_->closeForExit();
        main_.release()->deleteLater();
    }
    closeOtherWindows();
    showMainWindow();
}

}  // namespace varisect
