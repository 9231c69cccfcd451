// SPDX-License-Identifier: GPL-3.0-or-later
// analyze --mode: the unequal-cell-size analyses of varisect-cli, read from an "Unequal N" data
// file (the test for random attrition, unweighted means, proportional cell sizes, unequal group
// sizes).
#pragma once

#include <ostream>
#include <string>

#include "means/cellmeans.h"
#include "unequal/cellsizes.h"

#include "data/datafile.h"
#include "engine/design.h"

namespace varisect {

namespace clisupport {
struct Arguments;
}

// `a` are the arguments of analyze, with --mode given. Throws clisupport::CliFailure for bad
// arguments and data; returns the exit code otherwise.
int unequalAnalyzeCommand(const clisupport::Arguments& a, std::ostream& out, std::ostream& err);

// means --mode: the cell means of the file, on the design without the replicates (subjects)
// factor, with the number of scores of every cell.
struct UnequalMeansInput {
    UnequalAnalysisMode mode;
    Design design;
    Scores means;
    CellWeights weights;
    bool transformed = false;
};
UnequalMeansInput unequalMeansInput(const clisupport::Arguments& a);

// simple-effects --mode: the simple effects of the pair (--pair, or the one pair of the design
// without the replicates or subjects factor).
int unequalSimpleEffectsCommand(const clisupport::Arguments& a, std::ostream& out, std::ostream& err);

// The same analysis on an unequal-N layout already in memory (an imported table's) with its
// design; `a.dataPath` names the data in the messages.
int unequalAnalyzeLayout(const clisupport::Arguments& a, const Design& design, DataLayout layout, std::ostream& out,
                         std::ostream& err);

}  // namespace varisect
