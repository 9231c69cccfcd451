// SPDX-License-Identifier: GPL-3.0-or-later
#include "unequal/unequalworkflow.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "data/datafilemessages.h"
#include "engine/numbertext.h"
#include "session/session.h"
#include "unequal/attrition.h"
#include "unequal/groupsizes.h"
#include "unequal/proportional.h"
#include "unequal/unequalsimpleeffects.h"
#include "unequal/unweightedmeans.h"

namespace varisect {

namespace {

constexpr const char* kCellSizesOk = "Cell Sizes &OK";
constexpr const char* kGroupSizesOk = "Group Sizes &OK";
constexpr const char* kDataOk = "Data &OK";
constexpr const char* kAttritionTable = "&Attrition Anova Table";
constexpr const char* kAnovaTable = "Anova Ta&ble";

const UnequalModeInfo kModes[] = {
    {UnequalAnalysisMode::Attrition, "attrition", UnequalAnalysis::UnweightedMeans, "Attrition ",
     "E&nter Data for Unweighted Means Anova"},
    {UnequalAnalysisMode::UnweightedMeans, "unweighted", UnequalAnalysis::UnweightedMeans, "Unweighted Means ",
     "E&nter Data for Unweighted Means Anova"},
    {UnequalAnalysisMode::Proportional, "proportional", UnequalAnalysis::ProportionalCellSizes, "Proportional Cell Size ",
     "E&nter Data for Proportional-N Anova"},
    {UnequalAnalysisMode::GroupSizes, "groupsizes", UnequalAnalysis::UnequalGroupSizes, "Unequal Group Size ",
     "E&nter Data for Unequal Group Size Anova"},
};

bool hasDesignated(const Design& d)
{
    return d.designatedFactor >= 1 && d.designatedFactor <= d.factorCount();
}

// A design whose subjects are not nested under one of its two other factors cannot be analysed
// for unequal group sizes.
Message notGroupSizesDesignMessage(const Design& design)
{
    return {"Error!",
            "   The Unequal Group Sizes design needs three factors, with the subjects factor, " +
                design.factor(design.designatedFactor).name +
                ", nested under one of the other two and crossed with the other.  Please correct the design in "
                "the Anova design window.",
            MessageButtons::Ok, MessageIcon::Critical};
}

Message notProportionalDesignMessage()
{
    return {"Error!",
            "   The Proportional Cell Size analysis needs three crossed factors: two substantive factors and the "
            "replicates factor.  Please correct the design.",
            MessageButtons::Ok, MessageIcon::Critical};
}

UnequalFileRead problem(Message message, std::string detail, bool detailSaysAll = false)
{
    UnequalFileRead read;
    read.problem = UnequalFileProblem{std::move(message), std::move(detail), detailSaysAll};
    return read;
}

std::string factorNamed(const Design& design, int k)
{
    return "factor " + std::to_string(k) + " (" + design.factor(k).name + ")";
}

// The roles of `layout` given to `design`.
void adoptRoles(Design& design, const DataLayout& layout, UnequalAnalysisMode mode)
{
    design.designatedFactor = layout.designatedFactor;
    if (mode != UnequalAnalysisMode::GroupSizes) {
        design.anovaType = AnovaType::IndependentGroups;
        return;
    }
    design.anovaType = AnovaType::RepeatedMeasures;
    design.nested = true;
    design.nestingMatrix = {
        {design.factor(layout.designatedFactor).tableLabel, design.factor(layout.groupingFactor).tableLabel}};
}

// Why the roles of `layout` are not those of `design`, or nothing.
std::optional<std::string> rolesMismatch(const Design& design, const DataLayout& layout, UnequalAnalysisMode mode)
{
    const char* designated = mode == UnequalAnalysisMode::GroupSizes ? "subjects" : "replicates";
    if (layout.designatedFactor != design.designatedFactor)
        return "it names " + factorNamed(design, layout.designatedFactor) + " as the " + designated +
               " factor, the design " + factorNamed(design, design.designatedFactor) + ".";
    if (mode != UnequalAnalysisMode::GroupSizes)
        return std::nullopt;
    const std::optional<GroupRoles> roles = groupRoles(design);
    if (!roles || roles->grouping != layout.groupingFactor || roles->crossed != layout.crossedFactor)
        return "it nests the subjects under " + factorNamed(design, layout.groupingFactor) +
               ", the design does not.";
    return std::nullopt;
}

std::string sizeWhere(const std::string& path, const DataLayout& layout, UnequalAnalysisMode mode, int entry)
{
    if (entry == 0)
        return path + ":";
    const long line = layout.headerLineCount() - static_cast<long>(layout.cellSizes.size()) + entry;
    return path + ", " + (mode == UnequalAnalysisMode::GroupSizes ? "group " : "cell ") + std::to_string(entry) +
           " (line " + std::to_string(line) + "):";
}

}  // namespace

// ---- The modes ----

const UnequalModeInfo& unequalModeInfo(UnequalAnalysisMode mode)
{
    for (const UnequalModeInfo& m : kModes)
        if (m.mode == mode)
            return m;
    throw std::invalid_argument("not an unequal-cell-size mode");
}

std::optional<UnequalAnalysisMode> unequalModeNamed(const std::string& name)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const UnequalModeInfo& m : kModes)
        if (lower == m.name)
            return m.mode;
    return std::nullopt;
}

