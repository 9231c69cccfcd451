// SPDX-License-Identifier: GPL-3.0-or-later
// The design of unequal group sizes and the row checks the unequal-cell-size tests share.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/anovatable.h"
#include "engine/reference.h"

namespace varisect::unequaltest {

// Group (2 levels) with `subjects` Subjects nested under it, crossed with Trial (3 levels).
inline Design groupDesign(int subjects)
{
    Design d = testing::makeDesign({{"Group", 2}, {"Trial", 3}, {"Subjects", subjects}}, AnovaType::RepeatedMeasures, 3);
    d.nested = true;
    d.nestingMatrix = {{'S', 'G'}};
    return d;
}

// A row's source, df and SS, and its MS and F where they are not negative.
inline void expectRow(const AnovaTable& t, int row, const std::string& label, double df, double ss, double ms,
                      double f = -1)
{
    SCOPED_TRACE(label);
    EXPECT_EQ(t.cell(row, ColSource), label);
    EXPECT_EQ(t.number(row, ColDf), df);
    EXPECT_NEAR(t.number(row, ColSS), ss, 1e-9);
    if (ms >= 0) {
        EXPECT_NEAR(t.number(row, ColMS), ms, 1e-9);
    }
    if (f >= 0) {
        EXPECT_NEAR(t.number(row, ColF), f, 1e-9);
    }
}

// Every row of `got` agrees with `want` in its df, SS, MS, F and p, and in its source unless the
// two tables name their error rows differently.
inline void expectSameRows(const AnovaTable& got, const AnovaTable& want, bool sameSources = true)
{
    ASSERT_EQ(got.rowCount(), want.rowCount());
    for (int r = 1; r <= want.rowCount(); ++r) {
        SCOPED_TRACE(want.cell(r, ColSource));
        if (sameSources) {
            EXPECT_EQ(got.cell(r, ColSource), want.cell(r, ColSource));
        }
        EXPECT_EQ(got.cell(r, ColDf), want.cell(r, ColDf));
        if (r == 1)
            continue;
        for (int c : {ColSS, ColMS, ColF, ColP})
            EXPECT_NEAR(got.number(r, c), want.number(r, c), 1e-9 * std::max(1.0, want.number(r, c)));
    }
}

}  // namespace varisect::unequaltest
