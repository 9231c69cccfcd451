// SPDX-License-Identifier: GPL-3.0-or-later
// Simple effects of each factor of a pair at every level of the other, with their error terms,
// F-ratios and p-values, as a table for the analysis of variance table window.
#pragma once

#include <optional>

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

}  // namespace varisect
