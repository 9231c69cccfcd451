// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the nesting window: the pairs the user selected are checked and closed under
// "X nested under Y and Y nested under Z imply X nested under Z".
#pragma once

#include <optional>
#include <vector>

#include "engine/design.h"
#include "engine/prompts.h"

namespace varisect {

struct NestingOutcome {
    std::vector<NestRelation> matrix;  // the selected pairs in their order, then the implied ones
    std::optional<Message> error;      // the first problem found; `matrix` is empty then
    bool ok() const { return !error.has_value(); }
};

// `tableLabels` are the design's factor labels (at most 8). `selected` are the chosen pairs,
// each read "nested is nested under nesting". With `unequalGroupSizes` the closed list must
// consist of exactly one pair, which names the subjects factor and the factor it is nested
// under.
NestingOutcome closeNesting(const std::vector<char>& tableLabels,
                            const std::vector<NestRelation>& selected, bool unequalGroupSizes = false);

// The labels of a design's factors, in factor order.
std::vector<char> tableLabelsOf(const Design& design);

}  // namespace varisect
