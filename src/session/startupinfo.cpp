// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/startupinfo.h"

namespace varisect {

namespace {

double widthRatio(int screenWidth)
{
    return static_cast<double>(screenWidth) / kDesignScreenWidth;
}

}  // namespace

std::string chooseInterfaceFont(int screenWidth)
{
    const double ratio = widthRatio(screenWidth);
    return (ratio < 0.95 || ratio > 1.05) ? "Arial" : "MS Sans Serif";
}

double screenScale(int screenWidth)
{
    if (screenWidth <= 0)
        screenWidth = kDesignScreenWidth;
    return widthRatio(screenWidth) * 0.75;
}

std::string programFolder(const std::string& executablePath)
{
    const auto cut = executablePath.find_last_of("/\\");
    if (cut == std::string::npos)
        return "./";
    return executablePath.substr(0, cut + 1);
}

std::string helpFilePath(const std::string& folder)
{
    if (folder.empty())
        return std::string("./") + kHelpFileName;
    const char last = folder.back();
    if (last == '/' || last == '\\')
        return folder + kHelpFileName;
    return folder + "/" + kHelpFileName;
}

}  // namespace varisect
