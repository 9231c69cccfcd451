// SPDX-License-Identifier: GPL-3.0-or-later
// Sphericity of the within-subject effects of a repeated-measures table: Mauchly's test and the
// Greenhouse-Geisser and Huynh-Feldt corrections of the F-tests, computed from the scores on the
// orthonormal contrasts of each effect (Eigen for the matrices, Boost.Math for the tails).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/design.h"

namespace varisect {

struct AnovaTable;

// Mauchly's W, its chi-square approximation and the two epsilons of one set of within-subject
// factors, from the covariance of the subjects' scores on the effect's orthonormal contrasts.
struct SphericityStatistics {
    int contrastCount = 0;  // the effect's df: the number of orthonormal contrasts
    int errorDf = 0;        // subjects minus the groups of the between-subject factors
    // Mauchly's test; empty for one contrast (no test) and where W cannot be computed.
    std::optional<double> w;
    std::optional<double> chiSquare;  // empty also where W is 0 (the statistic is infinite)
    int testDf = 0;                   // contrastCount (contrastCount + 1) / 2 - 1
    std::optional<double> p;
    // Fewer error df of the subjects than contrasts: the contrasts' covariance is singular.
    bool wNotComputable = false;
    // Empty where no epsilon exists (no variation at all, or, for Huynh-Feldt, a denominator
    // that is not positive). Not capped: the corrected tests cap them at 1.
    std::optional<double> greenhouseGeisser;
    std::optional<double> huynhFeldt;
};

// The statistics from the eigenvalues of the contrasts' sums of squares and cross products
// (`errorDf` as above). Mauchly's p adds the second-order term of the chi-square approximation.
SphericityStatistics sphericityFromEigenvalues(const std::vector<double>& eigenvalues, int errorDf);

// One row of the block: a within-subject effect of the table with its corrected tests.
struct SphericityRow {
    int tableRow = 0;    // 1-based row of the effect in the table
    std::string source;  // its label in the table
    SphericityStatistics statistics;
    // The F of the row and its corrected tests: df multiplied by the epsilon (at most 1), p the
    // exact upper tail of F. Empty where the row has no F or the epsilon does not exist.
    std::optional<double> f;
    std::optional<double> ggDf1, ggDf2, ggP;
    std::optional<double> hfDf1, hfDf2, hfP;
};

struct SphericityReport {
    std::vector<SphericityRow> rows;
    // Why the design has no block, where it has none (not repeated measures, a nesting the
    // tests do not cover, no within-subject factor).
    std::string unavailable;
};

// The block of a repeated-measures table: one row for every effect row of `table` that
// involves a factor crossed with the subjects, the subjects being the designated factor of
// `design`, nested under the between-subject factors (if any). `scores` are those the table
// was computed from. The F and df of each row, and of the error row its F was formed against,
// are read from the table as it stands (an adjusted error df counts).
SphericityReport sphericityReport(const Design& design, const Scores& scores, const AnovaTable& table);

// The block as fixed-pitch lines for the table window, the clipboard, the printer and the
// command line: a heading, one line per row, then the notes (W not computable, the meaning of
// the corrected p). Empty when the report has neither rows nor a reason.
std::vector<std::string> sphericityLines(const SphericityReport& report);

}  // namespace varisect
