// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program's application identity and its (for now empty) main window.
#pragma once

#include <memory>

class QCoreApplication;
class QMainWindow;
class QScreen;

namespace varisect {

inline constexpr const char* kMainWindowTitle = "Factorial Analysis of Variance";

// Application and organization name; per-user settings are stored under them.
void setApplicationIdentity(QCoreApplication& app);

// The main window, titled, sized to suit `screen` (the primary screen when null) and centred on
// its available area. Not yet shown.
std::unique_ptr<QMainWindow> createMainShell(QScreen* screen = nullptr);

}  // namespace varisect
