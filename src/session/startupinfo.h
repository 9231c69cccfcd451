// SPDX-License-Identifier: GPL-3.0-or-later
// What the program works out about its surroundings when it starts: the interface font for the
// screen width, the scale of the windows, and the folder the program runs from.
#pragma once

#include <string>

namespace varisect {

// The screen width the windows were laid out for.
inline constexpr int kDesignScreenWidth = 800;
inline constexpr double kBaseFontSize = 9.75;
inline constexpr const char* kHelpFileName = "Varisect.hlp";

// Found at start-up and kept unchanged for the run.
struct StartupInfo {
    std::string programFolder;   // the executable's folder, ending with "/"
    int wordProcessorVersion = 0;
    double screenScale = 0.75;   // (screen width / 800) x 0.75
    double baseFontSize = 9.75;
    std::string interfaceFont;   // "MS Sans Serif" or "Arial" (the system font when missing)
};

// "MS Sans Serif" when width / 800 lies within 0.95 .. 1.05 (760 .. 840 pixels, both ends
// included), "Arial" otherwise. A width of 0 or less gives "Arial".
std::string chooseInterfaceFont(int screenWidth);

// The factor by which windows are scaled: (width / 800) x 0.75. A width of 0 or less (no screen
// known) gives the scale of the design width, 0.75.
double screenScale(int screenWidth);

// The folder holding the program: the path up to and including its last "/" (or "\"), so it
// always ends with a separator. "/opt/varisect/bin/varisect" gives "/opt/varisect/bin/";
// a bare file name or an empty path gives "./".
std::string programFolder(const std::string& executablePath);

// programFolder + "Varisect.hlp".
std::string helpFilePath(const std::string& programFolder);

}  // namespace varisect
