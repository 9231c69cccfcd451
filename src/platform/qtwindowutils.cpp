// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtwindowutils.h"

#include <algorithm>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace varisect {

namespace {

constexpr double kBaseScale = 0.75;      // the scale of a screen 800 pixels wide
constexpr double kMaxGrowth = 1.25;      // a default size grows at most this much
constexpr double kMaxScreenShare = 0.9;  // nor reaches beyond this share of the screen
constexpr int kTitleBarAllowance = 40;   // the frame's title bar, before the frame exists

}  // namespace

void centerForm(QWidget& window, double screenScale, bool maximized)
{
    QScreen* screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();

    // The least the window's layout asks for, worked out now rather than at the first show.
    window.ensurePolished();
    if (QLayout* layout = window.layout())
        layout->activate();
    const QSize least = window.minimumSizeHint().expandedTo(window.minimumSize());

    const bool sized = window.testAttribute(Qt::WA_Resized);
    QSize size = window.size();
    if (!sized) {
        const double growth = std::clamp(screenScale / kBaseScale, 1.0, kMaxGrowth);
        const QSize hint = window.sizeHint().expandedTo(QSize(200, 100));
        size = QSize(static_cast<int>(hint.width() * growth), static_cast<int>(hint.height() * growth));
    }
    if (screen) {
        const QRect available = screen->availableGeometry();
        QSize frameExtra = window.frameGeometry().size() - window.geometry().size();
        if (frameExtra.height() <= 0)
            frameExtra = QSize(0, kTitleBarAllowance);
        const QSize room = available.size() - frameExtra;
        const QSize share(static_cast<int>(room.width() * kMaxScreenShare),
                          static_cast<int>(room.height() * kMaxScreenShare));
        // Never beyond the screen: a window whose layout asks for more squeezes (its grids scroll).
        size = size.boundedTo(share).expandedTo(least).boundedTo(room);
        if (least.width() > room.width() || least.height() > room.height())
            window.setMinimumSize(least.boundedTo(room));
        window.resize(size);
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

void roomForCaptions(QPushButton& button, std::initializer_list<QString> captions)
{
    const QString shown = button.text();
    int widest = button.sizeHint().width();
    for (const QString& caption : captions) {
        button.setText(caption);
        widest = std::max(widest, button.sizeHint().width());
    }
    button.setText(shown);
    button.setMinimumWidth(widest + 2 * button.fontMetrics().averageCharWidth());
}

}  // namespace varisect
