// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/fprob.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/prompts.h"

using namespace varisect;

namespace {

// Continued fraction of the incomplete beta function (modified Lentz).
double betaContinuedFraction(double a, double b, double x)
{
    const double tiny = 1e-300;
    double c = 1.0;
    double d = 1.0 - (a + b) * x / (a + 1.0);
    if (std::fabs(d) < tiny)
        d = tiny;
    d = 1.0 / d;
    double h = d;
    for (int m = 1; m <= 10000; ++m) {
        const int m2 = 2 * m;
        double aa = m * (b - m) * x / ((a - 1.0 + m2) * (a + m2));
        d = 1.0 + aa * d;
        if (std::fabs(d) < tiny)
            d = tiny;
        c = 1.0 + aa / c;
        if (std::fabs(c) < tiny)
            c = tiny;
        d = 1.0 / d;
        h *= d * c;
        aa = -(a + m) * (a + b + m) * x / ((a + m2) * (a + 1.0 + m2));
        d = 1.0 + aa * d;
        if (std::fabs(d) < tiny)
            d = tiny;
        c = 1.0 + aa / c;
        if (std::fabs(c) < tiny)
            c = tiny;
        d = 1.0 / d;
        const double del = d * c;
        h *= del;
        if (std::fabs(del - 1.0) < 1e-15)
            break;
    }
    return h;
}

// Regularized incomplete beta I_x(a, b).
double incompleteBeta(double a, double b, double x)
{
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    const double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b)
                                  + a * std::log(x) + b * std::log1p(-x));
    if (x < (a + 1.0) / (a + b + 2.0))
        return front * betaContinuedFraction(a, b, x) / a;
    return 1.0 - front * betaContinuedFraction(b, a, 1.0 - x) / b;
}

// Exact P(F(d1, d2) > f).
double exactUpperTail(double d1, double d2, double f)
{
    return incompleteBeta(d2 / 2.0, d1 / 2.0, d2 / (d2 + d1 * f));
}

const char* const kWarningStart =
    "The F-ratio is 0, causing the P-value to be one.  Although this result can occur by chance, "
    "the program issues a warning because the condition usually results from a specification or "
    "input error.  Do you wish to ignore the warning ";

}  // namespace

TEST(FProbability, ReferenceIncompleteBetaIsSound)
{
    // Closed forms: F(2, d2) tail is (1 + 2f/d2)^(-d2/2); F(1, 1) tail is 1 - (2/pi) atan(sqrt f).
    EXPECT_NEAR(exactUpperTail(2, 10, 3.0), std::pow(1.0 + 0.6, -5.0), 1e-12);
    EXPECT_NEAR(exactUpperTail(1, 1, 4.0), 1.0 - 2.0 / std::numbers::pi * std::atan(2.0), 1e-12);
    EXPECT_NEAR(exactUpperTail(4, 4, 1.0), 0.5, 1e-12);
}

TEST(FProbability, ApproximationStaysCloseToTheExactTail)
{
    std::vector<double> grid;
    for (double f = 0.02; f < 200.0; f *= 1.05)
        grid.push_back(f);
    for (double f : {0.5, 0.9, 0.995, 1.0, 1.01, 1.5, 4.0, 1000.0})
        grid.push_back(f);

    double worst = 0;
    for (int d1 = 1; d1 <= 10; ++d1)
        for (int d2 = 1; d2 <= 60; ++d2)
            for (double f : grid) {
                const double p = paulsonUpperTail(d1, d2, f);
                ASSERT_GE(p, 0.0) << d1 << "," << d2 << "," << f;
                ASSERT_LE(p, 1.0) << d1 << "," << d2 << "," << f;
                worst = std::max(worst, std::fabs(p - exactUpperTail(d1, d2, f)));
            }
    EXPECT_LT(worst, 0.009);

    // An F just below 1 with a large denominator df lies on the lower side of the normal deviate
    // after the swap: the upper tail is about a third, not two thirds.
    EXPECT_NEAR(paulsonUpperTail(1, 60, 0.995), 0.323, 0.002);
    EXPECT_NEAR(exactUpperTail(1, 60, 0.995), 0.323, 0.001);
    // And just above 1 with a large numerator df.
    EXPECT_NEAR(paulsonUpperTail(60, 1, 1.005), exactUpperTail(60, 1, 1.005), 0.01);
}

TEST(FProbability, FixedPoints)
{
    for (int df : {1, 2, 5, 30})
        EXPECT_DOUBLE_EQ(paulsonUpperTail(df, df, 1.0), 0.5) << df;

    // F below 1 is evaluated as 1/F with the df exchanged and complemented.
    EXPECT_NEAR(paulsonUpperTail(2, 10, 0.5), 1.0 - paulsonUpperTail(10, 2, 2.0), 1e-15);
    EXPECT_NEAR(paulsonUpperTail(2, 10, 0.5), exactUpperTail(2, 10, 0.5), 0.009);

    // Df are rounded to whole numbers.
    EXPECT_DOUBLE_EQ(paulsonUpperTail(2.4, 9.6, 3.0), paulsonUpperTail(2, 10, 3.0));

    const double large = paulsonUpperTail(1, 100, 1000.0);
    EXPECT_GT(large, 0.0);
    EXPECT_LT(large, 1e-6);
    EXPECT_GT(paulsonUpperTail(3, 2, 1e12), 0.0);
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
    EXPECT_EQ(yes.messages[0].text, std::string(kWarningStart) + "(No = Return to Data Entry Grid)?");
    EXPECT_EQ(yes.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(yes.messages[0].icon, MessageIcon::Critical);

    // No abandons the analysis; the unequal-cell modes send the user back to their own window.
    RecordingPrompts no(false);
    ProbabilityContext unequal;
    unequal.unequalCellMode = true;
    f = 0;
    EXPECT_EQ(FRatioProbability(2, 10, f, no, unequal, abort), 0.0);
    EXPECT_TRUE(abort);
    ASSERT_EQ(no.messages.size(), 1u);
    EXPECT_EQ(no.messages[0].text,
              std::string(kWarningStart) + "(No = Return to the Unequal Cell Size Window)?");

    // A zero df with a real F is caught by the same check.
    RecordingPrompts zeroDf(true);
    abort = false;
    f = 3.5;
    EXPECT_EQ(FRatioProbability(0, 10, f, zeroDf, {}, abort), 1.0);
    EXPECT_EQ(FRatioProbability(3, 0, f, zeroDf, {}, abort), 1.0);
    EXPECT_EQ(zeroDf.messages.size(), 2u);
    EXPECT_FALSE(abort);
    EXPECT_EQ(f, 3.5);
}

TEST(FProbability, AttritionTestSkipsTheWarningAndTinyRatiosAreRewritten)
{
    RecordingPrompts prompts(false);
    ProbabilityContext attrition;
    attrition.attritionPending = true;
    bool abort = false;

    double f = 0;
    EXPECT_EQ(FRatioProbability(2, 10, f, prompts, attrition, abort), 1.0);
    EXPECT_EQ(f, 1e-9);

    f = 1e-12;
    EXPECT_EQ(FRatioProbability(2, 10, f, prompts, attrition, abort), 1.0);
    EXPECT_EQ(f, 1e-9);

    // A tiny positive F never asks, whatever the mode.
    f = 1e-12;
    EXPECT_EQ(FRatioProbability(2, 10, f, prompts, {}, abort), 1.0);
    EXPECT_EQ(f, 1e-9);

    f = 4.0;
    EXPECT_EQ(FRatioProbability(3, 12, f, prompts, attrition, abort), paulsonUpperTail(3, 12, 4.0));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(abort);
}
