// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/multiplicity.h"

#include <cmath>

#include <gtest/gtest.h>

namespace varisect {
namespace {

// Worked by hand: sorted .005 .01 .03 .04 get x4 x3 x2 x1 = .02 .03 .06 .04, and the last is
// raised to the .06 before it (step-down never lets a larger p have a smaller adjusted p).
TEST(Multiplicity, HolmStepsDownBonferroniMultiplies)
{
    const std::vector<double> p{0.01, 0.04, 0.03, 0.005};
    const std::vector<double> holm = adjustedP(p, Adjustment::Holm);
    const std::vector<double> expectedHolm{0.03, 0.06, 0.06, 0.02};
    const std::vector<double> bonferroni = adjustedP(p, Adjustment::Bonferroni);
    const std::vector<double> expectedBonferroni{0.04, 0.16, 0.12, 0.02};
    for (std::size_t i = 0; i < p.size(); ++i) {
        EXPECT_NEAR(holm[i], expectedHolm[i], 1e-15);
        EXPECT_NEAR(bonferroni[i], expectedBonferroni[i], 1e-15);
    }
    EXPECT_EQ(adjustedP(p, Adjustment::None), p);

    // Capped at 1; an untested entry stays out of the family.
    const std::vector<double> withGap = adjustedP({0.6, std::nan(""), 0.2}, Adjustment::Holm);
    EXPECT_NEAR(withGap[2], 0.4, 1e-15);
    EXPECT_NEAR(withGap[0], 0.6, 1e-15);
    EXPECT_TRUE(std::isnan(withGap[1]));
    EXPECT_EQ(adjustedP({0.6, 0.7}, Adjustment::Bonferroni), (std::vector<double>{1.0, 1.0}));
}

TEST(Multiplicity, KeysAndLegend)
{
    Adjustment a = Adjustment::None;
    EXPECT_TRUE(adjustmentOfKey("Holm", a));
    EXPECT_EQ(a, Adjustment::Holm);
    EXPECT_FALSE(adjustmentOfKey("sidak", a));
    EXPECT_EQ(a, Adjustment::Holm);
    EXPECT_EQ(adjustmentLegend(Adjustment::Bonferroni, 2, "contrasts"),
              "p adjusted for the 2 contrasts by the Bonferroni method");
    EXPECT_EQ(adjustmentLegend(Adjustment::None, 1, "contrast"), "p not adjusted for multiplicity (the 1 contrast)");
}

// Holm's step-down method has no simultaneous intervals: its p are shown with Bonferroni's, each
// at 1 - alpha / m, and the legend says so.
TEST(Multiplicity, IntervalsBesideAdjustedP)
{
    EXPECT_EQ(intervalAdjustment(Adjustment::Holm), Adjustment::Bonferroni);
    EXPECT_EQ(intervalAdjustment(Adjustment::None), Adjustment::None);
    EXPECT_DOUBLE_EQ(intervalAlpha(Adjustment::Holm, 4, 0.05), 0.0125);
    EXPECT_DOUBLE_EQ(intervalAlpha(Adjustment::Bonferroni, 4, 0.05), 0.0125);
    EXPECT_DOUBLE_EQ(intervalAlpha(Adjustment::None, 4, 0.05), 0.05);
    EXPECT_EQ(intervalLegend(Adjustment::Holm, "the differences"),
              "Intervals: Bonferroni-adjusted 95% confidence intervals of the differences (Holm's step-down method "
              "has none of its own)");
    EXPECT_EQ(intervalLegend(Adjustment::None, "the contrasts"),
              "Intervals: 95% confidence intervals of the contrasts, not adjusted for multiplicity");
}

}  // namespace
}  // namespace varisect
