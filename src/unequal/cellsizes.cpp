// SPDX-License-Identifier: GPL-3.0-or-later
#include "unequal/cellsizes.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "engine/numbertext.h"

namespace varisect {

namespace {

void requireDesignated(const Design& design)
{
    if (design.designatedFactor < 1 || design.designatedFactor > design.factorCount())
        throw std::invalid_argument("the replicates or subjects factor is not designated");
}

// Sizes far beyond any design are held at a bound, so that rounding and summing stay defined;
// they are refused by the score limit afterwards.
long wholeSize(double value)
{
    constexpr double bound = 1e9;
    if (!(value > -bound))
        return -static_cast<long>(bound);
    if (value >= bound)
        return static_cast<long>(bound);
    return std::lround(value);
}

CellSizeCheck refused(int entry, Message message)
{
    CellSizeCheck check;
    check.failedEntry = entry;
    check.message = std::move(message);
    return check;
}

Message tooManyScoresInAll(long n)
{
    return {"Program Limitation!",
            "You have specified" + numberText(static_cast<double>(n)) +
                " scores, but the maximum allowed by the program is 16352 scores.",
            MessageButtons::Ok, MessageIcon::None};
}

}  // namespace

Design substantiveDesign(const Design& full)
{
    requireDesignated(full);
    Design d = full;
    setTableLabelsFromNames(d);
    const char removed = d.factor(d.designatedFactor).tableLabel;
    d.factors.erase(d.factors.begin() + (d.designatedFactor - 1));
    std::erase_if(d.nestingMatrix,
                  [removed](const NestRelation& r) { return r.nested == removed || r.nesting == removed; });
    d.nested = d.nested && !d.nestingMatrix.empty();
    if (!d.nested)
        d.nestingMatrix.clear();
    d.designatedFactor = 0;
    d.anovaType = AnovaType::IndependentGroups;
    d.imputedCount = 0;
    return d;
}

long cellCount(const Design& full)
{
    requireDesignated(full);
    long c = 1;
    for (int k = 1; k <= full.factorCount(); ++k)
        if (k != full.designatedFactor)
            c *= full.factor(k).levels;
    return c;
}

CellPlace cellPlace(const Design& full, long position)
{
    requireDesignated(full);
    const std::vector<int> levels = cellAtPosition(full, position);
    CellPlace place;
    long stride = 1;
    place.cell = 1;
    for (int k = 1; k <= full.factorCount(); ++k) {
        const int level = levels[static_cast<size_t>(k - 1)];
        if (k == full.designatedFactor) {
            place.replicate = level;
            continue;
        }
        place.cell += stride * (level - 1);
        stride *= full.factor(k).levels;
    }
    return place;
}

int firstEmptySize(const std::vector<long>& sizes)
{
    for (size_t i = 0; i < sizes.size(); ++i)
        if (sizes[i] < 1)
            return static_cast<int>(i) + 1;
    return 0;
}

long checkedScoreTotal(const std::vector<long>& sizes, long multiplier, size_t scoreCount)
{
    long sum = 0;
    for (long s : sizes) {
        if (s < 0 || s > kMaxScores)
            throw std::invalid_argument("a size beyond any design");
        sum += s;
    }
    if (sum * multiplier != static_cast<long>(scoreCount))
        throw std::invalid_argument("the number of scores does not match the sizes");
    return sum;
}

std::optional<long> proportionalityViolation(const std::vector<long>& sizes, int rows, int columns)
{
    if (rows < 1 || columns < 1 || static_cast<long>(sizes.size()) != static_cast<long>(rows) * columns)
        throw std::invalid_argument("the sizes do not fill the table of rows and columns");
    const auto n = [&](int i, int j) { return static_cast<double>(sizes[static_cast<size_t>(i + rows * j)]); };
    // The ratios are formed in double precision: in single precision a difference of exactly
    // 0.001 (1001/1000 against 1) would come out just above the tolerance.
    constexpr double tolerance = 0.001 + 1e-12;
    for (int j = 1; j < columns; ++j) {
        const double first = n(0, 0) / n(0, j);
        for (int i = 1; i < rows; ++i)
            if (std::fabs(first - n(i, 0) / n(i, j)) > tolerance)
                return static_cast<long>(i + rows * j) + 1;
    }
    return std::nullopt;
}

std::optional<GroupRoles> groupRoles(const Design& design)
{
    if (design.factorCount() != 3 || design.designatedFactor < 1 || design.designatedFactor > 3)
        return std::nullopt;
    if (!design.nested || design.nestingMatrix.size() != 1)
        return std::nullopt;
    Design d = design;
    setTableLabelsFromNames(d);
    const NestRelation& relation = d.nestingMatrix.front();
    if (relation.nested != d.factor(d.designatedFactor).tableLabel)
        return std::nullopt;
    const int grouping = d.factorIndexOfLabel(relation.nesting);
    if (grouping < 1 || grouping == d.designatedFactor)
        return std::nullopt;
    GroupRoles roles;
    roles.subjects = d.designatedFactor;
    roles.grouping = grouping;
    roles.crossed = 6 - roles.subjects - roles.grouping;
    return roles;
}

namespace {

// The roles of a group-sizes design (nothing in the other modes), after checking that the
// design fits the mode and that there is one size per cell (group).
std::optional<GroupRoles> checkedRoles(const Design& design, UnequalAnalysisMode mode, size_t sizeCount)
{
    requireDesignated(design);
    std::optional<GroupRoles> roles;
    long expected = 0;
    switch (mode) {
    case UnequalAnalysisMode::GroupSizes:
        roles = groupRoles(design);
        if (!roles)
            throw std::invalid_argument("the design is not one of unequal group sizes");
        expected = design.factor(roles->grouping).levels;
        break;
    case UnequalAnalysisMode::Proportional:
        if (design.factorCount() != 3)
            throw std::invalid_argument("the proportional analysis needs two substantive factors");
        expected = cellCount(design);
        break;
    case UnequalAnalysisMode::Attrition:
    case UnequalAnalysisMode::UnweightedMeans:
        expected = cellCount(design);
        break;
    }
    if (static_cast<long>(sizeCount) != expected)
        throw std::invalid_argument("one size per cell (group) is needed");
    return roles;
}

}  // namespace

CellSizeCheck checkCellSizes(const std::vector<double>& values, const Design& design, UnequalAnalysisMode mode)
{
    const std::optional<GroupRoles> roles = checkedRoles(design, mode, values.size());

    std::vector<long> sizes(values.size());
    const long smallest = mode == UnequalAnalysisMode::Attrition ? 0 : 1;
    for (size_t i = 0; i < values.size(); ++i) {
        sizes[i] = wholeSize(values[i]);
        if (sizes[i] < smallest)
            return refused(static_cast<int>(i) + 1, missingEntryMessage());
    }

    const int planned = design.factor(design.designatedFactor).levels;
    if (mode == UnequalAnalysisMode::Proportional) {
        // Rows: the lower-numbered substantive factor; columns: the higher-numbered.
        const int rows = design.factor(design.designatedFactor == 1 ? 2 : 1).levels;
        const int columns = design.factor(design.designatedFactor == 3 ? 2 : 3).levels;
        if (const auto cell = proportionalityViolation(sizes, rows, columns))
            return refused(static_cast<int>(*cell), proportionalityMessage());
    } else if (mode != UnequalAnalysisMode::GroupSizes) {
        for (size_t i = 0; i < values.size(); ++i)
            if (values[i] > planned)
                return refused(static_cast<int>(i) + 1,
                               tooManyScoresMessage(planned, design.factor(design.designatedFactor).name));
    }

    CellSizeCheck check;
    long sum = 0;
    for (long s : sizes)
        sum += s;
    check.scoreCount = roles ? sum * design.factor(roles->crossed).levels : sum;
    if (check.scoreCount > kMaxScores)
        return refused(0, tooManyScoresInAll(check.scoreCount));
    check.largestSize = std::max(static_cast<long>(planned), *std::max_element(sizes.begin(), sizes.end()));
    check.sizes = std::move(sizes);
    return check;
}

CellSizeCheck checkCellSizeEntries(const std::vector<std::string>& entries, const Design& design,
                                   UnequalAnalysisMode mode)
{
    checkedRoles(design, mode, entries.size());
    std::vector<double> values;
    values.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].find_first_not_of(" \t") == std::string::npos)
            return refused(static_cast<int>(i) + 1, missingEntryMessage());
        values.push_back(parseNumber(entries[i]));
    }
    return checkCellSizes(values, design, mode);
}

