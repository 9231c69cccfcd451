// SPDX-License-Identifier: GPL-3.0-or-later
// The steps every window and the command line share between a described design and its table:
// the checks of a design, with one set of messages, and the analysis itself (sources pooled when
// the design is nested, then the engine, then any contrast rows). Pure computations: nothing
// here keeps state or knows of the session.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/contrastrows.h"
#include "engine/analysis.h"
#include "engine/prompts.h"

namespace varisect {

// What is wrong with a described design, and the 1-based factor it concerns (0: the design as a
// whole), so that a window can put the user back on that factor.
struct DesignProblem {
    int factor = 0;
    Message message;
};

// More than 8 factors.
std::optional<Message> checkFactorCount(int count);
// A name that does not begin with a letter.
std::optional<Message> checkNameStart(const std::string& name);
// A factor without a name.
std::optional<DesignProblem> checkNamesGiven(const Design& design);
// Names and level labels are stored joined by commas (the recent-file list), so a comma inside
// one would split it: the refusal of `text`, the `what` ("factor name", "level label") named.
std::optional<std::string> commaRefusal(const std::string& text, const std::string& what);
// A name with a comma (see commaRefusal).
std::optional<DesignProblem> checkNameCommas(const Design& design);
// A factor with fewer than 2 levels.
std::optional<DesignProblem> checkLevels(const Design& design);
// More scores than the program holds.
std::optional<Message> checkScoreCount(const Design& design);
// Two names with the same first letter: the factor of the first of them.
std::optional<DesignProblem> checkUniqueInitials(const Design& design);

// Every check above, in that order; nothing when the design can be analysed.
std::optional<DesignProblem> validateDesign(const Design& design);

// The scores are not the complete set the design calls for (e.g. "Data OK" was not pressed after
// the design changed); the analysis cannot start.
std::optional<Message> scoresProblem(const Design& design, const Scores& scores);

// Pools the sources of a nested design and runs the analysis on the scores. Table labels are
// taken from the names (on a copy) when they have not been. Empty when the user abandoned the
// analysis at a question or it cannot be completed (the message went through `prompts`).
std::optional<AnovaTable> analyseDesign(const Design& design, const Scores& scores, Prompts& prompts,
                                        const AnalysisOptions& options = {});

// The table of an analysis with contrast rows, or why there is none.
struct ContrastAnalysis {
    std::optional<AnovaTable> table;
    // A contrast could not be tested (its message went through the prompts); the analysis itself
    // was not abandoned.
    bool contrastRefused = false;
    // How each contrast row was tested.
    std::vector<ContrastTest> tests;
};

// The whole analysis with its contrast rows: the ordinary table (as analyseDesign makes it), then
// insertContrastRows. No table when the analysis was abandoned (at a question of the analysis or
// of a contrast row) or cannot be completed, or a contrast was refused; every message went
// through `prompts`. `contrastOptions` choose the error of within-subject contrasts and the
// adjustment of their p.
ContrastAnalysis analyseWithContrasts(const Design& design, const Scores& scores,
                                      const std::vector<Contrast>& contrasts, Prompts& prompts,
                                      const AnalysisOptions& options = {}, const ContrastOptions& contrastOptions = {});

}  // namespace varisect