std::optional<UnequalAnalysisMode> unequalModeOf(const ModeFlags& flags, const Design& design)
{
    if (flags.twoFactorUnequal)
        return design.nested ? UnequalAnalysisMode::GroupSizes : UnequalAnalysisMode::Proportional;
    if (flags.unweightedMeans)
        return UnequalAnalysisMode::UnweightedMeans;
    if (flags.randomAttritionTest)
        return UnequalAnalysisMode::Attrition;
    return std::nullopt;
}

std::optional<Message> unequalDesignProblem(const Design& design, UnequalAnalysisMode mode)
{
    if (!hasDesignated(design))
        return noDesignatedFactorMessage();
    if (mode == UnequalAnalysisMode::GroupSizes && !groupRoles(design))
        return notGroupSizesDesignMessage(design);
    if (mode == UnequalAnalysisMode::Proportional && design.factorCount() != 3)
        return notProportionalDesignMessage();
    return std::nullopt;
}

// ---- Unequal-N data files ----

UnequalFileRead readUnequalFile(const std::string& path, const Design& given, UnequalAnalysisMode mode, FileRoles roles)
{
    const UnequalAnalysis kind = unequalModeInfo(mode).fileKind;
    DataLayoutResult read = readUnequalNDataFile(path, kind);
    if (!read.ok()) {
        const DataReadError& error = *read.error;
        if (error.kind == DataReadError::Kind::NotUnequalNFile)
            return problem(notSavedForAnalysisMessage(kind), error.message);
        return problem(error.kind == DataReadError::Kind::DesignMismatch ? scoreCountMismatchMessage(false)
                                                                         : dataFileProblemMessage(error),
                       error.message, true);
    }
    return unequalFileFromLayout(std::move(read.layout), given, mode, roles, path);
}

UnequalFileRead unequalFileFromLayout(DataLayout layout, const Design& given, UnequalAnalysisMode mode, FileRoles roles,
                                      const std::string& path)
{
    if (const auto mismatch = checkLayoutAgainstDesign(layout, given, path))
        return problem(scoreCountMismatchMessage(false), mismatch->message, true);

    UnequalFile file;
    file.design = given;
    if (roles == FileRoles::Adopt) {
        adoptRoles(file.design, layout, mode);
    } else if (!hasDesignated(given)) {
        return problem(noDesignatedFactorMessage(), path + ": the design has no replicates or subjects factor.");
    } else if (const auto roleProblem = rolesMismatch(given, layout, mode)) {
        return problem(scoreCountMismatchMessage(false), "The header of " + path + " does not fit the design: " +
                                                             *roleProblem, true);
    }
    Design& d = file.design;
    const long expected = expectedScoreCount(layout, d);
    if (static_cast<long>(layout.items.size()) != expected)
        return problem(scoreCountMismatchMessage(false), path + " holds " + std::to_string(layout.items.size()) +
                                                             " scores; its header calls for " +
                                                             std::to_string(expected) + ".");

    // The file's largest cell may exceed the planned number: the planned number follows it.
    Factor& designated = d.factors.at(static_cast<std::size_t>(d.designatedFactor - 1));
    for (long n : layout.cellSizes)
        designated.levels = static_cast<int>(std::max<long>(designated.levels, n));
    const std::vector<double> values(layout.cellSizes.begin(), layout.cellSizes.end());
    CellSizeCheck check;
    try {
        check = checkCellSizes(values, d, mode);
    } catch (const std::invalid_argument&) {
        return problem(scoreCountMismatchMessage(false), path + ": the file does not fit the design.");
    }
    if (!check.ok())
        return problem(*check.message, sizeWhere(path, layout, mode, check.failedEntry));

    file.sizes = std::move(check.sizes);
    for (const ScoreItem& item : layout.items) {
        file.texts.push_back(item.text);
        file.imputed.push_back(item.imputed);
        file.scores.push_back(item.value);
        file.imputedCount += item.imputed ? 1 : 0;
    }
    file.layout = std::move(layout);
    UnequalFileRead result;
    result.file = std::move(file);
    return result;
}