Message missingEntryMessage()
{
    return {"Data Entry Error!", "   At least one score is missing from the data set.", MessageButtons::Ok,
            MessageIcon::Critical};
}

Message tooManyScoresMessage(int planned, const std::string& designatedName)
{
    return {"Too many scores specified!",
            "   The number of scores for the indicated cell is larger than the maximum," + numberText(planned) +
                ", which by default is set as the number of levels of the replicates factor, " + designatedName +
                "." + kMessageLineBreak +
                "   To adjust the maximum, use the Planned Scores Per Cell option accessed via the Design Menu.",
            MessageButtons::Ok, MessageIcon::Critical};
}

Message proportionalityMessage()
{
    return {"Proportionality Violation!",
            std::string("   The cell sizes do not satisfy the definition of proportionality.") + kMessageLineBreak +
                "   Each cell size must be the product of a proportionality constant for each level of each factor.",
            MessageButtons::Ok, MessageIcon::Critical};
}

Message noDesignatedFactorMessage()
{
    return {"", "No DesignatedFactor!", MessageButtons::Ok, MessageIcon::None};
}

Message possiblyInvalidProcedureQuestion()
{
    return {"Possibly invalid procedure!",
            std::string("   One or more of the sources in the test for Random Attrition was significant at the .05 "
                        "level.  This means that the crucial assumption underlying the unweighted-means analysis of "
                        "variance is not satisfied.") +
                kMessageLineBreak + "   Do you want to go ahead with the analysis anyway?",
            MessageButtons::YesNo, MessageIcon::Exclamation};
}

Message plannedScoresPerCellPrompt(int designatedLevels)
{
    return {"Planned Scores Per Cell?",
            "   The program default is the value you entered for the number of replicates, " +
                numberText(designatedLevels) + "." + kMessageLineBreak +
                "  If you prefer a different number, such as the number of scores you hoped to obtain for all "
                "cells, enter it here.",
            MessageButtons::OkCancel, MessageIcon::None};
}

}  // namespace varisect
