// SPDX-License-Identifier: GPL-3.0-or-later
// The Varisect desktop program.
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QIcon>

#include "app/application.h"
#include "data/datafilewriter.h"
#include "platform/qtabout.h"
#include "platform/qtclipboard.h"
#include "platform/qtdesktop.h"
#include "platform/qtdialogs.h"
#include "platform/qthelpviewer.h"
#include "platform/qtprinttarget.h"
#include "platform/qtsettingsstore.h"

namespace {

const char* const kUsage =
    "Usage: varisect [QT-OPTIONS] [FILE]\n"
    "       varisect --version\n"
    "\n"
    "Opens the window \"Factorial Analysis of Variance\"; see varisect(1).  The same analyses\n"
    "run without windows as varisect-cli.  A data file needs its design, so FILE is not\n"
    "opened yet: open it from the \"Data Entry Grid\" or the recent files of the File menu.\n";

}  // namespace

int main(int argc, char* argv[])
{
    // Answered before any window system is needed, so they work on a bare terminal too.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("varisect %s\n", varisect::programVersion().toUtf8().constData());
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    // A file-size limit then makes a save fail with its message instead of ending the program.
    varisect::ignoreFileSizeSignal();
    QApplication qapp(argc, argv);
    varisect::setApplicationIdentity(qapp);
    // The menu entry and icon installed with the program (packaging/).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.varisect.Varisect"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.varisect.Varisect")));
    // The desktop hands over the data file the program was chosen for; the program cannot open a
    // file before its design is known, and says so rather than passing over it in silence.
    if (qapp.arguments().size() > 1)
        std::fprintf(stderr, "varisect: %s is not opened: open a data file from the \"Data Entry Grid\" "
                             "or the recent files of the File menu.\n",
                     qUtf8Printable(qapp.arguments().at(1)));
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
