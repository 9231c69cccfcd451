// SPDX-License-Identifier: GPL-3.0-or-later
// Two-way tables of cell and marginal means for a pair of factors, over the whole data set or
// at one level of a third factor, and the number formats in which means are shown.
#pragma once

#include <string>
#include <vector>

#include "engine/design.h"

namespace varisect {

// The means of factor a (columns, levels i) by factor b (rows, levels j), each cell averaged over
// every other factor. Levels are 1-based as in the rest of the program.
struct MeansTable {
    int a = 0;            // 1-based factor index
    int b = 0;
    int levelsA = 0;
    int levelsB = 0;
    double n = 0;         // scores behind one cell
    std::vector<double> totals;     // T(i, j) at (j - 1) * levelsA + (i - 1)
    std::vector<double> means;      // M(i, j), same layout
    std::vector<double> marginalA;  // mean of level i of a (sum over j of T(i, j) / (n * levelsB))
    std::vector<double> marginalB;  // mean of row j: sum over i of M(i, j) / levelsA
    double grandMean = 0;

    double total(int i, int j) const { return totals.at(index(i, j)); }
    double mean(int i, int j) const { return means.at(index(i, j)); }

private:
    size_t index(int i, int j) const { return static_cast<size_t>((j - 1) * levelsA + (i - 1)); }
};

// The table of a by b over all scores. Throws std::invalid_argument when a or b is not a factor
// of the design, a == b, or the scores do not fit the design.
MeansTable PairMeans(const Design& design, const Scores& scores, int a, int b);

// The same table from the scores at level k of factor c only.
MeansTable PanelMeans(const Design& design, const Scores& scores, int a, int b, int c, int k);

// Values that each stand for several scores (the cell means of an analysis of unequal cell
// sizes): the number of scores behind each cell of the pair, and the margins weighted by those
// numbers, the means of all the scores at each level.
struct WeightedMargins {
    int levelsA = 0;
    int levelsB = 0;
    std::vector<long> counts;         // n(i, j), in the layout of MeansTable::means
    std::vector<long> countsA;        // the scores at level i of a
    std::vector<long> countsB;        // at level j of b
    long total = 0;
    std::vector<double> meansA;       // the mean of the scores at level i of a
    std::vector<double> meansB;       // at level j of b
    double grandMean = 0;

    long count(int i, int j) const { return counts.at(static_cast<size_t>((j - 1) * levelsA + (i - 1))); }
};

// `means` one value per cell of `design`, each the mean of `counts` scores (the same order and
// length; every count at least 1). Over every value, or (c != 0) those at level k of factor c.
// Throws std::invalid_argument as PairMeans does, and when the counts do not fit.
WeightedMargins weightedMargins(const Design& design, const std::vector<double>& means, const std::vector<long>& counts,
                                int a, int b, int c = 0, int k = 0);

// "#0.00#": at least one digit before the point, two or three decimals ("0.50", "0.123").
std::string formatTwoToThreePlaces(double value);
// "#######.0#": no zero before the point, one or two decimals ("12.0", "12.35", ".5").
std::string formatOneToTwoPlaces(double value);
// A mean as the tables show it: "#0.00#" when |m| < 1, otherwise "#######.0#".
std::string meanText(double mean);

}  // namespace varisect
