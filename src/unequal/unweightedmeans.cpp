// SPDX-License-Identifier: GPL-3.0-or-later
#include "unequal/unweightedmeans.h"

#include <cstdio>
#include <stdexcept>

#include "analysis/analysisservice.h"
#include "unequal/cellsizes.h"

namespace varisect {

std::vector<std::string> harmonicMeanNotes(double harmonicMeanCellSize)
{
    char size[32];
    std::snprintf(size, sizeof size, "%.4g", harmonicMeanCellSize);
    return {std::string("  Harmonic mean cell size = ") + size + ": a source's MS is SS (raw) / df x " + size + ".",
            "  Within and Total are those of the raw scores; Total is not the sum of the SS column."};
}

UnweightedMeansOutcome unweightedMeansAnalysis(const Design& full, const std::vector<long>& cellSizes,
                                               const Scores& scores, Prompts& prompts, bool exactP)
{
    UnweightedMeansOutcome outcome;
    outcome.cellDesign = substantiveDesign(full);
    const long cells = cellCount(full);
    if (static_cast<long>(cellSizes.size()) != cells)
        throw std::invalid_argument("one size per cell is needed");
    if (const int empty = firstEmptySize(cellSizes)) {
        outcome.refusal = missingEntryMessage();
        outcome.refusedCell = empty;
        return outcome;
    }
    const long n = checkedScoreTotal(cellSizes, 1, scores.size());

    double grandTotal = 0;
    for (float x : scores)
        grandTotal += x;
    const double grandMean = grandTotal / static_cast<double>(n);

    // Deviations from the cell means and from the grand mean: the within-cells and total sums
    // of squares of the raw scores without cancellation.
    double reciprocals = 0;
    for (long size : cellSizes)
        reciprocals += 1.0 / static_cast<double>(size);
    outcome.harmonicMeanCellSize = static_cast<double>(cells) / reciprocals;
    outcome.cellMeans.resize(static_cast<size_t>(cells));
    double within = 0;
    double total = 0;
    size_t next = 0;
    for (long c = 0; c < cells; ++c) {
        const size_t first = next;
        const long size = cellSizes[static_cast<size_t>(c)];
        double cellTotal = 0;
        for (long k = 0; k < size; ++k)
            cellTotal += scores[next++];
        const double mean = cellTotal / static_cast<double>(size);
        for (size_t i = first; i < next; ++i) {
            within += (scores[i] - mean) * (scores[i] - mean);
            total += (scores[i] - grandMean) * (scores[i] - grandMean);
        }
        outcome.cellMeans[static_cast<size_t>(c)] = static_cast<float>(mean);
    }

    SuppliedSums& sums = outcome.sums;
    sums.msMultiplier = outcome.harmonicMeanCellSize;
    sums.rawSSHeading = true;
    sums.withinSS = within;
    sums.withinDf = static_cast<int>(n - cells);
    sums.totalSS = total;
    sums.totalDf = static_cast<int>(n - 1);

    AnalysisOptions options;
    options.supplied = sums;
    options.fromUnequalCellWindow = true;
    options.exactP = exactP;
    outcome.table = analyseDesign(outcome.cellDesign, outcome.cellMeans, prompts, options);
    if (outcome.table)
        outcome.table->notes = harmonicMeanNotes(outcome.harmonicMeanCellSize);
    return outcome;
}

}  // namespace varisect
