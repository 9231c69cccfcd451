// SPDX-License-Identifier: GPL-3.0-or-later
// analyze --mode: the unequal-cell-size analyses of varisect-cli, read from an "Unequal N" data
// file (the test for random attrition, unweighted means, proportional cell sizes, unequal group
// sizes).
#pragma once

#include <ostream>

namespace varisect {

namespace clisupport {
struct Arguments;
}

// `a` are the arguments of analyze, with --mode given. Throws clisupport::CliFailure for bad
// arguments and data; returns the exit code otherwise.
int unequalAnalyzeCommand(const clisupport::Arguments& a, std::ostream& out, std::ostream& err);

}  // namespace varisect
