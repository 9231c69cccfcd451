// SPDX-License-Identifier: GPL-3.0-or-later
#include "unequal/proportional.h"

#include <stdexcept>

#include "analysis/analysisservice.h"
#include "unequal/cellsizes.h"

namespace varisect {

ProportionalOutcome proportionalAnalysis(const Design& full, const std::vector<long>& cellSizes, const Scores& scores,
                                         Prompts& prompts, bool exactP)
{
    if (full.factorCount() != 3)
        throw std::invalid_argument("the proportional analysis needs two substantive factors");
    ProportionalOutcome outcome;
    outcome.cellDesign = substantiveDesign(full);
    if (outcome.cellDesign.nested)
        throw std::invalid_argument("the proportional analysis needs crossed substantive factors");
    const int rows = outcome.cellDesign.factor(1).levels;
    const int columns = outcome.cellDesign.factor(2).levels;
    const long cells = static_cast<long>(rows) * columns;
    if (static_cast<long>(cellSizes.size()) != cells)
        throw std::invalid_argument("one size per cell is needed");
    if (const int empty = firstEmptySize(cellSizes)) {
        outcome.refusal = missingEntryMessage();
        outcome.refusedCell = empty;
        return outcome;
    }
    if (const auto cell = proportionalityViolation(cellSizes, rows, columns)) {
        outcome.refusal = proportionalityMessage();
        outcome.refusedCell = static_cast<int>(*cell);
        return outcome;
    }
    const long n = checkedScoreTotal(cellSizes, 1, scores.size());

    // The sums of squares do not change when every score is shifted by the same amount; taken
    // about the mean, their brackets do not cancel for data with a large mean.
    double shift = 0;
    for (float x : scores)
        shift += x;
    shift /= static_cast<double>(n);

    std::vector<double> shiftedTotal(static_cast<size_t>(cells), 0.0);
    std::vector<double> rawTotal(static_cast<size_t>(cells), 0.0);
    double grandTotal = 0, squares = 0, between = 0;  // of the shifted scores
    outcome.cellMeans.resize(static_cast<size_t>(cells));
    size_t next = 0;
    for (long c = 0; c < cells; ++c) {
        const long size = cellSizes[static_cast<size_t>(c)];
        double t = 0, raw = 0;
        for (long k = 0; k < size; ++k) {
            const double x = scores[next++];
            raw += x;
            t += x - shift;
            squares += (x - shift) * (x - shift);
        }
        shiftedTotal[static_cast<size_t>(c)] = t;
        rawTotal[static_cast<size_t>(c)] = raw;
        grandTotal += t;
        between += t * t / static_cast<double>(size);
        outcome.cellMeans[static_cast<size_t>(c)] = static_cast<float>(raw / static_cast<double>(size));
    }
    const double correction = grandTotal * grandTotal / static_cast<double>(n);

    // Per factor and level: the weighted marginal term of the shifted totals for SS(f), and the
    // level's total and number of scores as given.
    double factorSS[2] = {0, 0};
    for (int f = 0; f < 2; ++f) {
        const int levelCount = f == 0 ? rows : columns;
        std::vector<LevelMargin>& levels = outcome.margins[static_cast<size_t>(f)];
        levels.assign(static_cast<size_t>(levelCount), LevelMargin{});
        std::vector<double> shifted(static_cast<size_t>(levelCount), 0.0);
        for (long c = 0; c < cells; ++c) {
            const size_t level = static_cast<size_t>(f == 0 ? c % rows : c / rows);
            const size_t i = static_cast<size_t>(c);
            const long size = cellSizes[i];
            LevelMargin& m = levels[level];
            m.total += rawTotal[i];
            m.count += size;
            shifted[level] += shiftedTotal[i];
        }
        for (size_t l = 0; l < levels.size(); ++l)
            factorSS[f] += shifted[l] * shifted[l] / static_cast<double>(levels[l].count);
        factorSS[f] -= correction;
    }

    outcome.rowSS = factorSS[0];
    outcome.columnSS = factorSS[1];
    outcome.interactionSS = between - factorSS[0] - factorSS[1] - correction;

    SuppliedSums& sums = outcome.sums;
    sums.effectSS = {outcome.rowSS, outcome.columnSS, outcome.interactionSS};
    sums.withinSS = squares - between;
    sums.withinDf = static_cast<int>(n - cells);
    sums.totalSS = squares - correction;
    sums.totalDf = static_cast<int>(n - 1);

    AnalysisOptions options;
    options.supplied = sums;
    options.fromUnequalCellWindow = true;
    options.exactP = exactP;
    outcome.table = analyseDesign(outcome.cellDesign, outcome.cellMeans, prompts, options);
    return outcome;
}

}  // namespace varisect
