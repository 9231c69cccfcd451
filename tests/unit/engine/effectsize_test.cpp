// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/effectsize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/anovatable.h"
#include "engine/design.h"

using namespace varisect;

namespace {

// Regularized incomplete beta I_x(a, b) by its hypergeometric series
//   x^a (1-x)^b / (a B(a, b)) * sum_n (a+b)_n / (a+1)_n x^n,
// taken on the side of the symmetry I_x(a, b) = 1 - I_(1-x)(b, a) where it converges fast.
double incompleteBeta(double a, double b, double x)
{
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    if (x > (a + 1.0) / (a + b + 2.0))
        return 1.0 - incompleteBeta(b, a, 1.0 - x);
    const double front = std::exp(a * std::log(x) + b * std::log1p(-x) + std::lgamma(a + b)
                                  - std::lgamma(a) - std::lgamma(b)) / a;
    double term = 1.0;
    double sum = 1.0;
    for (int n = 0; n < 10000000; ++n) {
        term *= (a + b + n) / (a + 1.0 + n) * x;
        sum += term;
        if (term < 1e-17 * sum)
            break;
    }
    return front * sum;
}

double exactUpperTail(double f, int d1, int d2)
{
    return incompleteBeta(d2 / 2.0, d1 / 2.0, d2 / (d2 + d1 * f));
}

// Power of the F test at alpha against noncentrality lambda, from the exact central tails:
// critical value by bisection, then the Poisson(lambda / 2) mixture over df1 + 2j.
double referencePower(int d1, int d2, double alpha, double lambda)
{
    double lo = 0, hi = 1;
    while (exactUpperTail(hi, d1, d2) > alpha)
        hi *= 2;
    for (int i = 0; i < 200; ++i) {
        const double mid = (lo + hi) / 2;
        (exactUpperTail(mid, d1, d2) > alpha ? lo : hi) = mid;
    }
    const double fcrit = (lo + hi) / 2;
    double power = 0;
    double weightSum = 0;
    for (int j = 0; weightSum < 1 - 1e-12 && j < 100000; ++j) {
        const double weight =
            std::exp(-lambda / 2 + j * std::log(lambda / 2) - std::lgamma(j + 1.0));
        weightSum += weight;
        power += weight * exactUpperTail(d1 * fcrit / (d1 + 2 * j), d1 + 2 * j, d2);
    }
    return power;
}

}  // namespace

TEST(UpperTail, ClosedFormsMatchTheIncompleteBeta)
{
    const std::vector<double> grid{0.05, 0.3, 0.8, 1.0, 1.7, 2.5, 4.0, 7.5, 15.0, 60.0};
    double worst = 0;
    for (int d1 = 1; d1 <= 12; ++d1)
        for (int d2 = 1; d2 <= 40; ++d2)
            for (double f : grid)
                worst = std::max(worst, std::fabs(UpperTailF(f, d1, d2) - exactUpperTail(f, d1, d2)));
    // Only the rounded pi of the odd-odd case keeps this from rounding error.
    EXPECT_LT(worst, 5e-6);
    // A far tail with both df odd still stays a probability.
    EXPECT_GE(UpperTailF(1e9, 1, 1), 0.0);
    EXPECT_NEAR(UpperTailF(3.0, 101, 301), exactUpperTail(3.0, 101, 301), 1e-5);
}

TEST(UpperTail, ZeroAndTheTwoDfNumerator)
{
    for (int d1 = 1; d1 <= 9; ++d1)
        for (int d2 = 1; d2 <= 9; ++d2)
            EXPECT_EQ(UpperTailF(0, d1, d2), 1.0) << d1 << "," << d2;
    for (int d2 : {1, 4, 7, 20}) {
        const double x = d2 / (2 * 3.0 + d2);
        EXPECT_EQ(UpperTailF(3.0, 2, d2), std::pow(x, d2 / 2.0));
    }
}

