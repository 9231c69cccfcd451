// SPDX-License-Identifier: GPL-3.0-or-later
// The method of unweighted means: the sources of the substantive design are computed from the
// cell means as if every cell held one score, their mean squares are scaled by the harmonic mean
// cell size, and they are tested against the within-cells error of the raw scores.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/analysis.h"
#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/prompts.h"

namespace varisect {

struct UnweightedMeansOutcome {
    // The "Unweighted Means " table: "SS (raw)" header, the sources of the substantive design,
    // "  Within" and "Total", with harmonicMeanNotes. Empty when a size was refused or the user abandoned the analysis
    // at one of the engine's questions ("Undefined F-ratio!", "Warning!!!").
    std::optional<AnovaTable> table;
    // A cell of size 0 (or less): the code-1 message, and the 1-based cell to select.
    std::optional<Message> refusal;
    int refusedCell = 0;

    Design cellDesign;   // the substantive design the table and the cell means belong to
    Scores cellMeans;    // one mean per cell, single precision: for the means window and graphs
    double harmonicMeanCellSize = 0;  // HarmonicMeanCellSize: C / sum of 1/n(c)
    SuppliedSums sums;   // what the engine was given: the within and total rows
};

// The table's notes: the harmonic mean cell size (four significant digits) that scales the MS of
// every source, and that Within and Total are those of the raw scores, so that MS = SS / df x size
// and a Total that is not the column sum can be read from the table.
std::vector<std::string> harmonicMeanNotes(double harmonicMeanCellSize);

// `full` is the design with its replicates factor designated; `cellSizes` one size per cell in
// cell-size grid order; `scores` the N = sum of the sizes scores in entry order (cell by cell,
// n(c) consecutive scores for cell c). Imputed scores count as scores. The caller's design is not
// changed. std::invalid_argument when the sizes or scores do not fit the design.
UnweightedMeansOutcome unweightedMeansAnalysis(const Design& full, const std::vector<long>& cellSizes,
                                               const Scores& scores, Prompts& prompts, bool exactP = false);

}  // namespace varisect
