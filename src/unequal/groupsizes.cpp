// SPDX-License-Identifier: GPL-3.0-or-later
#include "unequal/groupsizes.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "engine/analysis.h"
#include "engine/fprob.h"
#include "engine/numbertext.h"

namespace varisect {

namespace {

Message tooManyImputed()
{
    return {"Error Condition!",
            std::string("You have too many imputed scores for the specified design.") + kMessageLineBreak +
                "The analysis cannot be carried out as planned.",
            MessageButtons::Ok, MessageIcon::Exclamation};
}

// Groups of one subject each leave the subjects no df within the groups: neither error term has
// a mean square.
Message singleSubjectGroups()
{
    return {"Error Condition!",
            std::string("Every group has a single subject, which leaves no degrees of freedom for the error terms.") +
                kMessageLineBreak + "The analysis cannot be carried out as planned.",
            MessageButtons::Ok, MessageIcon::Exclamation};
}

Message undefinedRatio(const std::string& label)
{
    return {"Undefined F-ratio!",
            "The Mean Square for the denominator of the F-ratio associated with the " + label +
                " source is zero.  This condition prohibits evaluation of the F-ratio, and is usually the result "
                "of faulty input values.  Do you want to continue printing anyway?",
            MessageButtons::YesNo, MessageIcon::Exclamation};
}

// The sums of squares of the split plot, from scores taken about their mean (every SS is a sum
// of squared deviations, so the shift changes none of them and keeps the brackets from
// cancelling).
struct SplitPlotSums {
    double a = 0, subjectsWithinGroups = 0, b = 0, ab = 0, bxSubjectsWithinGroups = 0, total = 0;
};

}  // namespace

GroupSizesOutcome unequalGroupSizesAnalysis(const Design& full, const std::vector<long>& groupSizes,
                                            const Scores& scores, int imputedCount, Prompts& prompts, bool exactP)
{
    const std::optional<GroupRoles> roles = groupRoles(full);
    if (!roles)
        throw std::invalid_argument("the design is not one of unequal group sizes");
    if (imputedCount < 0)
        throw std::invalid_argument("a negative number of imputed scores");
    GroupSizesOutcome outcome;
    outcome.roles = *roles;
    outcome.cellDesign = substantiveDesign(full);
    Design labelled = full;
    setTableLabelsFromNames(labelled);
    const int a = full.factor(roles->grouping).levels;
    const int b = full.factor(roles->crossed).levels;
    if (static_cast<long>(groupSizes.size()) != a)
        throw std::invalid_argument("one size per group is needed");
    if (const int empty = firstEmptySize(groupSizes)) {
        outcome.refusal = missingEntryMessage();
        outcome.refusedGroup = empty;
        return outcome;
    }
    const long subjects = checkedScoreTotal(groupSizes, b, scores.size());
    const long n = subjects * b;

    double shift = 0;
    for (float x : scores)
        shift += x;
    shift /= static_cast<double>(n);

    // Totals of the shifted scores: subjects P(s), levels B(j), groups by levels AB(i, j).
    std::vector<double> subjectTotal(static_cast<size_t>(subjects), 0.0);
    std::vector<double> levelTotal(static_cast<size_t>(b), 0.0);
    std::vector<std::vector<double>> groupLevel(static_cast<size_t>(a), std::vector<double>(static_cast<size_t>(b), 0.0));
    std::vector<double> groupSquares(static_cast<size_t>(a), 0.0);
    outcome.groups.resize(static_cast<size_t>(a));
    double grandTotal = 0, squares = 0;
    size_t next = 0;
    long firstSubject = 0;
    for (int i = 0; i < a; ++i) {
        GroupTerms& g = outcome.groups[static_cast<size_t>(i)];
        g.size = groupSizes[static_cast<size_t>(i)];
        g.levelTotals.assign(static_cast<size_t>(b), 0.0);
        for (int j = 0; j < b; ++j)
            for (long k = 0; k < g.size; ++k) {
                const double raw = scores[next++];
                const double x = raw - shift;
                subjectTotal[static_cast<size_t>(firstSubject + k)] += x;
                levelTotal[static_cast<size_t>(j)] += x;
                groupLevel[static_cast<size_t>(i)][static_cast<size_t>(j)] += x;
                g.levelTotals[static_cast<size_t>(j)] += raw;
                groupSquares[static_cast<size_t>(i)] += x * x;
                grandTotal += x;
                squares += x * x;
            }
        firstSubject += g.size;
    }

    const double correction = grandTotal * grandTotal / static_cast<double>(n);
    double subjectTerm = 0;  // sum of P(s)^2 / b
    for (double p : subjectTotal)
        subjectTerm += p * p / b;
    double levelTerm = 0;    // sum of B(j)^2 / S
    for (double t : levelTotal)
        levelTerm += t * t / static_cast<double>(subjects);

    SplitPlotSums ss;
    const double subjectsSS = subjectTerm - correction;
    ss.b = levelTerm - correction;
    const double subjectsByB = squares - subjectTerm - levelTerm + correction;
    firstSubject = 0;
    for (int i = 0; i < a; ++i) {
        GroupTerms& g = outcome.groups[static_cast<size_t>(i)];
        double groupTotal = 0, groupSubjectTerm = 0, groupLevelTerm = 0;
        for (double t : groupLevel[static_cast<size_t>(i)]) {
            groupTotal += t;
            groupLevelTerm += t * t / static_cast<double>(g.size);
        }
        for (long k = 0; k < g.size; ++k) {
            const double p = subjectTotal[static_cast<size_t>(firstSubject + k)];
            groupSubjectTerm += p * p / b;
        }
        firstSubject += g.size;
        const double groupCorrection = groupTotal * groupTotal / (static_cast<double>(g.size) * b);
        g.subjectsSS = groupSubjectTerm - groupCorrection;
        g.subjectsDf = static_cast<int>(g.size - 1);
        g.interactionSS = groupSquares[static_cast<size_t>(i)] - groupSubjectTerm - groupLevelTerm + groupCorrection;
        g.interactionDf = static_cast<int>((g.size - 1) * (b - 1));
        ss.subjectsWithinGroups += g.subjectsSS;
        ss.bxSubjectsWithinGroups += g.interactionSS;
    }
    ss.a = subjectsSS - ss.subjectsWithinGroups;
    ss.ab = subjectsByB - ss.bxSubjectsWithinGroups;
    ss.total = squares - correction;

    // The cell means of the substantive design, whose factors keep their order in the design.
    outcome.cellMeans.resize(static_cast<size_t>(a) * static_cast<size_t>(b));
    const bool groupingFirst = roles->grouping < roles->crossed;
    for (int i = 0; i < a; ++i)
        for (int j = 0; j < b; ++j) {
            const GroupTerms& g = outcome.groups[static_cast<size_t>(i)];
            const size_t cell = static_cast<size_t>(groupingFirst ? i + a * j : j + b * i);
            outcome.cellMeans[cell] = static_cast<float>(g.levelTotals[static_cast<size_t>(j)] / static_cast<double>(g.size));
        }

    const long dfA = a - 1;
    const long dfSubjects = subjects - a;
    const long dfB = b - 1;
    const long dfAB = dfA * dfB;
    const long dfError = dfB * dfSubjects - imputedCount;
    if (dfError < 1) {
        prompts.tell(dfSubjects == 0 ? singleSubjectGroups() : tooManyImputed());
        return outcome;
    }

    const std::string labelA(1, labelled.factor(roles->grouping).tableLabel);
    const std::string labelB(1, labelled.factor(roles->crossed).tableLabel);
    AnovaTable table;
    auto row = [&table](const std::string& label, long df, double sumOfSquares) {
        const auto d = static_cast<double>(df);
        table.appendRow(label, d, sumOfSquares, sumOfSquares / d);
    };
    table.rows.push_back({"Source", "df", "SS", "MS", "F", "  p"});
    row(labelA, dfA, ss.a);
    row("  Error+", dfSubjects, ss.subjectsWithinGroups);
    row(labelB, dfB, ss.b);
    row(labelA + "x" + labelB, dfAB, ss.ab);
    row("  Error+", dfError, ss.bxSubjectsWithinGroups);
    table.appendRow("Total", static_cast<double>(n - imputedCount - 1), ss.total, std::nullopt);
    table.lastRow = 6;
    if (imputedCount > 0)
        table.imputedErrorRow = 6;

    table.exactP = exactP;
    ProbabilityContext context;
    context.unequalCellMode = true;
    context.exact = exactP;
    const struct {
        int effect, error;
    } tests[] = {{2, 3}, {4, 6}, {5, 6}};
    for (const auto& t : tests) {
        // Zero, or what rounding leaves of zero, at any scale of the scores.
        if (table.number(t.error, ColSS) <= kZeroSSRelative * ss.total) {
            if (!prompts.askYesNo(undefinedRatio(table.cell(t.effect, ColSource))))
                return outcome;
            continue;
        }
        double f = shownNumber(table.number(t.effect, ColMS) / table.number(t.error, ColMS));
        bool abort = false;
        const double p = FRatioProbability(table.number(t.effect, ColDf), table.number(t.error, ColDf), f, prompts,
                                           context, abort);
        if (abort)
            return outcome;
        table.setNumber(t.effect, ColF, f);
        table.setNumber(t.effect, ColP, p);
        table.denominatorRow.resize(std::max(table.denominatorRow.size(), static_cast<size_t>(t.effect)), 0);
        table.denominatorRow[static_cast<size_t>(t.effect - 1)] = t.error;
    }

    table.chooseDisplayDecimals(table.rowCount());
    outcome.table = std::move(table);
    return outcome;
}

}  // namespace varisect

