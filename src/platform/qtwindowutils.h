// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers every window uses: placing it on the screen when it loads and switching its
// input off around long work.
#pragma once

#include <functional>
#include <initializer_list>

class QPushButton;
class QString;
class QWidget;

namespace varisect {

// Supplies the window a dialog belongs to (the window in front), or null.
using ParentProvider = std::function<QWidget*()>;

// Places `window` centred on the available area of its screen (the primary screen when it has
// none). A window not yet given a size gets its size hint, grown with `screenScale` (0.75 for a
// screen 800 pixels wide, see StartupInfo) up to a quarter larger on wide screens, and at least
// what its layout needs; it never reaches beyond 90% of the available area unless its layout
// needs more, and never beyond the available area (a layout that needs more is squeezed). With
// `maximized` (the "Run Maximized" preference) the window is also set to show maximized.
void centerForm(QWidget& window, double screenScale, bool maximized = false);

// Gives every push button of the application about a character of room on each side of its
// caption, whatever caption it shows (the application's style is wrapped once; later calls do
// nothing). Every window calls it as it is made.
void giveButtonsRoom();

// Gives `button` room for the widest of `captions` (the captions it shows in turn) with a margin
// of about a character on each side, so that no caption touches the button's edges (and the
// button does not change its width as its caption changes).
void roomForCaptions(QPushButton& button, std::initializer_list<QString> captions);

// Switches the window's input off (mouse and keys; it is drawn disabled).
void disableForm(QWidget& window);
// First lets pending events run, so that clicks and keys made while the window was disabled are
// spent, then switches its input on again.
void enableForm(QWidget& window);

}  // namespace varisect
