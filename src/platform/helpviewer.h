// SPDX-License-Identifier: GPL-3.0-or-later
// The help viewer: the program's own help pages, opened at the contents, the search, the page
// on using help, or a topic by its context number.
#pragma once

namespace varisect {

// Context numbers of the topics windows open directly.
inline constexpr int kHelpOpenDataFile = 60;
inline constexpr int kHelpSaveDataFile = 70;

// The main window ("Factorial Analysis of Variance") and the parts of its page that its boxes
// and menus open on a right click.
inline constexpr int kHelpMainWindow = 10;
inline constexpr int kHelpNumberOfFactors = 11;
inline constexpr int kHelpNumberOfLevels = 12;
inline constexpr int kHelpFactorName = 13;
inline constexpr int kHelpProblemLabel = 14;
inline constexpr int kHelpRecentFiles = 15;
inline constexpr int kHelpPreferences = 16;
inline constexpr int kHelpUnequalCellSize = 17;
inline constexpr int kHelpSpecificComparisons = 18;
// The "Labels for Levels" window.
inline constexpr int kHelpLevelLabels = 20;
// The "Design Specification" window, its nesting window and its two explanation windows.
inline constexpr int kHelpAnovaDesign = 21;
inline constexpr int kHelpNesting = 22;
inline constexpr int kHelpDesignExplanations = 23;
// The "Cell Means" window and the parts of its page its dialogs open.
inline constexpr int kHelpCellMeans = 30;
inline constexpr int kHelpPairSelection = 31;
inline constexpr int kHelpPanels = 32;
inline constexpr int kHelpSimpleEffects = 33;
// The "Data Transformation" and "Screen Data" windows.
inline constexpr int kHelpTransformData = 34;
inline constexpr int kHelpScreenData = 35;
inline constexpr int kHelpCellSizes = 36;
// The data entry grid.
inline constexpr int kHelpDataEntry = 37;
// The analysis of variance table window.
inline constexpr int kHelpAnovaTable = 38;
inline constexpr int kHelpProportionalCellSizes = 61;
inline constexpr int kHelpGroupSizes = 62;
// The "Two-way Plot" window and its small dialogs.
inline constexpr int kHelpTwoWayPlot = 40;
inline constexpr int kHelpPlotDialogs = 41;
// The "Trend Tests on Marginal Means" and "Planned Comparisons on Marginal Means" windows.
inline constexpr int kHelpTrendTests = 50;
inline constexpr int kHelpPlannedComparisons = 51;
// The "Post Hoc Comparisons" window.
inline constexpr int kHelpPostHoc = 52;
// The "Import Data" window.
inline constexpr int kHelpImportData = 63;
// The Word document items of the File menus and their file dialogs.
inline constexpr int kHelpWordDocuments = 80;
// The page on using the help viewer itself.
inline constexpr int kHelpOnHelp = 90;

class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual void showContents() = 0;
    virtual void showSearch() = 0;
    virtual void showHelpOnHelp() = 0;
    virtual void showContext(int context) = 0;
    virtual void close() = 0;
};

}  // namespace varisect
