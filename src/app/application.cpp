// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "platform/qtwindowutils.h"
#include "startup/designwindow.h"
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
    handOver.proceedToDataEntry = [this] { notYetAvailable("data entry grid"); };
    handOver.proceedToAnovaDesign = [this] { notYetAvailable("Anova design window"); };
    handOver.recentFileChosen = [this](int) { notYetAvailable("data entry grid"); };
    handOver.exitProgram = [this] { exitProgram(); };
    handOver.startingOver = [this] { closeOtherWindows(); };
    main_ = std::make_unique<DesignWindow>(state_, platform_, std::move(handOver));
    centerForm(*main_, state_.startup.screenScale, state_.preferences.runMaximized);
    main_->show();
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
    exiting_ = true;
    platform_.help.close();
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
    state_.restart();
    if (main_) {
        main_->closeForExit();
        main_.release()->deleteLater();
    }
    closeOtherWindows();
    showMainWindow();
}

}  // namespace varisect
