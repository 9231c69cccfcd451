// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainshell.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <QStyle>

namespace varisect {

namespace {

// Room for a table of eight factors without crowding a small laptop screen.
constexpr QSize kPreferredSize(1024, 720);
// The share of the available area the window may take on screens too small for that.
constexpr double kMaxScreenShare = 0.9;

}  // namespace

void setApplicationIdentity(QCoreApplication& app)
{
    app.setApplicationName(QStringLiteral("Varisect"));
    app.setOrganizationName(QStringLiteral("Varisect"));
}

std::unique_ptr<QMainWindow> createMainShell(QScreen* screen)
{
    auto window = std::make_unique<QMainWindow>();
    window->setWindowTitle(QString::fromUtf8(kMainWindowTitle));

    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen) {
        window->resize(kPreferredSize);
        return window;
    }
    const QRect available = screen->availableGeometry();
    const QSize limit(static_cast<int>(available.width() * kMaxScreenShare),
                      static_cast<int>(available.height() * kMaxScreenShare));
    const QSize size = kPreferredSize.boundedTo(limit);
    window->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available));
    return window;
}

}  // namespace varisect
