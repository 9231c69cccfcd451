// SPDX-License-Identifier: GPL-3.0-or-later
// Pairwise comparisons of the means of one factor's levels after the analysis: every pair of its
// marginal means, or of its cell means at each level of a second factor, by Tukey's honestly
// significant difference, Holm's step-down method or the Bonferroni method, each with its
// standard error, statistic, df, adjusted p and adjusted 95% confidence interval.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/contrastrows.h"
#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/prompts.h"

namespace varisect {

enum class PairwiseMethod { Tukey, Holm, Bonferroni };

// "tukey", "holm", "bonferroni": the words of the command line; the names of the window and the
// legends: "Tukey HSD", "Holm", "Bonferroni".
std::string pairwiseMethodKey(PairwiseMethod method);
std::string pairwiseMethodName(PairwiseMethod method);
bool pairwiseMethodOfKey(const std::string& key, PairwiseMethod& method);
// The intervals shown with the method's p, for the command line: "tukey" (simultaneous, from the
// studentized range) or "bonferroni" (Bonferroni's, and Holm's, which has none of its own).
std::string pairwiseIntervalsKey(PairwiseMethod method);

struct PosthocRequest {
    int factor = 0;    // 1-based: the factor whose levels are compared
    int byFactor = 0;  // 0: its marginal means; else its cell means at each level of this factor
    PairwiseMethod method = PairwiseMethod::Tukey;
    // A within-subject factor: each pair against its own error (the subjects' differences) or
    // the pooled error of the effect's row in the table. Other factors use the table's error.
    ContrastError error = ContrastError::Separate;
};

struct PairwiseRow {
    int byLevel = 0;                 // 1-based level of the by-factor, 0 without one
    int first = 0, second = 0;       // 1-based levels, first < second
    double meanFirst = 0, meanSecond = 0;
    double difference = 0;           // meanFirst - meanSecond
    double se = 0;                   // of the difference
    double statistic = 0;            // t, or q = sqrt(2) |t| for Tukey; NaN when there is no test
    double df = 0;
    double p = 0;                    // adjusted; NaN when there is no test
    double lower = 0, upper = 0;     // the adjusted 95% interval of the difference (Holm: Bonferroni's)
};

struct PosthocResult {
    std::optional<Message> refusal;  // nothing can be compared: why
    std::vector<PairwiseRow> rows;
    std::string statisticName;       // "q" (Tukey) or "t"
    std::vector<std::string> legend; // the error term, how p was adjusted, which intervals are shown
};

// The factors (1-based) whose levels can be compared: neither the designated factor nor a nested
// one.
std::vector<int> posthocFactors(const Design& design);

// The comparisons of `request` for the scores the table was made from. `table` is the analysis
// of `design` (table labels set): the error rows are read from it. Refused with a message for a
// table without F-ratios, a factor that cannot be compared, or a by-factor that is the factor
// itself or cannot be compared either.
PosthocResult pairwiseComparisons(const Design& design, const Scores& scores, const AnovaTable& table,
                                  const PosthocRequest& request);

// The caption of level `level` (1-based) of factor `factor`: its label when it has one, else the
// table label and the number ("T2").
std::string levelName(const Design& design, int factor, int level);

// The comparisons as fixed-pitch lines, for the window, the clipboard, the printer and the command
// line: a heading, the column heads, one line per pair (a line per by-level before its pairs),
// then the legend.
std::vector<std::string> posthocLines(const Design& design, const PosthocRequest& request, const PosthocResult& result);

}  // namespace varisect
