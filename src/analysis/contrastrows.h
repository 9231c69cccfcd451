// SPDX-License-Identifier: GPL-3.0-or-later
// Contrasts in the analysis of variance table: the sum of squares of a contrast among the levels
// of one factor, and its row, indented under the factor's main effect and tested against the same
// error term. How contrasts are chosen (trends, typed coefficients, which factors are offered)
// lives in contrasts/contrasts.h.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/multiplicity.h"
#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/fprob.h"
#include "engine/prompts.h"

namespace varisect {

// One contrast among the levels of a factor.
struct Contrast {
    int factor = 0;                    // 1-based
    std::string name;                  // "linear", "c1 (1 -1 0)": the row reads "  A: " + name
    std::vector<double> coefficients;  // one per level
    bool trend = false;                // a polynomial trend, whose label does not show them
};

// Factor k (1-based) is nested under another factor of the design.
bool isNestedFactor(const Design& design, int factor);

// The marginal means of a factor's levels and the number of scores behind each.
struct FactorMeans {
    std::vector<double> means;
    std::vector<double> counts;
};
FactorMeans marginalMeans(const Design& design, const Scores& scores, int factor);

// The binary exponent of the largest magnitude among `values` (0 when all are 0), and the values
// multiplied by 2 to its negative: every value below 1 in size, none of them rounded, so sums and
// squares formed afterwards neither overflow nor vanish, and values of ordinary size give exactly
// what they gave unscaled.
int binaryExponent(const std::vector<double>& values);
std::vector<double> scaledDown(const std::vector<double>& values);

// (sum of c_i * M_i)^2 / (sum of c_i^2 / n_i), the same for any multiple of the coefficients.
double contrastSS(const std::vector<double>& coefficients, const FactorMeans& means);

// The error a contrast on a within-subject factor is tested against: its own contrast x subjects
// error (df those of the subjects), or the pooled error of the factor's main effect. Contrasts on
// other factors are tested against the main effect's error row whichever is chosen.
enum class ContrastError { Separate, Pooled };

struct ContrastOptions {
    ContrastError error = ContrastError::Separate;
    // Of the p of all the contrast rows of the table, as one family.
    Adjustment adjustment = Adjustment::None;
};

// How one contrast row was tested, for the legend and the command line's outputs.
struct ContrastTest {
    std::string source;        // the row's label, trimmed: "T: linear"
    double ss = 0;
    bool tested = false;       // the row has an F
    double f = 0;
    double errorDf = 0;
    double errorMS = 0;
    std::string errorTerm;     // what it was tested against: "linear x S", "TxS", "Within"
    bool ownError = false;     // its own contrast x subjects error
    bool pooledWithin = false; // a within-subject factor's pooled error
    double p = 0;              // as the table forms p, before any adjustment
    double pExact = 0;         // the exact upper tail of F
    double pAdjusted = 0;      // the p of the table's column
};

// What became of the contrasts: refused with a message (the table untouched), or abandoned by the
// user at the "Warning!!!" question of an F of 0; else how each row was tested.
struct ContrastInsertion {
    std::optional<Message> refusal;
    bool abandoned = false;
    std::vector<ContrastTest> tests;
};

// The lines under a table with contrast rows: the error term each row was tested against, and
// the adjustment of their p for multiplicity. The error MS are written as the table's MS cells
// with `places` decimals (the table's display decimals).
std::vector<std::string> contrastLegend(const std::vector<ContrastTest>& tests, Adjustment adjustment, int places);

// Inserts one row per contrast, indented under its factor's main-effect row (after any contrasts
// already there): df 1, SS, MS = SS, and, when the main effect has an F, F against the error
// `options` chooses (see ContrastError) with p formed as the table forms it (exact when the
// table's p column is), adjusted as `options` says; the legend (contrastLegend) goes into the
// table's notes. An F of 0 asks
// the "Warning!!!" question through `prompts` unless `context` says it is expected, and a "No"
// abandons the table. A contrast whose factor has no main-effect row in the table is refused with
// a message. Either way the table is left untouched. `design` is the design the table was made
// from (table labels set).
ContrastInsertion insertContrastRows(AnovaTable& table, const Design& design, const Scores& scores,
                                     const std::vector<Contrast>& contrasts, Prompts& prompts,
                                     const ProbabilityContext& context, const ContrastOptions& options = {});

}  // namespace varisect
