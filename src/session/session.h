// SPDX-License-Identifier: GPL-3.0-or-later
// What the program keeps for the whole run, in parts. Each window is handed the parts it works
// on and nothing else; the application owns the whole.
#pragma once

#include <optional>
#include <string>

#include "engine/anovatable.h"
#include "engine/design.h"
#include "session/preferences.h"
#include "session/recentfiles.h"
#include "session/startupinfo.h"

namespace varisect {

// Where the scores came from and whether they are kept on disk.
struct FileState {
    std::string openFileName;
    std::string saveFileName;
    bool dataFromFile = false;
    bool dataSaved = false;
    bool dataChanged = false;
    int recentIndex = kNewRecentIndex;
    bool leaveAnswered = false;  // the save-before-leaving question was answered on this way out

    // The data went to `path` by "Save File (As)": saved, unchanged, new to the recent list.
    void savedAs(const std::string& path)
    {
        saveFileName = path;
        dataSaved = true;
        dataChanged = false;
        recentIndex = kNewRecentIndex;
    }
};

// The unequal-cell-size analyses and the specific comparisons chosen in the main window's menus.
struct ModeFlags {
    bool randomAttritionTest = false;
    bool unweightedMeans = false;
    bool twoFactorUnequal = false;
    bool plannedComparisons = false;
    bool trendTests = false;

    bool unequalCellMode() const { return randomAttritionTest || unweightedMeans || twoFactorUnequal; }
};

// The design being described and completed: the factors with their analysis choices, the
// problem label, whether levels carry labels, and what the Anova design window settled in this
// pass.
struct DesignState {
    Design design;
    std::string problemLabel;
    bool labelsInUse = false;
    bool anovaTypeChosen = false;   // the Anova design window's type was chosen in this pass
    bool nestingSpecified = false;  // the nesting window was closed with a valid choice

    // The current design as a recent-file entry for `path`.
    RecentFileRecord recentRecord(const std::string& path) const;
};

// The scores "Data OK" accepted, and this run's outlier-check setting. The scores are only
// readable as a whole set: accepting replaces them, withdrawing (an edit after "Data OK") shuts
// the way on until they are accepted again.
//
// Transformations and screens work on the scores the analysis uses (`scores()`) and keep the
// OK'd scores (`okScores()`, as "Data OK" accepted them) so that they can be restored. Whether
// the scores in use were transformed or screened is kept beside them: printouts say
// "transformed" then.
class AcceptedData {
public:
    // The OK'd scores and the scores in use both become `scores`.
    void accept(Scores scores);
    void withdraw() { accepted_ = false; }
    void clear();

    bool accepted() const { return accepted_; }
    const Scores& scores() const { return scores_; }
    const Scores& okScores() const { return okScores_; }

    // A transformation or screen was applied: `scores` are now in use and marked transformed.
    void transformTo(Scores scores);
    // "Revert to OK'd Data": the OK'd scores are in use again, marked as they were when accepted.
    void revert();
    // The scores in use were transformed or screened (printouts say "Transformed Data").
    bool transformed() const { return transformed_; }
    // New data came into the grid (opened from a file, or cleared for typing): whatever is
    // accepted next is raw.
    void markRaw() { transformed_ = okTransformed_ = false; }

    bool outlierCheck = true;  // the preference unless changed at "Data OK"

private:
    Scores scores_;
    Scores okScores_;
    bool accepted_ = false;
    bool transformed_ = false;
    bool okTransformed_ = false;  // the OK'd scores were themselves transformed values
};

// The tables the analyses of this pass produced. They are values: a window that shows one gets
// its own copy and never writes back.
class AnalysisResults {
public:
    void setOrdinary(AnovaTable table) { ordinary_ = std::move(table); }
    void clear() { ordinary_.reset(); }
    // The last ordinary analysis of the accepted scores, if one succeeded.
    const std::optional<AnovaTable>& ordinary() const { return ordinary_; }

private:
    std::optional<AnovaTable> ordinary_;
};

struct Session {
    StartupInfo startup;
    Preferences preferences;
    RecentFileList recentFiles;

    DesignState design;
    AcceptedData data;
    FileState file;
    ModeFlags mode;
    AnalysisResults results;

    // The preferences as loaded: this run's outlier check and labels follow them.
    void adoptPreferences(const Preferences& loaded);
    // The restart path: a new design, the data, file state, flags and results cleared; start-up
    // results, preferences and the recent-file list kept.
    void restart();
};

}  // namespace varisect
