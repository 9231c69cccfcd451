// SPDX-License-Identifier: GPL-3.0-or-later
// What the program keeps for the whole run, in parts. Each window is handed the parts it works
// on and nothing else; the application owns the whole.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/anovatable.h"
#include "engine/design.h"
#include "session/preferences.h"
#include "session/recentfiles.h"
#include "session/startupinfo.h"

namespace varisect {

// Where the scores came from and whether they are kept on disk. The fields are read freely and
// changed only through the transitions below, so that every window moves the state the same way.
class FileState {
public:
    const std::string& openFileName() const { return openFileName_; }
    const std::string& saveFileName() const { return saveFileName_; }
    // The file an in-place save rewrites: the one last saved, else the one opened (empty: none).
    const std::string& currentFileName() const { return saveFileName_.empty() ? openFileName_ : saveFileName_; }
    bool dataFromFile() const { return dataFromFile_; }
    bool dataSaved() const { return dataSaved_; }
    bool dataChanged() const { return dataChanged_; }
    int recentIndex() const { return recentIndex_; }
    // The save-before-leaving question was answered on this way out.
    bool leaveAnswered() const { return leaveAnswered_; }

    // A data file was chosen (from the recent-file list at `recentIndex`, or new to it) but not
    // read yet: its name is the one to open.
    void chosen(const std::string& path, int recentIndex)
    {
        openFileName_ = path;
        recentIndex_ = recentIndex;
    }
    // The chosen file now stands at `recentIndex` of the recent-file list.
    void movedInRecentList(int recentIndex) { recentIndex_ = recentIndex; }
    // The scores of `path` were read into a grid: from a file, unchanged, kept on disk.
    void opened(const std::string& path)
    {
        openFileName_ = path;
        saveFileName_.clear();
        dataFromFile_ = true;
        dataSaved_ = true;
        dataChanged_ = false;
    }
    // The data went to `path` by "Save File (As)": saved, unchanged, new to the recent list.
    void savedAs(const std::string& path)
    {
        saveFileName_ = path;
        dataSaved_ = true;
        dataChanged_ = false;
        recentIndex_ = kNewRecentIndex;
    }
    // The data were written over `currentFileName()`.
    void updatedInPlace()
    {
        saveFileName_ = currentFileName();
        dataSaved_ = true;
        dataChanged_ = false;
    }
    // The scores were typed over, transformed or screened since the last open or save.
    void changed() { dataChanged_ = true; }
    // Undo or redo brought back the scores the file last opened or saved holds: saved and
    // unchanged again, under the same names. Nothing changes when no file holds the scores.
    void backToSaved()
    {
        if (currentFileName().empty())
            return;
        dataSaved_ = true;
        dataChanged_ = false;
    }
    // The save-before-leaving question was answered (true: the user may leave).
    void leaveAnswer(bool leave) { leaveAnswered_ = leave; }
    // A new problem: nothing opened, nothing saved.
    void cleared() { *this = FileState{}; }

private:
    std::string openFileName_;
    std::string saveFileName_;
    bool dataFromFile_ = false;
    bool dataSaved_ = false;
    bool dataChanged_ = false;
    int recentIndex_ = kNewRecentIndex;
    bool leaveAnswered_ = false;
};

// The unequal-cell-size analyses and the specific comparisons chosen in the main window's menus.
struct ModeFlags {
    bool randomAttritionTest = false;
    bool unweightedMeans = false;
    bool twoFactorUnequal = false;
    bool plannedComparisons = false;
    bool trendTests = false;
    bool postHocComparisons = false;

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

    // A transformation or screen was applied: `scores` are now in use and marked transformed,
    // and `step` (how the legend names it) is added to the steps applied.
    void transformTo(Scores scores, std::string step = {});
    // "Revert to OK'd Data": the OK'd scores are in use again, marked as they were when accepted.
    void revert();
    // Everything as it was in `earlier` (an undo or redo back to its scores); this run's outlier
    // check setting stays.
    void restore(const AcceptedData& earlier)
    {
        const bool check = outlierCheck;
        *this = earlier;
        outlierCheck = check;
    }
    // The scores in use were transformed or screened (printouts say "Transformed Data").
    bool transformed() const { return transformed_; }
    // The steps that made the scores in use from the scores read or typed, in order (those of
    // transformed values accepted again included); empty for raw scores.
    const std::vector<std::string>& steps() const { return steps_; }
    // The steps applied since the scores were last accepted ("Data OK"), in order.
    std::vector<std::string> stepsSinceOk() const
    {
        if (steps_.size() < okSteps_.size())
            return {};
        return {steps_.begin() + static_cast<std::ptrdiff_t>(okSteps_.size()), steps_.end()};
    }
    // New data came into the grid (opened from a file, or cleared for typing): whatever is
    // accepted next is raw.
    void markRaw()
    {
        transformed_ = okTransformed_ = false;
        steps_.clear();
        okSteps_.clear();
    }

    bool outlierCheck = true;  // the preference unless changed at "Data OK"

private:
    Scores scores_;
    Scores okScores_;
    bool accepted_ = false;
    bool transformed_ = false;
    bool okTransformed_ = false;  // the OK'd scores were themselves transformed values
    std::vector<std::string> steps_;
    std::vector<std::string> okSteps_;  // the steps behind the OK'd scores
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
