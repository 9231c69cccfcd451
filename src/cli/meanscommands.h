// SPDX-License-Identifier: GPL-3.0-or-later
// The means and simple-effects commands of varisect-cli: what the "Cell Means" window and its
// simple-effects table show, for scripts.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "engine/design.h"
#include "means/cellmeans.h"

namespace varisect {

// The cells of `grids` as CSV, one line per cell, marginal means included, as the "Cell Means"
// window shows them (the header names the columns). `unequal`: cells of unequal sizes, with an "n"
// column.
std::string meansCsv(const Design& design, const std::vector<MeansGrid>& grids, bool unequal = false);

// `args` with the command first, as runCli receives them. Throw clisupport::CliFailure for bad
// arguments and data; return the exit code otherwise.
int meansCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int simpleEffectsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace varisect
