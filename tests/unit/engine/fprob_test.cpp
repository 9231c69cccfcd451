// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/fprob.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/fdistribution.h"
#include "engine/prompts.h"
#include "reference.h"
#include "support/recordingprompts.h"

using namespace varisect;
using varisect::testing::exactUpperTailF;

TEST(FProbability, ApproximationStaysCloseToTheExactTail)
{
    std::vector<double> grid{0.5, 0.9, 0.995, 1.0, 1.01, 1.5, 4.0, 1000.0};
    for (double f = 0.02; f < 200.0; f *= 1.05)
        grid.push_back(f);
    double worst = 0;
    for (int d1 = 1; d1 <= 10; ++d1)
        for (int d2 = 1; d2 <= 60; ++d2)
            for (double f : grid) {
                const double p = paulsonUpperTail(d1, d2, f);
                ASSERT_TRUE(p >= 0.0 && p <= 1.0) << d1 << "," << d2 << "," << f;
                worst = std::max(worst, std::fabs(p - exactUpperTailF(f, d1, d2)));
            }
    EXPECT_LT(worst, 0.009);

    // Just below 1 with a large denominator df the normal deviate is negative after the swap:
    // the upper tail is about a third, not two thirds. Likewise just above 1 the other way round.
    EXPECT_NEAR(paulsonUpperTail(1, 60, 0.995), 0.323, 0.002);
    EXPECT_NEAR(exactUpperTailF(0.995, 1, 60), 0.323, 0.001);
    EXPECT_NEAR(paulsonUpperTail(60, 1, 1.005), exactUpperTailF(1.005, 60, 1), 0.01);
}

TEST(FProbability, FixedPointsAndRoundedDf)
{
    for (int df : {1, 2, 5, 30})
        EXPECT_DOUBLE_EQ(paulsonUpperTail(df, df, 1.0), 0.5) << df;
    EXPECT_DOUBLE_EQ(paulsonUpperTail(2.4, 9.6, 3.0), paulsonUpperTail(2, 10, 3.0));
    const double far = paulsonUpperTail(1, 100, 1000.0);
    EXPECT_TRUE(far > 0.0 && far < 1e-6) << far;
}

TEST(FProbability, ZeroRatioAsksBeforeGivingOne)
{
    RecordingPrompts yes(true);
    bool abort = false;
    double f = 0;
    EXPECT_EQ(FRatioProbability(2, 10, f, yes, {}, abort), 1.0);
    EXPECT_FALSE(abort);
    ASSERT_EQ(yes.messages.size(), 1u);
    EXPECT_EQ(yes.messages[0].title, "Warning!!!");
    EXPECT_TRUE(yes.messages[0].text.starts_with("The F-ratio is 0, causing the P-value to be one."));
    EXPECT_TRUE(yes.messages[0].text.ends_with("Do you wish to ignore the warning (No = Return to Data Entry Grid)?"));
    EXPECT_EQ(yes.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(yes.messages[0].icon, MessageIcon::Critical);

    // No abandons the analysis; the unequal-cell modes send the user back to their own window.
    RecordingPrompts no(false);
    ProbabilityContext unequal;
    unequal.unequalCellMode = true;
    EXPECT_EQ(FRatioProbability(2, 10, f, no, unequal, abort), 0.0);
    EXPECT_TRUE(abort);
    ASSERT_EQ(no.messages.size(), 1u);
    EXPECT_TRUE(no.messages[0].text.ends_with("warning (No = Return to the Unequal Cell Size Window)?"));

    // A zero df with a real F is caught by the same check and leaves F alone.
    f = 3.5;
    EXPECT_EQ(FRatioProbability(3, 0, f, yes, {}, abort), 1.0);
    EXPECT_EQ(yes.messages.size(), 2u);
    EXPECT_EQ(f, 3.5);
}

TEST(FProbability, AttritionTestSkipsTheWarningAndTinyRatiosAreRewritten)
{
    RecordingPrompts prompts(false);
    ProbabilityContext attrition;
    attrition.quietZeroF = true;
    bool abort = false;
    double f = 0;
    EXPECT_EQ(FRatioProbability(2, 10, f, prompts, attrition, abort), 1.0);
    EXPECT_EQ(f, 1e-9);
    // A tiny positive F never asks, whatever the mode.
    f = 1e-12;
    EXPECT_EQ(FRatioProbability(2, 10, f, prompts, {}, abort), 1.0);
    EXPECT_EQ(f, 1e-9);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(abort);
}

TEST(FProbability, ExactTailOnRequest)
{
    // Boost's tail against the independent incomplete beta of the tests, over the df of real
    // tables, where the approximation is off by up to .009.
    double worst = 0;
    for (int d1 : {1, 2, 3, 5, 8, 15, 40})
        for (int d2 : {1, 2, 3, 4, 7, 12, 30, 100, 1000, 16000})
            for (double f : {0.05, 0.5, 0.999, 1.0, 1.001, 2.0, 4.5, 20.0, 300.0})
                worst = std::max(worst, std::fabs(exactUpperTail(d1, d2, f) - exactUpperTailF(f, d1, d2)) /
                                            std::max(1e-300, exactUpperTailF(f, d1, d2)));
    EXPECT_LT(worst, 1e-9);
    EXPECT_EQ(exactUpperTail(3, 10, 0), 1.0);
    EXPECT_EQ(exactUpperTail(3, 0, 2), 1.0);
    EXPECT_EQ(exactUpperTail(3, 10, HUGE_VAL), 0.0);

    // The probability of the table: the zero-F warning and the tiny-F rewrite as before.
    ProbabilityContext exact;
    exact.exact = true;
    RecordingPrompts prompts(true);
    bool abort = false;
    double f = 4.5;
    EXPECT_EQ(FRatioProbability(2, 12, f, prompts, exact, abort), exactUpperTail(2, 12, 4.5));
    EXPECT_NE(FRatioProbability(2, 12, f, prompts, {}, abort), exactUpperTail(2, 12, 4.5));
    f = 0;
    EXPECT_EQ(FRatioProbability(2, 12, f, prompts, exact, abort), 1.0);
    EXPECT_EQ(prompts.messages.size(), 1u);
    f = 1e-12;
    EXPECT_EQ(FRatioProbability(2, 12, f, prompts, exact, abort), 1.0);
    EXPECT_EQ(f, 1e-9);
    // An F of exactly the smallest shown value is the same "0 or nearly so": p 1, not the
    // .99997554 of the tail at 1e-9 (attrition and proportional tables used to show that).
    f = 1e-9;
    EXPECT_EQ(FRatioProbability(2, 12, f, prompts, exact, abort), 1.0);
    EXPECT_LT(exactUpperTail(1, 10, 1e-9), 1 - 1e-5);  // .9999754

    // The exact tail of an F as the table shows it, for the p_exact column and the corrected
    // df: 1 at the smallest shown F and below, the exact tail above it.
    EXPECT_EQ(exactTailOfShownF(1, 10, 1e-9), 1.0);
    EXPECT_EQ(exactTailOfShownF(1, 10, 0), 1.0);
    EXPECT_EQ(exactTailOfShownF(1, 10, 2e-9), exactUpperTail(1, 10, 2e-9));
    EXPECT_LT(exactTailOfShownF(1, 10, 2e-9), 1.0);
    EXPECT_EQ(exactTailOfShownF(2, 12, 4.5), exactUpperTail(2, 12, 4.5));
}