namespace varisect {

namespace {

Message undefinedSimpleRatio(const std::string& label)
{
    return {"Undefined F-ratio!",
            "The Mean Square for the denominator of the F-ratio associated with the " + label +
                " source is zero.  This condition prohibits evaluation of the F-ratio, and is usually the result "
                "of faulty input values.  Do you want to continue printing the F-table?",
            MessageButtons::YesNo, MessageIcon::Exclamation};
}

}  // namespace

std::optional<AnovaTable> groupSizesSimpleEffects(const Design& full, const std::vector<long>& groupSizes,
                                                  const Scores& scores, const std::vector<bool>& imputed,
                                                  Prompts& prompts, bool exactP)
{
    const std::optional<GroupRoles> roles = groupRoles(full);
    if (!roles)
        throw std::invalid_argument("the design is not one of unequal group sizes");
    Design labelled = full;
    setTableLabelsFromNames(labelled);
    const int a = full.factor(roles->grouping).levels;
    const int b = full.factor(roles->crossed).levels;
    if (static_cast<long>(groupSizes.size()) != a || firstEmptySize(groupSizes) != 0)
        throw std::invalid_argument("one size of at least 1 per group is needed");
    const long subjects = checkedScoreTotal(groupSizes, b, scores.size());
    if (!imputed.empty() && imputed.size() != scores.size())
        throw std::invalid_argument("one imputed mark per score is needed");

    double shift = 0;
    for (float x : scores)
        shift += x;
    shift /= static_cast<double>(scores.size());

    // Per group: the totals by level AB(i, j), the subjects' totals, the sum of squares and the
    // imputed scores; per level: the sum of squares of each group's scores and the imputed ones.
    const auto ua = static_cast<size_t>(a), ub = static_cast<size_t>(b);
    std::vector<std::vector<double>> cell(ua, std::vector<double>(ub, 0.0));
    std::vector<std::vector<double>> cellSquares(ua, std::vector<double>(ub, 0.0));
    std::vector<std::vector<double>> subjectTotals(ua);
    std::vector<long> imputedInGroup(ua, 0), imputedAtLevel(ub, 0);
    size_t next = 0;
    for (size_t i = 0; i < ua; ++i) {
        const auto n = static_cast<size_t>(groupSizes[i]);
        subjectTotals[i].assign(n, 0.0);
        for (size_t j = 0; j < ub; ++j)
            for (size_t k = 0; k < n; ++k, ++next) {
                const double x = scores[next] - shift;
                cell[i][j] += x;
                cellSquares[i][j] += x * x;
                subjectTotals[i][k] += x;
                if (!imputed.empty() && imputed[next]) {
                    ++imputedInGroup[i];
                    ++imputedAtLevel[j];
                }
            }
    }

    const std::string labelA(1, labelled.factor(roles->grouping).tableLabel);
    const std::string labelB(1, labelled.factor(roles->crossed).tableLabel);
    AnovaTable table;
    table.rows.push_back({"Source", "df", "SS", "MS", "F", "  p"});
    table.exactP = exactP;
    ProbabilityContext context;
    context.unequalCellMode = true;
    context.exact = exactP;
    double mean = 0, spread = 0;
    for (const float x : scores)
        mean += static_cast<double>(x) / static_cast<double>(scores.size());
    for (const float x : scores)
        spread += (static_cast<double>(x) - mean) * (static_cast<double>(x) - mean);

    // One effect row and its error row; false when there is to be no table.
    auto addPair = [&](const std::string& source, long df, double ss, const std::string& errorSource, long errorDf,
                       double errorSS, long errorImputed) {
        const int effectRow =
            table.appendRow(source, static_cast<double>(df), ss, ss / static_cast<double>(df));
        if (errorDf < 1 && errorImputed > 0) {
            prompts.tell({"Error Condition!",
                          std::string("You have too many imputed scores for the specified design.") +
                              kMessageLineBreak + "The analysis cannot be carried out as planned.",
                          MessageButtons::Ok, MessageIcon::Exclamation});
            return false;
        }
        const int errorRow = table.appendRow(
            errorSource, static_cast<double>(errorDf), errorSS,
            errorDf > 0 ? std::optional<double>(errorSS / static_cast<double>(errorDf)) : std::nullopt);
        if (errorDf < 1)
            return true;  // a group of one subject: no error term, no F
        if (errorSS <= kZeroSSRelative * spread)
            return prompts.askYesNo(undefinedSimpleRatio(source));
        const double errorMS = table.number(errorRow, ColMS);
        double f = shownNumber(table.number(effectRow, ColMS) / errorMS);
        bool abort = false;
        const double p = FRatioProbability(static_cast<double>(df), static_cast<double>(errorDf), f, prompts,
                                           context, abort);
        if (abort)
            return false;
        table.setNumber(effectRow, ColF, f);
        table.setNumber(effectRow, ColP, p);
        table.denominatorRow.resize(static_cast<size_t>(effectRow), 0);
        table.denominatorRow[static_cast<size_t>(effectRow - 1)] = errorRow;
        return true;
    };

    // B at each level of A, within the group.
    for (size_t i = 0; i < ua; ++i) {
        const auto n = static_cast<double>(groupSizes[i]);
        double groupTotal = 0, levelTerm = 0, subjectTerm = 0, squares = 0;
        for (size_t j = 0; j < ub; ++j) {
            groupTotal += cell[i][j];
            levelTerm += cell[i][j] * cell[i][j] / n;
            squares += cellSquares[i][j];
        }
        for (double p : subjectTotals[i])
            subjectTerm += p * p / b;
        const double correction = groupTotal * groupTotal / (n * b);
        const std::string at = labelA + numberText(static_cast<double>(i + 1));
        const long errorDf = (groupSizes[i] - 1) * (b - 1) - imputedInGroup[i];
        if (!addPair(labelB + " at " + at, b - 1, levelTerm - correction, "  Error+ at " + at, errorDf,
                     squares - subjectTerm - levelTerm + correction, imputedInGroup[i]))
            return std::nullopt;
    }
    // A at each level of B, between the groups.
    for (size_t j = 0; j < ub; ++j) {
        double levelTotal = 0, cellTerm = 0, squares = 0;
        for (size_t i = 0; i < ua; ++i) {
            levelTotal += cell[i][j];
            cellTerm += cell[i][j] * cell[i][j] / static_cast<double>(groupSizes[i]);
            squares += cellSquares[i][j];
        }
        const std::string at = labelB + numberText(static_cast<double>(j + 1));
        const long errorDf = subjects - a - imputedAtLevel[j];
        if (!addPair(labelA + " at " + at, a - 1, cellTerm - levelTotal * levelTotal / static_cast<double>(subjects),
                     "  Error+ at " + at, errorDf, squares - cellTerm, imputedAtLevel[j]))
            return std::nullopt;
    }

    table.lastRow = table.rowCount();
    table.denominatorRow.resize(static_cast<size_t>(table.lastRow), 0);
    table.chooseDisplayDecimals(table.lastRow);
    return table;
}

}  // namespace varisect
