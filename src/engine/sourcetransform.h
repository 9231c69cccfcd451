// SPDX-License-Identifier: GPL-3.0-or-later
// The sums of squares of every source of a one-score-per-cell design from one orthogonal
// transform of the cell array.
#pragma once

#include <vector>

#include "engine/design.h"

namespace varisect {

// Fills `ss` (resized to 2^levels.size(), indexed by SourceMask, element 0 left 0) with the SS
// of every source of the scores laid out with factor 1 cycling fastest, each score taken less
// `mean`. `levels` gives each factor's number of levels (at least 2), factor 1 first, and their
// product is scores.size().
//
// The scores are transformed in place, one factor at a time, by an orthogonal basis of that
// factor's levels whose first vector is the constant: sums and differences for 2 levels, the
// Helmert contrasts (by running sums) for more. A transformed cell then belongs to the source
// of the factors at whose non-constant basis vector it stands, and the SS of a source is the
// sum of the squares of its cells. The result is the same as the bracket method's, without its
// cancellation: every SS comes out as a sum of squares, never negative.
void transformedSourceSS(const std::vector<int>& levels, const Scores& scores, double mean,
                         std::vector<double>& ss);

}  // namespace varisect
