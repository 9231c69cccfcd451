// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtwindowutils.h"

#include <algorithm>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

namespace varisect {

namespace {

constexpr double kBaseScale = 0.75;      // the scale of a screen 800 pixels wide
constexpr double kMaxGrowth = 1.25;      // a default size grows at most this much
constexpr double kMaxScreenShare = 0.9;  // nor reaches beyond this share of the screen
constexpr int kTitleBarAllowance = 40;   // the frame's title bar, before the frame exists

// The width a push button needs for a caption `textWidth` pixels wide: the caption, about a
// character of room on each side, and the button's bevel.
int roomyWidth(const QStyle& style, const QFontMetrics& metrics, int textWidth, const QWidget* button)
{
    return textWidth + 2 * metrics.averageCharWidth() + 2 * style.pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
}

// The application's style with room around every push button's caption; the base style alone
// leaves some captions touching the edges.
class RoomyButtonStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override
    {
        QSize size = QProxyStyle::sizeFromContents(type, option, contents, widget);
        if (type != CT_PushButton)
            return size;
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (!button || button->text.isEmpty())
            return size;
        const int text = option->fontMetrics.size(Qt::TextShowMnemonic, button->text).width();
        // The icon (and menu arrow) beside the caption keep the room the base style gave them.
        const int beside = std::max(0, contents.width() - text);
        size.setWidth(std::max(size.width(), roomyWidth(*this, option->fontMetrics, text, widget) + beside));
        return size;
    }
};

}  // namespace

void giveButtonsRoom()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || dynamic_cast<RoomyButtonStyle*>(QApplication::style()))
        return;
    QApplication::setStyle(new RoomyButtonStyle(QApplication::style()->name()));
}

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
    const QFontMetrics metrics = button.fontMetrics();
    const auto room = [&](const QString& caption) {
        button.setText(caption);
        const int text = metrics.size(Qt::TextShowMnemonic, caption).width();
        return std::max(button.sizeHint().width(), roomyWidth(*button.style(), metrics, text, &button));
    };
    const QString shown = button.text();
    int widest = room(shown);
    for (const QString& caption : captions)
        widest = std::max(widest, room(caption));
    button.setText(shown);
    button.setMinimumWidth(widest);
}

}  // namespace varisect
