// SPDX-License-Identifier: GPL-3.0-or-later
// The About box of the Help menus.
#pragma once

#include <QString>

class QWidget;

namespace varisect {

inline constexpr const char* kAboutTitle = "About Varisect";

// The program's version, as the build gives it ("0.1.0").
QString programVersion();
// The text of the About box (rich text): name, version, what the program does, credits.
QString aboutText();
// Shows the About box, modal, titled "About Varisect"; returns when the user closes it.
void showAbout(QWidget* parent);

}  // namespace varisect