TEST(PostHocPower, AgreesWithAnIndependentNoncentralF)
{
    struct Case {
        int d1, d2;
        double phi;
    };
    for (const Case c : {Case{1, 18, 1.56}, Case{2, 12, 1.0}, Case{3, 40, 2.0}, Case{4, 9, 0.7},
                         Case{1, 1, 3.0}, Case{5, 60, 1.2}, Case{7, 3, 2.5}}) {
        const auto power = PostHocPower(c.d1, c.d2, 0.05, c.phi);
        ASSERT_TRUE(power.has_value()) << c.d1 << "," << c.d2;
        const double lambda = (c.d1 + 1) * c.phi * c.phi;
        EXPECT_NEAR(*power, referencePower(c.d1, c.d2, 0.05, lambda), 1e-4)
            << c.d1 << "," << c.d2 << "," << c.phi;
    }

    // The textbook pair: with one numerator df and an unlimited error df, a noncentrality of
    // (1.96 + 0.8416)^2 gives power .80 at alpha .05.
    const double lambda80 = std::pow(1.959964 + 0.841621, 2);
    const auto p80 = PostHocPower(1, 30000, 0.05, std::sqrt(lambda80 / 2));
    ASSERT_TRUE(p80.has_value());
    EXPECT_NEAR(*p80, 0.80, 0.002);

    // No effect: the power falls to the significance level.
    const auto tiny = PostHocPower(3, 20, 0.05, 1e-3);
    ASSERT_TRUE(tiny.has_value());
    EXPECT_NEAR(*tiny, 0.05, 1e-4);
}

TEST(PostHocPower, GivesNothingWhereTheSumsCannotSettle)
{
    // The Poisson sum would need numerator df beyond 32767.
    EXPECT_FALSE(PostHocPower(1, 20, 0.05, 200.0).has_value());
    EXPECT_FALSE(PostHocPower(2, 20, 0.05, std::nan("")).has_value());
    EXPECT_FALSE(PostHocPower(0, 20, 0.05, 1.0).has_value());
}

TEST(FormatFixed, CellTexts)
{
    EXPECT_EQ(FormatFixed(0.5, 3, true), ".500");
    EXPECT_EQ(FormatFixed(0.0004, 3, true), "<.001");
    EXPECT_EQ(FormatFixed(1.0, 3, true), " 1. ");
    EXPECT_EQ(FormatFixed(0.0234, 3, true), ".023");
    EXPECT_EQ(FormatFixed(3.0, 2, false), "3.00");
    EXPECT_EQ(FormatFixed(0.2, 2, false), ".20");
    EXPECT_EQ(FormatFixed(-0.012, 3, false), "-.012");
    EXPECT_EQ(FormatFixed(-0.0099, 3, false), "-.010");
    EXPECT_EQ(FormatFixed(12.5, 3, false), "12.5");
    EXPECT_EQ(FormatFixed(1.25, 3, false), "1.250");
    EXPECT_EQ(FormatFixed(0.25, 3, false), ".250");
    EXPECT_EQ(FormatFixed(7.0, 3, false), "7.000");
    EXPECT_EQ(FormatFixed(42.0, 3, false), "42.000");
    EXPECT_EQ(FormatFixed(0.0, 3, false), "0.000");
    EXPECT_EQ(FormatFixed(2.345, 2, false), "2.35");
    EXPECT_EQ(FormatFixed(2.3, 2, false), "2.30");
    EXPECT_EQ(FormatFixed(10.004, 2, true), "10.00");
    EXPECT_EQ(FormatFixed(0.29, 2, false), ".29");
    // Large values keep every digit.
    EXPECT_EQ(FormatFixed(1234567.89, 2, false), "1234567.89");
    EXPECT_EQ(FormatFixed(98765432.1, 3, false), "98765432.1");
    // Other place counts are left as the shortest text.
    EXPECT_EQ(FormatFixed(0.00012345, 5, false), ".00012");
    EXPECT_EQ(FormatFixed(1.5, 4, false), "1.5");
}

