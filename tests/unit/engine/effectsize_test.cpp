// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/effectsize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/numbertext.h"
#include "reference.h"

using namespace varisect;
using varisect::testing::exactUpperTailF;

namespace {

// Power of the F test at alpha against noncentrality lambda, from the exact central tails:
// critical value by bisection, then the Poisson(lambda / 2) mixture over df1 + 2j.
double referencePower(int d1, int d2, double alpha, double lambda)
{
    double lo = 0, hi = 1;
    while (exactUpperTailF(hi, d1, d2) > alpha)
        hi *= 2;
    for (int i = 0; i < 200; ++i) {
        const double mid = (lo + hi) / 2;
        (exactUpperTailF(mid, d1, d2) > alpha ? lo : hi) = mid;
    }
    double power = 0, weightSum = 0;
    for (int j = 0; weightSum < 1 - 1e-12 && j < 100000; ++j) {
        const double weight = std::exp(-lambda / 2 + j * std::log(lambda / 2) - std::lgamma(j + 1.0));
        weightSum += weight;
        power += weight * exactUpperTailF(d1 * lo / (d1 + 2 * j), d1 + 2 * j, d2);
    }
    return power;
}

// Independent groups A (2) x B (3) with 4 replicates: dfe 18, SSe 36, MSe 2, N 24.
AnovaTable handTable()
{
    AnovaTable t;
    t.rows = {
        {"Source", "df", "SS", "MS", "F", "  p"},     {"A", " 1", " 40", " 40", " 20", " .0003"},
        {"B", " 2", " 3", " 1.5", " .75", " .49"},    {"AxB", " 2", " 20", " 10", " 5", " .019"},
        {"  Within", " 18", " 36", " 2", "", ""},     {"Total", " 23", " 99", "", "", ""},
    };
    t.lastRow = 5;
    t.pooledErrorSS = 36;
    t.pooledErrorDf = 18;
    return t;
}

Design handDesign()
{
    Design d;
    d.factors = {{"Alpha", 'A', 2, {}}, {"Beta", 'B', 3, {}}, {"Subjects", 'S', 4, {}}};
    d.anovaType = AnovaType::IndependentGroups;
    d.designatedFactor = 3;
    d.labelsTruncated = true;
    return d;
}

}  // namespace

TEST(UpperTail, ClosedFormsMatchTheExactTail)
{
    double worst = 0;
    for (int d1 = 1; d1 <= 12; ++d1)
        for (int d2 = 1; d2 <= 40; ++d2)
            for (double f : {0.0, 0.05, 0.3, 0.8, 1.0, 1.7, 4.0, 15.0, 60.0})
                worst = std::max(worst, std::fabs(UpperTailF(f, d1, d2) - exactUpperTailF(f, d1, d2)));
    // Only the rounded pi of the odd-odd case keeps this from rounding error.
    EXPECT_LT(worst, 5e-6);
    EXPECT_GE(UpperTailF(1e9, 1, 1), 0.0);
    EXPECT_NEAR(UpperTailF(3.0, 101, 301), exactUpperTailF(3.0, 101, 301), 1e-5);
}

TEST(PostHocPower, AgreesWithAnIndependentNoncentralF)
{
    struct Case { int d1, d2; double phi; };
    for (const Case c : {Case{1, 18, 1.56}, Case{4, 9, 0.7}, Case{1, 1, 3.0}, Case{7, 3, 2.5}})
        EXPECT_NEAR(PostHocPower(c.d1, c.d2, 0.05, c.phi).value_or(-1),
                    referencePower(c.d1, c.d2, 0.05, (c.d1 + 1) * c.phi * c.phi), 1e-4)
            << c.d1 << "," << c.d2 << "," << c.phi;
    // No effect: the power falls to the significance level.
    EXPECT_NEAR(PostHocPower(3, 20, 0.05, 1e-3).value_or(-1), 0.05, 1e-4);
    // Nothing where the input is unusable.
    EXPECT_FALSE(PostHocPower(2, 20, 0.05, std::nan("")).has_value());
    EXPECT_FALSE(PostHocPower(0, 20, 0.05, 1.0).has_value());
}

TEST(PostHocPower, StrongEffectsFallBackToTheExactNoncentralF)
{
    // Where the series cannot be evaluated (a tail's power factor underflows against a huge
    // series sum, or the sum would need df beyond 32767) it used to print .36, 0 or nothing.
    struct Case { int d1, d2; double phi; };
    for (const Case c : {Case{1, 16000, 12.0}, Case{3, 1000, 20.0}, Case{1, 1000, 40.0}, Case{1, 20, 200.0}}) {
        EXPECT_FALSE(seriesPostHocPower(c.d1, c.d2, 0.05, c.phi).has_value()) << c.d1 << "," << c.d2;
        EXPECT_NEAR(PostHocPower(c.d1, c.d2, 0.05, c.phi).value_or(-1), 1.0, 1e-9) << c.d1 << "," << c.d2;
    }
    // Moderate effects near the failing region keep the series, which agrees with the exact tail.
    for (const Case c : {Case{1, 16000, 0.5}, Case{10, 500, 1.0}, Case{2, 100, 2.0}}) {
        const auto series = seriesPostHocPower(c.d1, c.d2, 0.05, c.phi);
        ASSERT_TRUE(series.has_value()) << c.d1 << "," << c.d2;
        EXPECT_EQ(PostHocPower(c.d1, c.d2, 0.05, c.phi), series);
        EXPECT_NEAR(*series, referencePower(c.d1, c.d2, 0.05, (c.d1 + 1) * c.phi * c.phi), 1e-4);
    }
}