// ---- Running an analysis ----

UnequalRun runUnequalAnalysis(UnequalAnalysisMode mode, const Design& design, const std::vector<long>& sizes,
                              const Scores& scores, const std::vector<bool>& imputed, Prompts& prompts, bool exactP)
{
    UnequalRun run;
    run.titlePrefix = unequalModeInfo(mode).titlePrefix;
    try {
        switch (mode) {
        case UnequalAnalysisMode::Attrition: {
            AttritionOutcome o = runAttritionTest(design, sizes, prompts);
            run.table = std::move(o.table);
            run.attritionSignificant = o.significant;
            run.tableDesign = design;
            run.tableDesign.anovaType = AnovaType::IndependentGroups;
            break;
        }
        case UnequalAnalysisMode::UnweightedMeans: {
            UnweightedMeansOutcome o = unweightedMeansAnalysis(design, sizes, scores, prompts, exactP);
            run.table = std::move(o.table);
            run.refusal = std::move(o.refusal);
            run.unweightedMeans = true;
            run.harmonicMeanCellSize = o.harmonicMeanCellSize;
            run.tableDesign = o.cellDesign;
            run.cellDesign = std::move(o.cellDesign);
            run.cellMeans = std::move(o.cellMeans);
            run.graphValues = GraphValues::UnweightedMeans;
            break;
        }
        case UnequalAnalysisMode::Proportional: {
            ProportionalOutcome o = proportionalAnalysis(design, sizes, scores, prompts, exactP);
            run.table = std::move(o.table);
            run.refusal = std::move(o.refusal);
            run.tableDesign = o.cellDesign;
            run.cellDesign = std::move(o.cellDesign);
            run.cellMeans = std::move(o.cellMeans);
            break;
        }
        case UnequalAnalysisMode::GroupSizes: {
            const int imputedCount = static_cast<int>(std::count(imputed.begin(), imputed.end(), true));
            GroupSizesOutcome o = unequalGroupSizesAnalysis(design, sizes, scores, imputedCount, prompts, exactP);
            run.table = std::move(o.table);
            run.refusal = std::move(o.refusal);
            run.tableDesign = design;
            run.tableDesign.anovaType = AnovaType::RepeatedMeasures;
            run.tableDesign.imputedCount = imputedCount;
            run.cellDesign = std::move(o.cellDesign);
            run.cellMeans = std::move(o.cellMeans);
            break;
        }
        }
    } catch (const std::invalid_argument&) {
        // Scores that do not fit the sizes: one is missing.
        run.table.reset();
        run.refusal = missingEntryMessage();
    }
    if (!run.table) {
        run.cellDesign = {};
        run.cellMeans.clear();
    } else if (mode != UnequalAnalysisMode::Attrition) {
        UnequalCells cells = unequalCells(mode, design, sizes, scores);
        run.cellCounts = std::move(cells.counts);
        run.exactCellMeans = std::move(cells.means);
        run.weightedMargins = mode != UnequalAnalysisMode::UnweightedMeans;
    }
    return run;
}

