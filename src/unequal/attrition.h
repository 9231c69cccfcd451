// SPDX-License-Identifier: GPL-3.0-or-later
// The test for random attrition: the ordinary independent-groups analysis of a data set of 0s and
// 1s that marks which of the planned scores of every cell are present.
#pragma once

#include <optional>
#include <vector>

#include "engine/anovatable.h"
#include "engine/design.h"

namespace varisect {

class Prompts;

// The full factorial of `full` (the designated factor included, its levels being the planned
// scores per cell P): 1 at replicate position k of cell c when k is at most the size of c, else
// 0. `cellSizes` holds one size per cell in cell-size grid order.
Scores PresenceScores(const Design& full, const std::vector<long>& cellSizes);

// Whether some source row (the first source row to the row before "Total") has a p entry longer
// than one character whose value is at most .05.
bool AttritionSignificant(const AnovaTable& table);

struct AttritionOutcome {
    // The "Attrition " table; empty when the user abandoned the analysis at one of the engine's
    // questions ("Undefined F-ratio!" comes up when every cell is complete or every cell has
    // lost the same scores). Its attritionSignificant is set as below.
    std::optional<AnovaTable> table;
    bool significant = false;  // AttritionSignificant of the table
};

// Runs the test on a copy of `full` analysed as independent groups without imputed scores.
// Sizes are taken as given (0 is a cell that lost every score); the cell-size check comes first.
AttritionOutcome runAttritionTest(const Design& full, const std::vector<long>& cellSizes, Prompts& prompts);

}  // namespace varisect
