// SPDX-License-Identifier: GPL-3.0-or-later
// Simple effects of each factor of a pair at every level of the other, with their error terms,
// F-ratios and p-values, as a table for the analysis of variance table window.
#pragma once

#include <optional>
#include <vector>

#include "engine/anovatable.h"
#include "engine/design.h"

namespace varisect {

class Prompts;

struct SimpleEffectsOutcome {
    // The table: row 1 the headers, then the rows of a at each level of b and of b at each level
    // of a (repeated measures: each followed by its error row), then "  Within" for independent
    // groups. No "Total" row: lastRow is the last row. Empty when it cannot be shown.
    std::optional<AnovaTable> table;
    // The window is to close and the user be returned to the data: the within-cells error is
    // zero, or the user answered No to a probability warning.
    bool returnToData = false;
};

// The simple effects of the pair on show in the cell means window: `columnFactor` (a) and
// `rowFactor` (b), 1-based. The design's type must be independent groups or repeated measures
// with its replicates or subjects factor designated, and neither factor of the pair may be that
// factor (std::invalid_argument otherwise). Every message and question goes through `prompts`:
// "Not appropriate for this design!" (fewer than two substantive factors), "Undefined F-ratio!",
// "Error Condition!" and the probability warning. `exactP`: the p column holds the exact upper
// tail of F.
SimpleEffectsOutcome computeSimpleEffects(const Design& design, const Scores& scores, int columnFactor,
                                          int rowFactor, Prompts& prompts, bool exactP = false);

// Sums of squares worked out elsewhere (the analyses of unequal cell sizes), for a table tested
// against one within-cells error.
struct SimpleEffectSums {
    std::vector<double> columnAtRow;  // SS of the column factor a at level j of b, j = 1..Lb
    std::vector<double> rowAtColumn;  // SS of the row factor b at level i of a, i = 1..La
    double withinSS = 0;
    int withinDf = 0;
    // The total SS of the scores: the scale below which an SS counts as zero.
    double totalSS = 0;
};

// The independent-groups simple-effects table of `columnFactor` and `rowFactor` (1-based factors
// of `design`, which gives their labels and nesting) from `sums`: the same rows, messages and
// questions as computeSimpleEffects. std::invalid_argument when the sums do not fit the pair.
SimpleEffectsOutcome simpleEffectsFromSums(const Design& design, int columnFactor, int rowFactor,
                                           const SimpleEffectSums& sums, Prompts& prompts, bool exactP = false);

}  // namespace varisect