SimpleEffectsOutcome UnequalTableData::simpleEffects(int columnFactor, int rowFactor, Prompts& prompts,
                                                     bool exactP) const
{
    return unequalSimpleEffects(mode, design, sizes, scores, imputed, columnFactor, rowFactor, prompts, exactP);
}

Design UnequalTableData::tableDesign() const
{
    if (mode != UnequalAnalysisMode::GroupSizes)
        return substantiveDesign(design);
    Design d = design;
    d.anovaType = AnovaType::RepeatedMeasures;
    d.imputedCount = static_cast<int>(std::count(imputed.begin(), imputed.end(), true));
    return d;
}

// ---- The stages ----

UnequalWorkflow::UnequalWorkflow(const Design& design, UnequalAnalysisMode mode, bool attritionFirst)
    : design_(design), mode_(mode),
      attritionFirst_(mode == UnequalAnalysisMode::Attrition || (mode == UnequalAnalysisMode::UnweightedMeans && attritionFirst))
{
    if (const auto problem = unequalDesignProblem(design_, mode_))
        throw std::invalid_argument(problem->text);
    if (mode_ == UnequalAnalysisMode::GroupSizes)
        roles_ = groupRoles(design_);
    attritionPending_ = attritionFirst_;
}

int UnequalWorkflow::plannedScoresPerCell() const
{
    return design_.factor(design_.designatedFactor).levels;
}

UnequalWorkflow::Step UnequalWorkflow::nextStep() const
{
    switch (stage_) {
    case Stage::Sizes:
        return attritionPending_ ? Step::AttritionTest : Step::EnterScores;
    case Stage::AttritionDone:
        return Step::EnterScores;
    case Stage::Scores:
        break;
    }
    return Step::Analysis;
}

const char* UnequalWorkflow::okCaption() const
{
    if (stage_ == Stage::Scores)
        return kDataOk;
    return mode_ == UnequalAnalysisMode::GroupSizes ? kGroupSizesOk : kCellSizesOk;
}

const char* UnequalWorkflow::nextCaption() const
{
    switch (nextStep()) {
    case Step::AttritionTest:
        return kAttritionTable;
    case Step::EnterScores:
        return unequalModeInfo(mode_).enterDataCaption;
    case Step::Analysis:
        break;
    }
    return kAnovaTable;
}

std::string UnequalWorkflow::instruction(const std::string& problemLabel, const std::string& dataFile) const
{
    std::string start;
    if (stage_ == Stage::Scores)
        start = dataFile.empty() ? "Enter Data" : "Data from " + dataFile;
    else if (roles_)
        start = "Enter the number of " + design_.factor(design_.designatedFactor).name + " in each group";
    else
        start = "Enter the number of scores present in each cell of the factorial design";
    return start + (problemLabel.empty() ? std::string(":") : " for " + problemLabel + ":");
}

EntryRows UnequalWorkflow::entryRows() const
{
    EntryRows rows;
    const bool scores = stage_ == Stage::Scores;
    rows.heading = scores ? "Score" : roles_ ? "Group Size" : "Cell Size";
    if (roles_) {
        const Factor& grouping = design_.factor(roles_->grouping);
        rows.columns = {grouping.name};
        if (!scores) {
            for (int i = 1; i <= grouping.levels; ++i)
                rows.levels.push_back({i});
            return rows;
        }
        // Group by group, within a group level by level of the crossed factor, within a level
        // the group's subjects; subjects are numbered through all groups.
        rows.columns.push_back(design_.factor(roles_->crossed).name);
        rows.columns.push_back(design_.factor(roles_->subjects).name);
        const int levels = design_.factor(roles_->crossed).levels;
        int firstSubject = 1;
        for (std::size_t i = 0; i < sizes_.size(); ++i) {
            for (int j = 1; j <= levels; ++j)
                for (long k = 0; k < sizes_[i]; ++k)
                    rows.levels.push_back({static_cast<int>(i) + 1, j, firstSubject + static_cast<int>(k)});
            firstSubject += static_cast<int>(sizes_[i]);
        }
        return rows;
    }
    const Design cells = substantiveDesign(design_);
    for (const Factor& f : cells.factors)
        rows.columns.push_back(f.name);
    const long count = cellCount(design_);
    for (long c = 0; c < count; ++c) {
        const std::vector<int> levels = cellAtPosition(cells, c + 1);
        const long repeat = scores ? sizes_.at(static_cast<std::size_t>(c)) : 1;
        for (long k = 0; k < repeat; ++k)
            rows.levels.push_back(levels);
    }
    return rows;
}

