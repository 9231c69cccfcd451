// SPDX-License-Identifier: GPL-3.0-or-later
// Corrections of p for testing several hypotheses at once.
#pragma once

#include <string>
#include <vector>

namespace varisect {

enum class Adjustment { None, Holm, Bonferroni };

// The p values adjusted for the family they form: unchanged (None); multiplied by the number of
// tests and capped at 1 (Bonferroni); Holm's step-down method: the i-th smallest p multiplied by
// (m - i + 1), each kept at least as large as the one before it in that order, capped at 1.
// NaN entries are not tests: they stay NaN and do not count in m.
std::vector<double> adjustedP(const std::vector<double>& p, Adjustment adjustment);

// "none", "holm", "bonferroni": the words of the command line.
std::string adjustmentKey(Adjustment adjustment);
// The adjustment named by one of those words (any case); false when the word names none.
bool adjustmentOfKey(const std::string& key, Adjustment& adjustment);

// How the family of `count` tests was adjusted, for a legend: "p adjusted for the 3 contrasts by
// Holm's step-down method", "p not adjusted for multiplicity".
std::string adjustmentLegend(Adjustment adjustment, int count, const std::string& what);

// The adjustment of the confidence intervals shown beside p adjusted by `adjustment`. Holm's
// step-down method has no simultaneous intervals of its own: its p come with Bonferroni's
// intervals. The others adjust their intervals as their p.
Adjustment intervalAdjustment(Adjustment adjustment);
// The two-sided alpha of each interval of a family of `count` adjusted so (intervalAdjustment):
// `alpha` divided by `count` for Bonferroni, `alpha` itself unadjusted.
double intervalAlpha(Adjustment adjustment, int count, double alpha);
// Which intervals of `what` are shown beside p adjusted by `adjustment`, for a legend:
// "Intervals: Bonferroni-adjusted 95% confidence intervals of the differences (Holm's step-down
// method has none of its own)".
std::string intervalLegend(Adjustment adjustment, const std::string& what);

}  // namespace varisect
