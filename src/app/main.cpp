// SPDX-License-Identifier: GPL-3.0-or-later
// The Varisect desktop program.
#include <QApplication>

#include "app/application.h"
#include "data/datafilewriter.h"
#include "platform/qtclipboard.h"
#include "platform/qtdesktop.h"
#include "platform/qtdialogs.h"
#include "platform/qthelpviewer.h"
#include "platform/qtprinttarget.h"
#include "platform/qtsettingsstore.h"

int main(int argc, char* argv[])
{
    // A file-size limit then makes a save fail with its message instead of ending the program.
    varisect::ignoreFileSizeSignal();
    QApplication qapp(argc, argv);
    varisect::setApplicationIdentity(qapp);
    // The program ends by its exit path only, never because every window happens to be hidden.
    qapp.setQuitOnLastWindowClosed(false);

    const auto frontWindow = [] { return QApplication::activeWindow(); };
    varisect::QtHelpViewer help;
    varisect::QtDialogs dialogs(help, frontWindow);
    varisect::QtSettingsStore settings;
    varisect::QtClipboard clipboard;
    varisect::QtPrintTarget printer(frontWindow);
    varisect::QtDesktop desktop;
    const varisect::Platform platform{dialogs, settings, clipboard, printer, help, desktop};

    varisect::Application app(platform);
    app.start();
    return qapp.exec();
}
