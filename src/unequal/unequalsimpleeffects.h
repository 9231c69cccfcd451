// SPDX-License-Identifier: GPL-3.0-or-later
// The cells of an unequal-N data set (mean and number of scores of every cell of the design
// without its replicates or subjects factor) and the simple effects of the unweighted-means,
// proportional cell sizes and unequal group sizes analyses.
#pragma once

#include <vector>

#include "engine/design.h"
#include "engine/prompts.h"
#include "means/simpleeffects.h"
#include "unequal/cellsizes.h"

namespace varisect {

struct UnequalCells {
    Design cellDesign;          // substantiveDesign of the full design
    std::vector<double> means;  // one per cell of cellDesign, in its score order
    std::vector<long> counts;   // the scores behind each mean
};

// `sizes` as the analysis of `mode` takes them: one per cell, or one per group (unequal group
// sizes, where every cell of group i holds n(i) scores); `scores` in entry order.
// std::invalid_argument when the sizes or scores do not fit the design, a size is below 1, or
// `mode` is the attrition test (which has no scores).
UnequalCells unequalCells(UnequalAnalysisMode mode, const Design& full, const std::vector<long>& sizes,
                          const Scores& scores);

// The simple effects of the pair (`columnFactor`, `rowFactor`: 1-based factors of the design
// without the replicates or subjects factor) in the analysis of `mode`:
// - unweighted means: SS(a at b_j) = h * k * (sum over i of (M(i, j) - mean of row j)^2), M the
//   pair's cell means averaged over the other factors with equal weight, h the harmonic mean
//   cell size and k the number of cells behind each M (1 with two substantive factors), so the
//   harmonic mean replaces the number of scores per cell of the equal-n rule;
// - proportional cell sizes: SS(a at b_j) = sum over i of T(i, j)^2 / n(i, j) - T(., j)^2 / N(., j),
//   from the totals of the scores weighted by their cell sizes;
// both tested against the within-cells error of the raw scores, with a "  Within" row.
// - unequal group sizes: groupSizesSimpleEffects (its own rows and error terms; the pair is that
//   design's one pair). `imputed` marks imputed scores there (empty: none).
// The rows of a at the levels of b add up to the analysis's SS(a) + SS(a x b) when the
// design has two substantive factors. std::invalid_argument as for unequalCells, and for a pair
// that is not two different factors of that design.
SimpleEffectsOutcome unequalSimpleEffects(UnequalAnalysisMode mode, const Design& full, const std::vector<long>& sizes,
                                          const Scores& scores, const std::vector<bool>& imputed, int columnFactor,
                                          int rowFactor, Prompts& prompts, bool exactP = false);

}  // namespace varisect