CellSizeCheck UnequalWorkflow::checkSizes(const std::vector<std::string>& entries)
{
    CellSizeCheck check;
    try {
        check = checkCellSizeEntries(entries, design_, mode_);
    } catch (const std::invalid_argument&) {
        check.message = noDesignatedFactorMessage();
        return check;
    }
    if (check.ok()) {
        sizes_ = check.sizes;
        sizeTexts_ = entries;
        sizesChecked_ = true;
    }
    return check;
}

void UnequalWorkflow::sizesEdited()
{
    if (stage_ == Stage::Scores)
        return;
    sizesChecked_ = false;
    if (stage_ == Stage::AttritionDone) {
        stage_ = Stage::Sizes;
        attritionPending_ = attritionFirst_;
        attritionSignificant_ = false;
    }
}

int UnequalWorkflow::mostPlannedScoresPerCell() const
{
    return static_cast<int>(std::max(2L, kMaxScores / std::max(1L, cellCount(design_))));
}

std::optional<Message> UnequalWorkflow::setPlannedScoresPerCell(const std::string& answer)
{
    if (stage_ != Stage::Sizes || answer.find_first_not_of(" \t") == std::string::npos)
        return std::nullopt;  // the largest accepted size never exceeds P here, so P stays
    const double value = std::round(parseNumber(answer));
    const int most = mostPlannedScoresPerCell();
    if (!(value >= 2 && value <= most))
        return Message{"Planned Scores Per Cell?",
                       "   The planned number of scores per cell must be a whole number from 2 to" +
                           numberText(static_cast<double>(most)) + ".",
                       MessageButtons::Ok, MessageIcon::Exclamation};
    design_.factors.at(static_cast<std::size_t>(design_.designatedFactor - 1)).levels = static_cast<int>(value);
    // Sizes accepted against the old number are checked again.
    sizesChecked_ = false;
    return std::nullopt;
}

UnequalRun UnequalWorkflow::runAttrition(Prompts& prompts)
{
    if (nextStep() != Step::AttritionTest || !sizesChecked_)
        throw std::logic_error("the attrition test runs on checked sizes while it is pending");
    UnequalRun run = runUnequalAnalysis(UnequalAnalysisMode::Attrition, design_, sizes_, {}, {}, prompts, false);
    if (!run.table)
        return run;
    attritionSignificant_ = run.attritionSignificant;
    if (mode_ == UnequalAnalysisMode::UnweightedMeans)
        stage_ = Stage::AttritionDone;
    return run;
}

void UnequalWorkflow::enterScores()
{
    attritionPending_ = false;
    stage_ = Stage::Scores;
    imputed_.clear();
}

UnequalRun UnequalWorkflow::runAnalysis(const Scores& scores, Prompts& prompts, bool exactP)
{
    UnequalRun run = runUnequalAnalysis(mode_, design_, sizes_, scores, imputed_, prompts, exactP);
    lastTable_.reset();
    if (mode_ != UnequalAnalysisMode::Attrition && run.table)
        lastTable_ = UnequalTableData{mode_, design_, sizes_, scores, imputed_};
    return run;
}

void UnequalWorkflow::adoptFile(const UnequalFile& file)
{
    design_ = file.design;
    if (mode_ == UnequalAnalysisMode::GroupSizes)
        roles_ = groupRoles(design_);
    sizes_ = file.sizes;
    sizeTexts_.clear();
    for (long n : file.sizes)
        sizeTexts_.push_back(std::to_string(n));
    attritionSignificant_ = false;
    lastTable_.reset();
    sizesChecked_ = false;
    if (mode_ == UnequalAnalysisMode::Attrition) {
        // The attrition test needs only the sizes.
        attritionPending_ = true;
        stage_ = Stage::Sizes;
        return;
    }
    attritionPending_ = false;
    stage_ = Stage::Scores;
    imputed_ = file.imputed;
}

}  // namespace varisect
