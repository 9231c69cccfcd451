// SPDX-License-Identifier: GPL-3.0-or-later
// The analyze command's contrast tests and pairwise comparisons: reading --posthoc,
// --contrast-error and --adjust, and their blocks in the csv and json outputs. Internal to the
// command-line program.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/contrastrows.h"
#include "engine/design.h"
#include "posthoc/posthoc.h"

namespace varisect::clisupport {

// One --posthoc value: FACTOR, FACTOR:METHOD, FACTOR@BY or FACTOR@BY:METHOD (METHOD tukey, the
// default, holm or bonferroni). `error` is the choice of --contrast-error.
PosthocRequest posthocRequestOf(const Design& design, const std::string& given, ContrastError error);

// --contrast-error and --adjust (absent: the defaults, separate and none).
ContrastError contrastErrorOf(const std::optional<std::string>& value);
Adjustment adjustmentOf(const std::optional<std::string>& value);

// The csv blocks: a header line, then one line per contrast row / pair.
std::string contrastTestsCsv(const std::vector<ContrastTest>& tests);
std::string posthocCsv(const Design& design, const PosthocRequest& request, const PosthocResult& result);

// The json members, each followed by a comma: "contrasts":[...], and "posthoc":[...] with one
// object per --posthoc.
std::string contrastTestsJson(const std::vector<ContrastTest>& tests, Adjustment adjustment);
std::string posthocJson(const Design& design, const std::vector<PosthocRequest>& requests,
                        const std::vector<PosthocResult>& results);

}  // namespace varisect::clisupport