TEST(FormatFixed, CellTexts)
{
    const struct { double value; int places; bool pStyle; const char* text; } cases[] = {
        {0.5, 3, true, ".500"},     {0.0004, 3, true, "<.001"},   {1.0, 3, true, " 1. "},
        {10.004, 2, true, "10.00"}, {3.0, 2, false, "3.00"},      {0.2, 2, false, ".20"},
        {2.345, 2, false, "2.35"},  {0.29, 2, false, ".29"},      {-0.0099, 3, false, "-.010"},
        {12.5, 3, false, "12.5"},   {1.25, 3, false, "1.250"},    {7.0, 3, false, "7.000"},
        {42.0, 3, false, "42.000"}, {0.0, 3, false, "0.000"},     {1234567.89, 2, false, "1234567.89"},
        {0.00012345, 5, false, ".00012"},  // other place counts give the shortest text
        // Beyond 15 digits, or far below 1, the exponent form of printf's %G.
        {1.5e20, 2, false, "1.5E+20"},     {-2.5e-7, 8, false, "-2.5E-07"}, {1234567890123456.0, 2, false, "1.23456789012346E+15"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFixed(c.value, c.places, c.pStyle), c.text) << c.value << " " << c.places;
}

// A small SS or MS is widened until its text is not 0: the text has the fewest places from the
// table's on that read back as other than 0 (up to 15).
TEST(FormatFixed, WidenedUntilTheTextIsNotZero)
{
    EXPECT_EQ(widenedFixed(0.004, 2), ".004");
    EXPECT_EQ(widenedFixed(0.0004, 3), ".0004");
    EXPECT_EQ(widenedFixed(12.5, 2), "12.50");
    EXPECT_EQ(meanSquareText(-0.0004, 2), "0.00");  // only a positive MS is widened
    for (int e = -17; e <= 20; ++e)
        for (const double m : {1.0, 4.9, 5.0, 9.99}) {
            const double value = m * std::pow(10.0, e);
            for (const int places : {2, 3}) {
                const std::string text = widenedFixed(value, places);
                int used = places;
                while (used < 15 && parseNumber(FormatFixed(value, used, false)) == 0)
                    ++used;
                EXPECT_EQ(text, FormatFixed(value, used, false)) << value << " " << places;
            }
        }
}

TEST(EffectSizes, HaysOmegaSquaredAndPower)
{
    const EffectSizes e = computeEffectSizes(handTable(), handDesign(), EffectSizeKind::Hays);
    ASSERT_EQ(e.column4.size(), 6u);
    EXPECT_EQ(e.column3[0], "Omega\u00B2");
    EXPECT_EQ(e.column4[0], "P-h Pwr");
    // A: (40 - 2) / (99 + 2), phi from n = 4 per cell.
    const double omegaA = 38.0 / 101.0;
    EXPECT_NEAR(e.omega2[1].value_or(-1), omegaA, 1e-12);
    EXPECT_EQ(e.column3[1], ".376");
    const double power = e.power[1].value_or(-1);
    EXPECT_NEAR(power, referencePower(1, 18, 0.05, 2 * 4 * omegaA / (1 - omegaA)), 1e-4);
    EXPECT_EQ(e.column4[1], FormatFixed(power, 2, false));
    // B: SS below df * MSe gives a negative omega squared and no power.
    EXPECT_EQ(e.column3[2], "-.010");
    EXPECT_EQ(e.column4[2], ".00");
    EXPECT_FALSE(e.phi[2].has_value());
    EXPECT_EQ(e.column3[3], ".158");  // (20 - 4) / 101
    for (size_t i : {4u, 5u})
        EXPECT_TRUE(e.column3[i].empty() && e.column4[i].empty() && !e.omega2[i]) << i;
}

TEST(EffectSizes, PartialOmegaSquaredShowsFAgain)
{
    const EffectSizes e = computeEffectSizes(handTable(), handDesign(), EffectSizeKind::Partial);
    EXPECT_EQ(e.column3[0], "Partial O\u00B2");
    EXPECT_EQ(e.column4[0], "F");
    // (SS - df MSe) / (SS + (N - df) MSe).
    EXPECT_EQ(e.column3[1], ".442");  // 38 / 86
    EXPECT_EQ(e.column4[1], "20.00");
    EXPECT_EQ(e.column3[2], "-.021");  // -1 / 47
    EXPECT_EQ(e.column4[2], "<1");
    EXPECT_EQ(e.column3[3], ".250");  // 16 / 64
    EXPECT_EQ(e.column4[3], "5.00");
    EXPECT_FALSE(e.phi[1].has_value());
    EXPECT_EQ(e.column4[4], "");
}
