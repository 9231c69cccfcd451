// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis: sums of squares, error terms, F-ratios and the finished table.
#pragma once

#include <limits>
#include <optional>
#include <vector>

#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/sources.h"

namespace varisect {

class Prompts;

// Sums a caller computed from the raw scores, for the table of a reduced design (independent
// groups, no designated factor, one value per cell). They take the place of what the engine
// would compute from that design's values.
struct SuppliedSums {
    // The SS of the source rows, in table order; empty: the rows keep the sums of squares of
    // the values analysed. Given, each MS is formed from the SS as the table shows it.
    std::vector<double> effectSS;
    // Every source row's MS (not the within row's) is multiplied by it, after rounding to the
    // text of the table.
    double msMultiplier = 1;
    // The SS column is headed "SS (raw)": the source rows keep the sums of squares of the values
    // analysed while their MS are scaled.
    bool rawSSHeading = false;
    // The "  Within" and "Total" rows.
    double withinSS = 0;
    int withinDf = 0;
    double totalSS = 0;
    int totalDf = 0;
};

struct AnalysisOptions {
    // Given: the design is a reduced one (independent groups, no designated factor, one or more
    // factors), whose rows change as SuppliedSums says.
    std::optional<SuppliedSums> supplied;
    // False: an F-ratio of 0 is taken without the "Warning!!!" question (a data set of 0s and
    // 1s, where it is expected).
    bool askAboutZeroF = true;
    // The questions say that "No" returns to the Unequal Cell Size window.
    bool fromUnequalCellWindow = false;
    bool exactP = false;  // the p column holds the exact upper tail of F, not the approximation
};

// A sum of squares at or below this fraction of the total SS counts as exactly 0: the
// arithmetic leaves a source whose true SS is 0 with a few hundred units of rounding at most
// (of either sign), and a real effect that small is beyond what single-precision scores hold.
// Being relative, the rule gives the same table for data measured on any scale.
inline constexpr double kZeroSSRelative = 1024 * std::numeric_limits<double>::epsilon();

// Sums of squares and df of every source, indexed by SourceMask (index 0 unused).
struct SourceSums {
    std::vector<double> ss;
    std::vector<int> df;
    double grandTotal = 0;   // of the scores as given
    double rawSS = 0;        // sum of squares of the scores as given
    double correction = 0;   // grandTotal^2 / N
    double totalSS = 0;      // rawSS - correction, formed from centred scores
    int totalDf = 0;         // N - imputed - 1
};

// The sources' SS come from one orthogonal transform of the centred scores (see
// sourcetransform.h): shifting every score by their mean leaves every SS unchanged and keeps
// data with a large mean and a small spread from cancelling. An SS at or below kZeroSSRelative
// times the total SS is set to 0.
SourceSums computeSourceSums(const Design& design, const Scores& scores);

// Runs the analysis. Empty when the user abandoned it at a question or it cannot be completed
// (the message was shown through `prompts`). `groups` are the pooling groups of a nested design.
// With supplied sums the "  Within" and "Total" rows are taken as supplied, and the source rows
// as SuppliedSums says; a within df of 0 leaves the within MS empty (and so undefined for the
// F-ratios).
// An error term counts as zero ("Undefined F-ratio!") when its SS is 0 by the rule above, so
// whether an F is shown does not depend on the scale of the data.
std::optional<AnovaTable> RunAnalysis(const Design& design, const Scores& scores,
                                      const std::vector<PoolingGroup>& groups, Prompts& prompts,
                                      const AnalysisOptions& options = {});

}  // namespace varisect
