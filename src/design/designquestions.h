// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the main window: the questions that describe the design (number of factors, then
// levels and name of each factor), the confirmation of the number of scores, the way on, the
// unequal-cell-size modes, the specific comparisons and the restoring of a recent file's design.
// The window shows what these rules hold and the messages they return; it keeps no rules itself.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "session/session.h"
#include "engine/prompts.h"
#include "platform/dialogs.h"

namespace varisect {

class SettingsStore;

inline constexpr const char* kMainWindowTitle = "Factorial Analysis of Variance";

inline constexpr const char* kCaptionProceedToDataEntry = "&Yes, Proceed to Data Entry";
inline constexpr const char* kCaptionEnterLabels = "Yes, Enter &Labels for Levels...";
inline constexpr const char* kCaptionAnovaDesign = "&Anova Design...";
inline constexpr const char* kCaptionEnterLabelsUnequal = "Enter &Labels for Levels...";
inline constexpr const char* kCaptionLabelsDone = "&Proceed to Data Entry";

inline constexpr const char* kNoteOrdinary = "(Include Subjects and Replicates as applicable)";
inline constexpr const char* kNoteReplicates = "(Include Replicates as a Factor)";
inline constexpr const char* kNoteSubjects = "(Include Subjects as a Factor)";

inline constexpr int kMaxLevelsUpDown = 300;

enum class UnequalMode { None, RandomAttrition, UnweightedMeans, ProportionalCellSize, UnequalGroupSize };

enum class SpecStage {
    Entering,    // the number of factors, or levels and name of the current factor
    Confirming,  // all factors given; the number of scores is shown for confirmation
};

enum class ProceedTarget { Stay, DataEntry, LevelLabels, AnovaDesign };

struct CountChange {
    std::vector<Message> messages;  // to show in order
    std::optional<int> boxValue;    // the value the box is to show instead of what was typed
};

struct ProceedOutcome {
    std::optional<Message> message;
    ProceedTarget target = ProceedTarget::Stay;
};

struct ModeStep {
    std::optional<Message> message;  // to show after the change (or the question, see below)
    bool question = false;           // the message is the Yes/No/Cancel question of the unweighted
                                     // means analysis (No is its default); pass the answer to
                                     // answerUnweightedMeans
};

// What reading the first line of a recent file found.
struct RecentFileProbe {
    enum class Result { Fits, NotFound, WrongKind };
    Result result = Result::Fits;
    Message message;  // NotFound: Retry/Cancel; WrongKind: "Incorrect File?"
};

// The parts of the session the design questions work on.
struct DesignQuestionParts {
    DesignState& design;          // the factors, the problem label, whether levels carry labels
    ModeFlags& mode;              // the unequal-cell-size analyses and the specific comparisons
    Preferences& preferences;     // "Use Level Labels" as the menu sets it
    RecentFileList& recentFiles;  // a restored entry moves to the top
    FileState& file;              // a restored entry's file becomes the one to open
    std::function<void()> restart;  // Start Over: the session's restart (see Session::restart)
};

class DesignQuestions {
public:
    // A design without factors (a new run or a restart) starts with 2 factors of 2 levels and
    // generic names; the unequal-cell-size item is taken from the flags already set.
    explicit DesignQuestions(DesignQuestionParts parts);

    // ---- what the window shows
    static std::string genericName(int factor);
    bool isGeneric(int factor) const;
    SpecStage stage() const { return stage_; }
    int currentFactor() const { return current_; }
    int factorCount() const { return parts_.design.design.factorCount(); }
    int currentLevels() const;
    std::string currentName() const;
    bool currentNameIsGeneric() const { return isGeneric(current_); }
    bool okEnabled() const { return countValid_ && okEnabled_; }
    bool levelsEnabled() const { return countValid_; }
    bool entryEnabled() const { return stage_ == SpecStage::Entering; }
    bool confirmationVisible() const { return stage_ == SpecStage::Confirming; }
    std::string levelsQuestion() const;
    std::string nameQuestion() const;
    std::string confirmationText() const;
    const std::string& proceedCaption() const { return proceedCaption_; }
    std::string noteCaption() const;
    bool recentFilesEnabled() const { return recentFilesEnabled_ && mode_ != UnequalMode::RandomAttrition; }
    UnequalMode mode() const { return mode_; }
    int largestLevels() const { return largestLevels_; }

    // ---- the boxes
    // Every change of the number-of-factors box.
    CountChange setFactorCountText(const std::string& text);
    // The number-of-factors box was left empty: the factors stay as they were.
    void keepFactorCount() { countValid_ = true; }
    // Every change of the levels box: the current factor's number of levels.
    void setLevelsText(const std::string& text);
    // Every change of the name box. A message means the text was refused and the box is to be
    // emptied.
    std::optional<Message> setNameText(const std::string& text);
    void setProblemLabel(const std::string& text) { parts_.design.problemLabel = text; }

    // Characters a number box accepts: digits and the decimal point. The message when others
    // were typed (the box is to be emptied).
    static std::optional<Message> checkNumberBoxText(const std::string& text);
    // Enter in a number box: the message when its value is 0 (the focus stays), else nothing.
    static std::optional<Message> checkNumberBoxEnter(const std::string& text);

    // ---- the buttons
    std::optional<Message> accept();  // OK
    ProceedOutcome proceed();
    void adjust();
    // Start Over: the session is restarted (DesignQuestionParts::restart), then 2 factors.
    void startOver();

    // ---- the menus
    void setUseLevelLabels(bool on);
    ModeStep toggleMode(UnequalMode mode);
    void answerUnweightedMeans(DialogAnswer answer);
    void toggleTrendTests();
    void togglePlannedComparisons();
    // Switching post hoc comparisons on switches the other two off.
    void togglePostHocComparisons();

    // The design of recent-file entry `entry` (1-based) becomes the current one, its path the
    // open file name; an entry below the first moves to the top of the list and the list is
    // stored. The recent files are disabled afterwards. A message when the list could not be
    // stored (the design is restored all the same).
    std::optional<Message> restoreRecent(int entry, SettingsStore& store);

    static Message purposeMessage();
    static Message modeExplanation(UnequalMode mode);
    static Message preferenceNotStoredMessage();

private:
    void resetFactors(int count);
    void applyOrdinaryCaption();
    void switchOn(UnequalMode mode, bool attritionTest);
    void switchOff();
    Factor& factorAt(int factor);
    const Factor& factorAt(int factor) const;

    DesignQuestionParts parts_;
    SpecStage stage_ = SpecStage::Entering;
    int current_ = 1;
    bool countValid_ = true;
    bool okEnabled_ = true;
    bool recentFilesEnabled_ = true;
    UnequalMode mode_ = UnequalMode::None;
    std::string proceedCaption_;
    int largestLevels_ = 0;
};

// Reads the first line of a recent file and checks it against the unequal-cell-size mode: a
// file of the unequal-N layout needs one of those modes, and such a mode needs such a file.
RecentFileProbe probeRecentFile(const std::string& path, bool unequalCellMode);

}  // namespace varisect