namespace {

// Independent groups A (2) x B (3) with 4 replicates: dfe 18, SSe 36, MSe 2.
AnovaTable handTable()
{
    AnovaTable t;
    t.rows = {
        {"Source", "df", "SS", "MS", "F", "  p"},
        {"A", " 1", " 40", " 40", " 20", " .0003"},
        {"B", " 2", " 3", " 1.5", " .75", " .49"},
        {"AxB", " 2", " 20", " 10", " 5", " .019"},
        {"  Within", " 18", " 36", " 2", "", ""},
        {"Total", " 23", " 99", "", "", ""},
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

TEST(EffectSizes, HaysOmegaSquaredAndPower)
{
    const EffectSizes e = computeEffectSizes(handTable(), handDesign(), EffectSizeKind::Hays);
    ASSERT_EQ(e.column3.size(), 6u);
    ASSERT_EQ(e.column4.size(), 6u);
    EXPECT_EQ(e.column3[0], "Omega\u00B2");
    EXPECT_EQ(e.column4[0], "P-h Pwr");

    // A: (40 - 2) / (99 + 2).
    ASSERT_TRUE(e.omega2[1].has_value());
    EXPECT_NEAR(*e.omega2[1], 38.0 / 101.0, 1e-12);
    EXPECT_EQ(e.column3[1], ".376");
    const double omegaA = 38.0 / 101.0;
    const double phiA = std::sqrt(4 * omegaA / (1 - omegaA));
    EXPECT_NEAR(*e.phi[1], phiA, 1e-12);
    const double refA = referencePower(1, 18, 0.05, 2 * phiA * phiA);
    EXPECT_NEAR(*e.power[1], refA, 1e-4);
    EXPECT_EQ(e.column4[1], FormatFixed(*e.power[1], 2, false));

    // B: SS below df * MSe gives a negative omega squared and no power.
    EXPECT_EQ(e.column3[2], "-.010");
    EXPECT_EQ(e.column4[2], ".00");
    EXPECT_FALSE(e.phi[2].has_value());
    EXPECT_EQ(*e.power[2], 0.0);

    // AxB: (20 - 4) / 101.
    EXPECT_EQ(e.column3[3], ".158");
    EXPECT_FALSE(e.column4[3].empty());

    // Error and total rows stay blank.
    for (size_t i : {4u, 5u}) {
        EXPECT_EQ(e.column3[i], "");
        EXPECT_EQ(e.column4[i], "");
        EXPECT_FALSE(e.omega2[i].has_value());
    }
}

TEST(EffectSizes, PartialOmegaSquaredShowsFAgain)
{
    const EffectSizes e = computeEffectSizes(handTable(), handDesign(), EffectSizeKind::Partial);
    EXPECT_EQ(e.column3[0], "Partial O\u00B2");
    EXPECT_EQ(e.column4[0], "F");
    // (SS - df MSe) / (SS + (N - df) MSe) with N = 24.
    EXPECT_NEAR(*e.omega2[1], 38.0 / 86.0, 1e-12);
    EXPECT_EQ(e.column3[1], ".442");
    EXPECT_EQ(e.column4[1], "20.00");
    EXPECT_EQ(e.column3[2], FormatFixed(-1.0 / (3 + 22 * 2.0), 3, false));
    EXPECT_EQ(e.column4[2], "<1");
    EXPECT_EQ(e.column3[3], ".250");  // 16 / 64
    EXPECT_EQ(e.column4[3], "5.00");
    EXPECT_FALSE(e.phi[1].has_value());
    EXPECT_EQ(e.column4[4], "");
    EXPECT_EQ(e.column4[5], "");

    // A row without an F keeps a blank cell.
    AnovaTable t = handTable();
    t.cell(3, ColF) = "";
    EXPECT_EQ(computeEffectSizes(t, handDesign(), EffectSizeKind::Partial).column4[2], "");
}
