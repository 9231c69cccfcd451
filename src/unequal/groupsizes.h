// SPDX-License-Identifier: GPL-3.0-or-later
// The unequal group sizes analysis: a split-plot design whose subjects are nested under the
// grouping factor A and crossed with the factor B, the groups holding different numbers of
// subjects. The table is built here, not by the engine.
#pragma once

#include <optional>
#include <vector>

#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/prompts.h"
#include "unequal/cellsizes.h"

namespace varisect {

// What the simple effects of one group need.
struct GroupTerms {
    long size = 0;                     // n(i)
    double subjectsSS = 0;             // SS_S(i)
    int subjectsDf = 0;                // n(i) - 1
    double interactionSS = 0;          // SS_BxS(i)
    int interactionDf = 0;             // (n(i) - 1)(b - 1)
    std::vector<double> levelTotals;   // AB(i, j), j = 1..b
};

struct GroupSizesOutcome {
    // The "Unequal Group Size " table: header, A, "  Error+", B, AxB, "  Error+", "Total" (the
    // labels are the factors' table labels). When imputed scores reduced the second error's df,
    // imputedErrorRow is 6, so the table text shows "*" behind that df. Empty when a size was
    // refused, there are too many imputed scores ("Error Condition!", told through the prompts)
    // or the user answered No to "Undefined F-ratio!" or "Warning!!!".
    std::optional<AnovaTable> table;
    // A group of size 0 (or less): the code-1 message, and the 1-based group to select.
    std::optional<Message> refusal;
    int refusedGroup = 0;

    GroupRoles roles;
    Design cellDesign;   // the design without the subjects factor
    Scores cellMeans;    // AB(i, j) / n(i) in the cell order of cellDesign: for means and graphs
    std::vector<GroupTerms> groups;
};

// `full` is the three-factor design whose designated subjects factor is nested under the
// grouping factor (see groupRoles); `groupSizes` one size per level of the grouping factor;
// `scores` the N = sum of n(i) times b scores in entry order: group by group, within a group
// level by level of B, within a level the group's subjects in order. `imputedCount` (m) reduces
// the df of the second error row; `exactP`: the p column holds the exact upper tail of F (so in
// the simple effects below). The caller's design is not changed. std::invalid_argument when
// the design, sizes or scores do not fit.
GroupSizesOutcome unequalGroupSizesAnalysis(const Design& full, const std::vector<long>& groupSizes,
                                            const Scores& scores, int imputedCount, Prompts& prompts,
                                            bool exactP = false);

// The simple effects of the same design, for the table window: the crossed factor B at each
// level i of the grouping factor A, each followed by its error "  Error+ at A i" (B by the
// subjects of group i), then A at each level j of B, each followed by "  Error+ at B j" (the
// subjects within their groups at that level). The rows of B at the levels of A add up to
// SS_B + SS_AB, those of A at the levels of B to SS_A + SS_AB. No "Total" row.
// `imputed` marks the imputed scores in entry order (empty: none); an error row loses one df for
// each imputed score that lies in it. An error row left without df by imputed scores gives
// "Error Condition!" and no table; a group of one subject has no error for B and leaves that F
// blank; a zero error MS asks "Undefined F-ratio!" (Yes: F and p stay blank; No: no table).
// std::invalid_argument when the design, sizes or scores do not fit (as above, and a size below 1).
std::optional<AnovaTable> groupSizesSimpleEffects(const Design& full, const std::vector<long>& groupSizes,
                                                  const Scores& scores, const std::vector<bool>& imputed,
                                                  Prompts& prompts, bool exactP = false);

}  // namespace varisect
