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

enum class AnalysisMode { Ordinary, Attrition, UnweightedMeans, Proportional, UnequalGroupSizes };

// What the unweighted-means and proportional analyses computed from the raw scores, for the
// table of their reduced design (the designated factor removed, one cell mean per cell).
struct SuppliedSums {
    double harmonicMeanCellSize = 1;  // unweighted means: every source's MS is multiplied by it
    std::vector<double> effectSS;     // proportional: the SS of the source rows, in table order
    double withinSS = 0;
    int withinDf = 0;
    double totalSS = 0;
    int totalDf = 0;
};

struct AnalysisOptions {
    AnalysisMode mode = AnalysisMode::Ordinary;
    bool attritionPending = false;
    // Read in the UnweightedMeans mode (unless attritionPending) and the Proportional mode. The
    // design is then the reduced one: independent groups, no designated factor, one or more
    // factors (exactly the two of the reduced design in the Proportional mode, so that
    // effectSS holds three values).
    SuppliedSums supplied;

    bool usesSuppliedSums() const
    {
        return (mode == AnalysisMode::UnweightedMeans && !attritionPending) || mode == AnalysisMode::Proportional;
    }
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
// With supplied sums the rows of the reduced design change: in the UnweightedMeans mode the SS
// column (headed "SS (raw)") keeps the sums of squares of the cell means and each MS is
// multiplied by the harmonic mean cell size; in the Proportional mode each source row takes its
// SS from `effectSS` and MS = SS / df. Both take the "  Within" and "Total" rows as supplied; a
// within df of 0 leaves the within MS empty (and so undefined for the F-ratios).
// An error term counts as zero ("Undefined F-ratio!") when its SS is 0 by the rule above, so
// whether an F is shown does not depend on the scale of the data.
std::optional<AnovaTable> RunAnalysis(const Design& design, const Scores& scores,
                                      const std::vector<PoolingGroup>& groups, Prompts& prompts,
                                      const AnalysisOptions& options = {});

}  // namespace varisect
