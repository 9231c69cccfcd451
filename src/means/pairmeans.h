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

// "#0.00#": at least one digit before the point, two or three decimals ("0.50", "0.123").
std::string formatTwoToThreePlaces(double value);
// "#######.0#": no zero before the point, one or two decimals ("12.0", "12.35", ".5").
std::string formatOneToTwoPlaces(double value);
// A mean as the tables show it: "#0.00#" when |m| < 1, otherwise "#######.0#".
std::string meanText(double mean);

}  // namespace varisect
