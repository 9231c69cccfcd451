// SPDX-License-Identifier: GPL-3.0-or-later
// What the program keeps for the whole run, shared by the windows it hands to.
#pragma once

#include <string>

#include "engine/anovatable.h"
#include "engine/design.h"
#include "startup/preferences.h"
#include "startup/recentfiles.h"

namespace varisect {

// Found at start-up and kept unchanged for the run.
struct StartupInfo {
    std::string programFolder;   // the executable's folder, ending with "/"
    int wordProcessorVersion = 0;
    double screenScale = 0.75;   // (screen width / 800) x 0.75
    double baseFontSize = 9.75;
    std::string interfaceFont;   // "MS Sans Serif" or "Arial" (the system font when missing)
};

struct FileState {
    std::string openFileName;
    std::string saveFileName;
    bool dataFromFile = false;
    bool dataSaved = false;
    bool dataChanged = false;
    int recentIndex = kNewRecentIndex;
    bool leaveAnswered = false;  // the save-before-leaving question was answered on this way out
};

// The unequal-cell-size flags and the specific comparisons of the main window's menus.
struct ModeFlags {
    bool randomAttritionTest = false;
    bool unweightedMeans = false;
    bool twoFactorUnequal = false;
    bool plannedComparisons = false;
    bool trendTests = false;

    bool unequalCellMode() const { return randomAttritionTest || unweightedMeans || twoFactorUnequal; }
};

struct AppState {
    StartupInfo startup;
    Preferences preferences;
    RecentFileList recentFiles;

    Design design;
    std::string problemLabel;
    bool labelsInUse = false;
    Scores scores;
    FileState file;
    ModeFlags mode;
    bool outlierCheck = true;   // this run's setting; the preference unless changed at "Data OK"
    bool dataAccepted = false;  // "Data OK" converted the grid into `scores`
    bool anovaTypeChosen = false;   // the Anova design window's type was chosen in this pass
    bool nestingSpecified = false;  // the nesting window was closed with a valid choice
    AnovaTable table;           // the last analysis
    bool tableComputed = false;

    // The restart path: a new design, the file state and the flags cleared; start-up results,
    // preferences and the recent-file list kept.
    void restart()
    {
        design = Design{};
        problemLabel.clear();
        scores.clear();
        file = FileState{};
        mode = ModeFlags{};
        dataAccepted = false;
        anovaTypeChosen = false;
        nestingSpecified = false;
        table = AnovaTable{};
        tableComputed = false;
        outlierCheck = preferences.outlierCheck;
        labelsInUse = preferences.useLevelLabels;
    }

    // The current design as a recent-file entry for `path`.
    RecentFileRecord recentRecord(const std::string& path) const
    {
        RecentFileRecord r;
        r.path = path;
        r.problemLabel = problemLabel;
        r.labelsInUse = labelsInUse;
        for (const Factor& f : design.factors) {
            r.factorNames.push_back(f.name);
            r.levels.push_back(f.levels);
            if (labelsInUse)
                r.levelLabels.push_back(f.levelLabels);
        }
        return r;
    }
};

}  // namespace varisect
