// SPDX-License-Identifier: GPL-3.0-or-later
// The Varisect desktop program.
#include <QApplication>
#include <QMainWindow>

#include "app/mainshell.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    varisect::setApplicationIdentity(app);

    const auto window = varisect::createMainShell();
    window->show();
    return app.exec();
}
