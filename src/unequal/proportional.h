// SPDX-License-Identifier: GPL-3.0-or-later
// The proportional cell sizes analysis of an independent-groups design with two substantive
// factors: sums of squares from the marginal totals weighted by their cell counts, assembled by
// the engine on the substantive design.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "engine/analysis.h"
#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/prompts.h"

namespace varisect {

// One level of a substantive factor. (The simple effects, which need the levels' sums of
// T^2 / n, take them about the cell means instead: see unequalsimpleeffects.h.)
struct LevelMargin {
    double total = 0;        // M(f, l): the sum of the scores at the level
    long count = 0;          // N(f, l): their number
};

struct ProportionalOutcome {
    // The "Proportional Cell Size " table: the row factor, the column factor, their
    // interaction, "  Within" and "Total". Empty when a size was refused or the user abandoned
    // the analysis at one of the engine's questions.
    std::optional<AnovaTable> table;
    // A cell of size 0 (or less): the code-1 message; sizes that are not proportional: the
    // code-3 message. With the 1-based cell to select.
    std::optional<Message> refusal;
    int refusedCell = 0;

    Design cellDesign;   // the substantive design: row factor first, column factor second
    Scores cellMeans;    // T / n per cell, single precision: for the means window and graphs
    double rowSS = 0, columnSS = 0, interactionSS = 0;
    SuppliedSums sums;   // what the engine was given
    std::array<std::vector<LevelMargin>, 2> margins;  // row factor, column factor
};

// `full` has three factors, one of them the designated replicates factor; `cellSizes` one size
// per cell (row factor fastest); `scores` the N scores cell by cell in that order. The caller's
// design is not changed. std::invalid_argument when the sizes or scores do not fit the design.
ProportionalOutcome proportionalAnalysis(const Design& full, const std::vector<long>& cellSizes, const Scores& scores,
                                         Prompts& prompts, bool exactP = false);

}  // namespace varisect
