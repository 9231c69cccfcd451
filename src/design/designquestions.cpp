// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/designquestions.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <initializer_list>

#include "data/datafile.h"
#include "engine/numbertext.h"
#include "platform/settingsstore.h"
#include "analysis/analysisservice.h"
#include "session/recentfiles.h"

namespace varisect {

namespace {

constexpr const char* kGenericSuffix = "   (Click here to replace this generic factor name)";
constexpr int kModeFactorCount = 3;
constexpr int kStartFactorCount = 2;
constexpr int kStartLevels = 2;
// Values typed into the number boxes are held below this, so no product or conversion overflows.
constexpr double kLargestBoxValue = 1e9;

bool isAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The whole number a box holds: its numeric value, rounded, kept within 0 .. kLargestBoxValue.
long boxValue(const std::string& text)
{
    const double v = std::clamp(parseNumber(text), 0.0, kLargestBoxValue);
    return static_cast<long>(std::nearbyint(v));
}

std::string joinParagraphs(std::initializer_list<const char*> paragraphs)
{
    std::string out;
    for (const char* p : paragraphs) {
        if (!out.empty())
            out += kMessageLineBreak;
        out += p;
    }
    return out;
}

Message changeRequired(const std::string& text)
{
    return {"Change required!", text, MessageButtons::Ok, MessageIcon::Critical};
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

DesignQuestions::DesignQuestions(DesignQuestionParts parts) : parts_(std::move(parts))
{
    const ModeFlags& m = parts_.mode;
    if (m.unweightedMeans)
        mode_ = UnequalMode::UnweightedMeans;
    else if (m.randomAttritionTest)
        mode_ = UnequalMode::RandomAttrition;
    else if (m.twoFactorUnequal)
        mode_ = parts_.design.design.nested ? UnequalMode::UnequalGroupSize : UnequalMode::ProportionalCellSize;

    if (parts_.design.design.factors.empty())
        resetFactors(mode_ == UnequalMode::None ? kStartFactorCount : kModeFactorCount);
    applyOrdinaryCaption();
    if (mode_ != UnequalMode::None)
        proceedCaption_ = kCaptionAnovaDesign;
}

std::string DesignQuestions::genericName(int factor)
{
    return std::string(1, static_cast<char>('A' + factor - 1)) + kGenericSuffix;
}

bool DesignQuestions::isGeneric(int factor) const
{
    return factor >= 1 && factor <= factorCount() && factorAt(factor).name == genericName(factor);
}

Factor& DesignQuestions::factorAt(int factor)
{
    return parts_.design.design.factors.at(static_cast<std::size_t>(factor - 1));
}

const Factor& DesignQuestions::factorAt(int factor) const
{
    return parts_.design.design.factors.at(static_cast<std::size_t>(factor - 1));
}

int DesignQuestions::currentLevels() const
{
    return factorAt(current_).levels;
}

std::string DesignQuestions::currentName() const
{
    return factorAt(current_).name;
}

std::string DesignQuestions::levelsQuestion() const
{
    return "How many levels are there in Factor" + numberText(current_) + "?";
}

std::string DesignQuestions::nameQuestion() const
{
    return "What name do you want to assign to Factor" + numberText(current_) + "?";
}

std::string DesignQuestions::confirmationText() const
{
    // With unequal cell sizes the number of scores is not known yet: the question is about the
    // factors, so that the adjust button answers a question there too.
    if (mode_ != UnequalMode::None)
        return "Are these factors and their levels correct?";
    return "The program is expecting" + numberText(static_cast<double>(parts_.design.design.scoreCount())) +
           " scores.  Is that correct?";
}

std::string DesignQuestions::noteCaption() const
{
    switch (mode_) {
    case UnequalMode::None:
        return kNoteOrdinary;
    case UnequalMode::UnequalGroupSize:
        return kNoteSubjects;
    default:
        return kNoteReplicates;
    }
}

void DesignQuestions::resetFactors(int count)
{
    parts_.design.design.factors.clear();
    for (int j = 1; j <= count; ++j) {
        Factor f;
        f.name = genericName(j);
        f.tableLabel = static_cast<char>('A' + j - 1);
        f.levels = kStartLevels;
        parts_.design.design.factors.push_back(std::move(f));
    }
    current_ = 1;
    stage_ = SpecStage::Entering;
    countValid_ = true;
    okEnabled_ = true;
}

void DesignQuestions::applyOrdinaryCaption()
{
    proceedCaption_ = parts_.design.labelsInUse ? kCaptionEnterLabels : kCaptionProceedToDataEntry;
}

CountChange DesignQuestions::setFactorCountText(const std::string& text)
{
    CountChange change;
    long value = boxValue(text);
    if (value < kMinFactors) {
        countValid_ = false;
        return change;
    }
    // A corrected value is checked again, as if it had been typed: in the random-attrition mode
    // 9 factors become 2 and then 3.
    for (;;) {
        if (parts_.mode.randomAttritionTest && value < kModeFactorCount) {
            change.messages.push_back({"Error",
                                       "There must be at least 3 factors.  If there is only one substantive "
                                       "factors, Solovar can be used; unequal cell size is not an issue.",
                                       MessageButtons::Ok, MessageIcon::Exclamation});
            value = kModeFactorCount;
            change.boxValue = static_cast<int>(value);
            continue;
        }
        if (auto tooMany = checkFactorCount(static_cast<int>(value))) {
            change.messages.push_back(*tooMany);
            value = kStartFactorCount;
            change.boxValue = static_cast<int>(value);
            continue;
        }
        break;
    }
    resetFactors(static_cast<int>(value));
    return change;
}

void DesignQuestions::setLevelsText(const std::string& text)
{
    const long value = boxValue(text);
    factorAt(current_).levels = static_cast<int>(value);
    if (value >= kStartLevels)
        okEnabled_ = true;
}

std::optional<Message> DesignQuestions::setNameText(const std::string& text)
{
    Factor& f = factorAt(current_);
    if (text.empty()) {
        f.name.clear();
        return std::nullopt;
    }
    if (!isAsciiLetter(text[0]) && text[0] != '"') {
        f.name.clear();
        return Message{"Error", "The factor name must begin with an alphabetic character!", MessageButtons::Ok,
                       MessageIcon::Critical};
    }
    f.name = text;
    f.name[0] = upper(f.name[0]);
    return std::nullopt;
}

std::optional<Message> DesignQuestions::checkNumberBoxText(const std::string& text)
{
    const bool fine = std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
    if (fine)
        return std::nullopt;
    return Message{"Error!", "Only numeric characters are permitted here", MessageButtons::Ok, MessageIcon::Critical};
}

std::optional<Message> DesignQuestions::checkNumberBoxEnter(const std::string& text)
{
    if (parseNumber(text) != 0)
        return std::nullopt;
    return Message{"Error!", "Please enter a number", MessageButtons::Ok, MessageIcon::None};
}

std::optional<Message> DesignQuestions::accept()
{
    if (stage_ != SpecStage::Entering || !okEnabled())
        return std::nullopt;
    const std::string& name = factorAt(current_).name;
    if (auto m = checkNameStart(name))
        return m;
    if (auto comma = commaRefusal(name, "factor name"))
        return changeRequired(*comma);

    if (current_ < factorCount()) {
        ++current_;
        return std::nullopt;
    }

    if (auto problem = checkLevels(parts_.design.design))
        return problem->message;
    if (auto m = checkScoreCount(parts_.design.design))
        return m;

    stage_ = SpecStage::Confirming;
    if (mode_ != UnequalMode::None)
        proceedCaption_ = parts_.design.labelsInUse ? kCaptionEnterLabelsUnequal : kCaptionAnovaDesign;
    return std::nullopt;
}

ProceedOutcome DesignQuestions::proceed()
{
    ProceedOutcome out;
    if (stage_ != SpecStage::Confirming)
        return out;

    for (int j = 1; j <= factorCount(); ++j)
        if (isGeneric(j))
            factorAt(j).name = std::string(1, static_cast<char>('A' + j - 1));

    const Design& design = parts_.design.design;
    std::optional<DesignProblem> problem = checkNamesGiven(design);
    if (!problem)
        problem = checkUniqueInitials(design);
    if (!problem)
        problem = checkNameCommas(design);
    if (problem) {
        stage_ = SpecStage::Entering;
        current_ = problem->factor;
        out.message = problem->message;
        return out;
    }

    largestLevels_ = 0;
    for (const Factor& f : parts_.design.design.factors)
        largestLevels_ = std::max(largestLevels_, f.levels);
    // The design is complete: every window and table from here on takes its labels.
    setTableLabelsFromNames(parts_.design.design);

    if (mode_ != UnequalMode::None) {
        out.target = ProceedTarget::AnovaDesign;
        return out;
    }
    // Labels are asked for when the caption offers them, and again when the levels changed
    // after they were given.
    bool labelsComplete = true;
    for (const Factor& f : parts_.design.design.factors)
        if (static_cast<int>(f.levelLabels.size()) != f.levels ||
            std::any_of(f.levelLabels.begin(), f.levelLabels.end(), [](const std::string& s) { return s.empty(); }))
            labelsComplete = false;
    if (parts_.design.labelsInUse && (proceedCaption_ == kCaptionEnterLabels || !labelsComplete)) {
        for (Factor& f : parts_.design.design.factors)
            f.levelLabels.resize(static_cast<std::size_t>(f.levels));
        proceedCaption_ = kCaptionLabelsDone;
        out.target = ProceedTarget::LevelLabels;
        return out;
    }
    out.target = ProceedTarget::DataEntry;
    return out;
}

void DesignQuestions::adjust()
{
    stage_ = SpecStage::Entering;
    current_ = 1;
}

void DesignQuestions::startOver()
{
    if (parts_.restart)
        parts_.restart();
    mode_ = UnequalMode::None;
    recentFilesEnabled_ = true;
    largestLevels_ = 0;
    resetFactors(kStartFactorCount);
    applyOrdinaryCaption();
}

void DesignQuestions::setUseLevelLabels(bool on)
{
    parts_.preferences.useLevelLabels = on;
    parts_.design.labelsInUse = on;
    if (mode_ != UnequalMode::None)
        proceedCaption_ = kCaptionAnovaDesign;
    else
        applyOrdinaryCaption();
}

void DesignQuestions::switchOff()
{
    parts_.mode.randomAttritionTest = false;
    parts_.mode.unweightedMeans = false;
    parts_.mode.twoFactorUnequal = false;
    mode_ = UnequalMode::None;
    recentFilesEnabled_ = true;
    applyOrdinaryCaption();
}

void DesignQuestions::switchOn(UnequalMode mode, bool attritionTest)
{
    switchOff();
    ModeFlags& m = parts_.mode;
    switch (mode) {
    case UnequalMode::RandomAttrition:
        m.randomAttritionTest = true;
        break;
    case UnequalMode::UnweightedMeans:
        m.unweightedMeans = true;
        m.randomAttritionTest = attritionTest;
        break;
    case UnequalMode::ProportionalCellSize:
        m.twoFactorUnequal = true;
        parts_.design.design.nested = false;
        break;
    case UnequalMode::UnequalGroupSize:
        m.twoFactorUnequal = true;
        parts_.design.design.nested = true;
        break;
    case UnequalMode::None:
        return;
    }
    mode_ = mode;
    resetFactors(kModeFactorCount);
    proceedCaption_ = kCaptionAnovaDesign;
}

ModeStep DesignQuestions::toggleMode(UnequalMode mode)
{
    ModeStep step;
    if (mode == UnequalMode::None)
        return step;
    if (mode_ == mode) {
        switchOff();
        return step;
    }
    step.message = modeExplanation(mode);
    if (mode == UnequalMode::UnweightedMeans) {
        step.question = true;  // nothing changes until the answer is known
        return step;
    }
    switchOn(mode, true);
    return step;
}

void DesignQuestions::answerUnweightedMeans(DialogAnswer answer)
{
    if (answer == DialogAnswer::Yes)
        switchOn(UnequalMode::UnweightedMeans, false);
    else if (answer == DialogAnswer::No)
        switchOn(UnequalMode::UnweightedMeans, true);
}

void DesignQuestions::toggleTrendTests()
{
    parts_.mode.trendTests = !parts_.mode.trendTests;
    if (parts_.mode.trendTests)
        parts_.mode.plannedComparisons = parts_.mode.postHocComparisons = false;
}

void DesignQuestions::togglePlannedComparisons()
{
    parts_.mode.plannedComparisons = !parts_.mode.plannedComparisons;
    if (parts_.mode.plannedComparisons)
        parts_.mode.trendTests = parts_.mode.postHocComparisons = false;
}

void DesignQuestions::togglePostHocComparisons()
{
    parts_.mode.postHocComparisons = !parts_.mode.postHocComparisons;
    if (parts_.mode.postHocComparisons)
        parts_.mode.trendTests = parts_.mode.plannedComparisons = false;
}

std::optional<Message> DesignQuestions::restoreRecent(int entry, SettingsStore& store)
{
    auto& entries = parts_.recentFiles.entries;
    if (entry < 1 || entry > static_cast<int>(entries.size()))
        return std::nullopt;
    const RecentFileRecord record = entries[static_cast<std::size_t>(entry - 1)];

    Design& design = parts_.design.design;
    design.factors.clear();
    for (int j = 0; j < record.factorCount(); ++j) {
        Factor f;
        f.name = record.factorNames[static_cast<std::size_t>(j)];
        f.tableLabel = f.name.empty() ? static_cast<char>('A' + j) : upper(f.name[0]);
        f.levels = j < static_cast<int>(record.levels.size()) ? record.levels[static_cast<std::size_t>(j)] : 0;
        if (record.labelsInUse && j < static_cast<int>(record.levelLabels.size()))
            f.levelLabels = record.levelLabels[static_cast<std::size_t>(j)];
        design.factors.push_back(std::move(f));
    }
    setTableLabelsFromNames(design);
    parts_.design.problemLabel = record.problemLabel;
    parts_.design.labelsInUse = record.labelsInUse;
    parts_.file.chosen(record.path, entry);
    // The design comes with its file: the checks of the proceed button are not run again, and
    // labels given before are not asked for again.
    current_ = 1;
    stage_ = SpecStage::Confirming;
    recentFilesEnabled_ = false;
    if (mode_ != UnequalMode::None)
        proceedCaption_ = kCaptionAnovaDesign;
    else
        proceedCaption_ = parts_.design.labelsInUse ? kCaptionLabelsDone : kCaptionProceedToDataEntry;

    if (entry == 1)
        return std::nullopt;
    parts_.recentFiles.lastFileToTop(record, entry);
    parts_.file.movedInRecentList(1);  // where the file now stands in the list
    if (parts_.recentFiles.write(store))
        return std::nullopt;
    return Message{"Error in Saving!",
                   std::string("The program ran into a minor problem attempting to write the file name to the list "
                               "of recently accessed files.") +
                       kMessageLineBreak + "The list of recently accessed files may not be correct the next time you "
                                           "start the program.",
                   MessageButtons::Ok, MessageIcon::Exclamation};
}

Message DesignQuestions::purposeMessage()
{
    return {"Purpose",
            joinParagraphs({"     This program performs factorial analysis of variance for up to eight factors, with up "
                            "to 16352 scores.  It handles independent groups and repeated measures designs, as well "
                            "as allowing for nesting (so mixed designs are accommodated).  Simple effects may be "
                            "examined after the primary analysis has been conducted.  Factorial plots are available.",
                            "     The input grid accepts one score per factorial combination; replicates and/or "
                            "subjects are treated as ordinary factors."}),
            MessageButtons::Ok, MessageIcon::Information};
}

Message DesignQuestions::modeExplanation(UnequalMode mode)
{
    switch (mode) {
    case UnequalMode::RandomAttrition:
        return {"Test for Random Attrition",
                joinParagraphs({"     This test explores the null hypothesis of equality in the number of scores present "
                                "in each cell of the design.",
                                "  If the researcher has planned for equal cell size, significant inequality is a "
                                "signal that a non-random process may have contributed to the lost scores.",
                                "  The test is applicable to independent groups designs, and should normally precede "
                                "an analytic procedure that presumes random attrition, such as the method of "
                                "unweighted means.",
                                "      (The numbers of scores must be entered manually; the file menu is not "
                                "available for cell sizes.)",
                                "      For the replicates factor, enter as the number of levels the intended (equal) "
                                "number of scores per cell."}),
                MessageButtons::Ok, MessageIcon::Information};
    case UnequalMode::UnweightedMeans:
        return {"Unweighted Means Anova",
                joinParagraphs({"    The analysis is applicable to independent groups designs when inequalities in "
                                "cell sizes are the result of random occurrences.",
                                "  If the researcher has planned for equal cell size, significant inequality is a "
                                "signal that a non-random process may have contributed to the lost scores.",
                                "  The program's default is to precede the analysis with the Test for Random "
                                "Attrition.  This is strongly recommended.",
                                "      For the replicates factor, enter as the number of levels the largest cell size.",
                                "      This analysis is not orthogonal.  The statistical tests are slightly biased, so "
                                "that you may wish to use a slightly more stringent level when assessing "
                                "significance.",
                                "     Do you wish to skip the Test for Random Attrition?  You may also cancel this "
                                "analysis."}),
                MessageButtons::YesNoCancel, MessageIcon::Information};
    case UnequalMode::ProportionalCellSize:
        return {"Proportional Cell Sizes Anova",
                joinParagraphs({"     This analysis is appropriate when inequalities in cell sizes reflect "
                                "inequalities in the population.",
                                "  The procedure is used for an independent groups design with two substantive "
                                "factors (plus replicates).",
                                "  Cell sizes are proportional when each cell size is the product of proportionality "
                                "constants for both factors.",
                                "      For the replicates factor, enter as the number of levels the largest cell size."}),
                MessageButtons::Ok, MessageIcon::Information};
    case UnequalMode::UnequalGroupSize:
        return {"Unequal Group Sizes Anova",
                joinParagraphs({"     This analysis is appropriate for a repeated-measures design with two substantive "
                                "factors, in which the subjects factor is nested under one substantive factor and "
                                "crossed with the other.",
                                "  The procedure is used when the number of subjects in the groups resulting from the "
                                "nesting structure is unequal.",
                                "      For the subjects factor, enter as the number of levels the largest group size."}),
                MessageButtons::Ok, MessageIcon::Information};
    case UnequalMode::None:
        break;
    }
    return {};
}

Message DesignQuestions::preferenceNotStoredMessage()
{
    return {"Preference not saved!",
            "The setting could not be written to the settings store.  It applies until the program ends, but the "
            "next start will not remember it.",
            MessageButtons::Ok, MessageIcon::Exclamation};
}

RecentFileProbe probeRecentFile(const std::string& path, bool unequalCellMode)
{
    RecentFileProbe probe;
    std::ifstream in(path, std::ios::binary);
    std::string first;
    DataLineReader reader(in, ReadLimits{}.maxLineLength);
    const auto status = in ? reader.next(first) : DataLineReader::Status::Failed;
    if (!in.is_open() || status == DataLineReader::Status::Failed) {
        probe.result = RecentFileProbe::Result::NotFound;
        probe.message = {"File Not Found!",
                         "The file called for cannot be found.  If you can rectify the situation (for example, by "
                         "inserting the correct diskette), then Retry after rectification.  Otherwise Cancel to start "
                         "over.",
                         MessageButtons::RetryCancel, MessageIcon::Critical};
        return probe;
    }
    const bool unequalFile = status == DataLineReader::Status::Line && trimmed(first) == kUnequalNMarker;
    if (unequalFile == unequalCellMode)
        return probe;
    probe.result = RecentFileProbe::Result::WrongKind;
    probe.message.title = "Incorrect File?";
    probe.message.icon = MessageIcon::Critical;
    probe.message.text =
        unequalFile ? std::string("The file you have selected contains an unequal N data set.  If you want to access "
                                  "this file, please invoke the desired choice from the Unequal Cell Size Menu prior "
                                  "to selecting the file.")
                    : std::string("The file you have selected does not contain an unequal N data set.  If you do not "
                                  "wish to conduct an unequal group size analysis, de-select the choice from the "
                                  "Unequal Cell Size Menu.") +
                          kMessageLineBreak + "Otherwise, please choose another file or use manual entry.";
    return probe;
}

}  // namespace varisect
