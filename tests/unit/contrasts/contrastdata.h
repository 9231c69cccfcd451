// SPDX-License-Identifier: GPL-3.0-or-later
// Designs and scores the contrast tests share (the contrasts' own rules and their rows in the
// table).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/analysisservice.h"
#include "engine/anovatable.h"
#include "engine/design.h"
#include "support/recordingprompts.h"

namespace varisect::contrastdata {

// Factors by name and levels, table labels their first letters.
inline Design design(std::vector<std::pair<std::string, int>> factors, AnovaType type, int designated)
{
    Design d;
    for (auto& [name, levels] : factors)
        d.factors.push_back({name, name[0], levels, {}});
    d.anovaType = type;
    d.designatedFactor = designated;
    return d;
}

// Scores that differ from cell to cell without a pattern the sums could hide.
inline Scores unevenScores(long n)
{
    Scores s;
    for (long i = 0; i < n; ++i)
        s.push_back(static_cast<float>((i * 7919 % 23) + (i % 5) * 0.5));
    return s;
}

// The row of the table whose source reads `label`, 0 when there is none.
inline int rowOf(const AnovaTable& t, const std::string& label)
{
    for (int r = 2; r <= t.rowCount(); ++r)
        if (t.cell(r, ColSource) == label)
            return r;
    return 0;
}

// The table with the contrast rows; a failed analysis fails the test.
inline AnovaTable analysed(const Design& d, const Scores& s, const std::vector<Contrast>& contrasts,
                           RecordingPrompts& p, const ContrastOptions& options = {})
{
    const std::optional<AnovaTable> t = analyseWithContrasts(d, s, contrasts, p, {}, options).table;
    EXPECT_TRUE(t.has_value());
    return t.value_or(AnovaTable{});
}

}  // namespace varisect::contrastdata
