// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtwindowutils.h"

#include <algorithm>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace varisect {

namespace {

constexpr double kBaseScale = 0.75;      // the scale of a screen 800 pixels wide
constexpr double kMaxGrowth = 1.25;      // a default size grows at most this much
constexpr double kMaxScreenShare = 0.9;  // nor reaches beyond this share of the screen

}  // namespace

void centerForm(QWidget& window, double screenScale, bool maximized)
{
    QScreen* screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();

    QSize size = window.size();
    if (!window.testAttribute(Qt::WA_Resized)) {
        const double growth = std::clamp(screenScale / kBaseScale, 1.0, kMaxGrowth);
        const QSize hint = window.sizeHint().expandedTo(window.minimumSizeHint()).expandedTo(QSize(200, 100));
        size = QSize(static_cast<int>(hint.width() * growth), static_cast<int>(hint.height() * growth));
    }
    if (screen) {
        const QRect available = screen->availableGeometry();
        const QSize limit(static_cast<int>(available.width() * kMaxScreenShare),
                          static_cast<int>(available.height() * kMaxScreenShare));
        size = size.boundedTo(limit).expandedTo(window.minimumSize()).boundedTo(available.size());
        window.resize(size);
        // Centre the frame, not only the inside, when the window system has drawn one already.
        const QSize frameExtra = window.frameGeometry().size() - window.geometry().size();
        const QRect frame = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size + frameExtra, available);
        window.move(frame.topLeft());
    } else {
        window.resize(size);
    }

    if (maximized)
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

void disableForm(QWidget& window)
{
    window.setEnabled(false);
}

void enableForm(QWidget& window)
{
    QCoreApplication::processEvents();
    window.setEnabled(true);
}

}  // namespace varisect
