// SPDX-License-Identifier: GPL-3.0-or-later
// Mauchly's test and the epsilon corrections against hand computations, the published anchor of
// the tooth-growth data and a mixed design checked in R.
#include "sphericity/sphericity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/anovatable.h"
#include "engine/fdistribution.h"
#include "analysis/analysisservice.h"
#include "support/recordingprompts.h"
#include "support/toothgrowth.h"

namespace varisect {
namespace {

Design design(std::vector<Factor> factors, int subjects, std::vector<NestRelation> nesting = {})
{
    Design d;
    d.factors = std::move(factors);
    setTableLabelsFromNames(d);
    d.anovaType = AnovaType::RepeatedMeasures;
    d.designatedFactor = subjects;
    d.nested = !nesting.empty();
    d.nestingMatrix = std::move(nesting);
    return d;
}

AnovaTable analysed(const Design& d, const Scores& scores)
{
    RecordingPrompts prompts;
    const auto table = analyseDesign(d, scores, prompts);
    EXPECT_TRUE(table.has_value());
    return table.value_or(AnovaTable{});
}

const SphericityRow* rowOf(const SphericityReport& report, const std::string& source)
{
    for (const SphericityRow& row : report.rows)
        if (row.source == source)
            return &row;
    ADD_FAILURE() << "no row " << source;
    return nullptr;
}

double chiSquareTailOddDf(double x, int df)
{
    // Closed form for odd df: erfc(sqrt(x/2)) + sqrt(2x/pi) e^(-x/2) (1 + x/3 + x^2/15 + ...).
    double term = 1, sum = 1;
    for (int k = 3; k < df; k += 2) {
        term *= x / k;
        sum += term;
    }
    return std::erfc(std::sqrt(x / 2)) + std::sqrt(2 * x / std::numbers::pi) * std::exp(-x / 2) * sum;
}

TEST(Sphericity, HandComputedStatistics)
{
    // Two contrasts with eigenvalues 4 and 1, 10 error df: W = 4 / 2.5^2, rho = 1 - 12 / 120, and
    // the chi-square of 2 df has the tail e^(-x/2) (no second-order term for two contrasts).
    SphericityStatistics two = sphericityFromEigenvalues({4, 1}, 10);
    ASSERT_TRUE(two.w && two.chiSquare && two.p && two.greenhouseGeisser && two.huynhFeldt);
    EXPECT_NEAR(*two.w, 0.64, 1e-12);
    const double chi = -10 * 0.9 * std::log(0.64);
    EXPECT_NEAR(*two.chiSquare, chi, 1e-12);
    EXPECT_EQ(two.testDf, 2);
    EXPECT_NEAR(*two.p, std::exp(-chi / 2), 1e-12);
    const double gg = 25.0 / 34.0;
    EXPECT_NEAR(*two.greenhouseGeisser, gg, 1e-12);
    EXPECT_NEAR(*two.huynhFeldt, (11 * 2 * gg - 2) / (2 * (10 - 2 * gg)), 1e-12);

    // Three contrasts, 8 error df: the second-order term mixes the tails of 5 and 9 df.
    SphericityStatistics three = sphericityFromEigenvalues({3, 2, 1}, 8);
    ASSERT_TRUE(three.w && three.chiSquare && three.p);
    EXPECT_NEAR(*three.w, 6.0 / 8.0, 1e-12);
    const double rho = 1 - 23.0 / 144.0;
    const double x = -8 * rho * std::log(0.75);
    const double omega2 = 5.0 * 2 * 1 * (54 + 54 + 9 + 2) / (288 * std::pow(8 * 3 * rho, 2));
    EXPECT_EQ(three.testDf, 5);
    EXPECT_NEAR(*three.p, chiSquareTailOddDf(x, 5) + omega2 * (chiSquareTailOddDf(x, 9) - chiSquareTailOddDf(x, 5)),
                1e-10);
    EXPECT_NEAR(*three.greenhouseGeisser, 36.0 / 42.0, 1e-12);

    // Fewer error df than contrasts: no W, the Greenhouse-Geisser epsilon still; the Huynh-Feldt
    // denominator 3 (2 - 3 * 6/7) is negative, so it has none.
    SphericityStatistics few = sphericityFromEigenvalues({3, 2, 1}, 2);
    EXPECT_TRUE(few.wNotComputable);
    EXPECT_FALSE(few.w || few.p);
    EXPECT_NEAR(few.greenhouseGeisser.value_or(0), 36.0 / 42.0, 1e-12);
    EXPECT_FALSE(few.huynhFeldt);

    // A singular matrix with enough df: W is 0 and the test rejects outright.
    SphericityStatistics singular = sphericityFromEigenvalues({2, 1, 0}, 9);
    EXPECT_EQ(singular.w.value_or(-1), 0.0);
    EXPECT_EQ(singular.p.value_or(-1), 0.0);
    EXPECT_FALSE(singular.chiSquare);

    // One contrast: epsilon 1, no test; no variation at all: no epsilon.
    SphericityStatistics one = sphericityFromEigenvalues({5}, 9);
    EXPECT_EQ(one.greenhouseGeisser.value_or(0), 1.0);
    EXPECT_EQ(one.huynhFeldt.value_or(0), 1.0);
    EXPECT_FALSE(one.w);
    SphericityStatistics flat = sphericityFromEigenvalues({0, 0}, 9);
    EXPECT_FALSE(flat.greenhouseGeisser || flat.w);
}

TEST(Sphericity, ToothGrowthAnchorInEitherFactorOrder)
{
    const Design d = design({{"Type", 'T', 2, {}}, {"Dose", 'D', 3, {}}, {"Subjects", 'S', 10, {}}}, 3);
    const AnovaTable table = analysed(d, kToothGrowth);
    const SphericityReport report = sphericityReport(d, kToothGrowth, table);
    ASSERT_TRUE(report.unavailable.empty());
    ASSERT_EQ(report.rows.size(), 3u);  // T, D and TxD; not the subjects or error rows

    // The values the issue gives (three decimals).
    const SphericityRow* dose = rowOf(report, "D");
    const SphericityRow* both = rowOf(report, "TxD");
    ASSERT_TRUE(dose && both);
    EXPECT_NEAR(*dose->statistics.w, 0.807, 5e-4);
    EXPECT_NEAR(*dose->statistics.p, 0.425, 5e-4);
    EXPECT_NEAR(*dose->statistics.greenhouseGeisser, 0.838, 5e-4);
    EXPECT_NEAR(*dose->statistics.huynhFeldt, 1.008, 5e-4);
    EXPECT_NEAR(*both->statistics.w, 0.934, 5e-4);
    EXPECT_NEAR(*both->statistics.p, 0.761, 5e-4);
    EXPECT_NEAR(*both->statistics.greenhouseGeisser, 0.938, 5e-4);
    EXPECT_NEAR(*both->statistics.huynhFeldt, 1.176, 5e-4);
    // Corrected p as R 4.2.2's anova.mlm(test = "Spherical") prints them (G-G Pr 2.7899e-09 and
    // 0.11155); the Huynh-Feldt epsilons exceed 1, so their tests keep the df of the table.
    EXPECT_NEAR(*dose->ggP / 2.7899e-09, 1, 1e-4);
    EXPECT_NEAR(*both->ggP, 0.11155, 1e-5);
    EXPECT_NEAR(*dose->ggDf1, 2 * *dose->statistics.greenhouseGeisser, 1e-12);
    EXPECT_NEAR(*dose->ggDf2, 18 * *dose->statistics.greenhouseGeisser, 1e-12);
    EXPECT_EQ(*both->hfDf2, 18.0);
    EXPECT_EQ(*both->hfP, exactUpperTail(2, 18, table.number(both->tableRow, ColF)));
    // One df: epsilon 1, no test, the corrected p is the exact p of the table's F.
    const SphericityRow* type = rowOf(report, "T");
    ASSERT_TRUE(type);
    EXPECT_FALSE(type->statistics.w);
    EXPECT_EQ(*type->ggP, exactUpperTail(1, 9, table.number(type->tableRow, ColF)));

    const std::vector<std::string> lines = sphericityLines(report);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "  Sphericity of the within-subject effects");
    EXPECT_EQ(lines[1], "  Source     W  Chi-sq  df     p  G-G eps  H-F eps  G-G p  H-F p");
    EXPECT_EQ(lines[2], "  T                                 1.000    1.000  <.001  <.001");
    EXPECT_EQ(lines[3], "  D       .807    1.71   2  .425     .838    1.008  <.001  <.001");
    EXPECT_EQ(lines[4], "  TxD     .934     .55   2  .761     .938    1.176   .112   .107");

    // The same data with the subjects as factor 1: the same statistics.
    const Design first = design({{"Subjects", 'S', 10, {}}, {"Type", 'T', 2, {}}, {"Dose", 'D', 3, {}}}, 1);
    Scores reordered(60);
    for (int s = 0; s < 10; ++s)
        for (int dose = 0; dose < 3; ++dose)
            for (int t = 0; t < 2; ++t)
                reordered[size_t(s + 10 * (t + 2 * dose))] = kToothGrowth[size_t(t + 2 * (dose + 3 * s))];
    const SphericityReport again = sphericityReport(first, reordered, analysed(first, reordered));
    const SphericityRow* doseAgain = rowOf(again, "D");
    ASSERT_TRUE(doseAgain);
    EXPECT_NEAR(*doseAgain->statistics.w, *dose->statistics.w, 1e-9);
    EXPECT_NEAR(*doseAgain->statistics.greenhouseGeisser, *dose->statistics.greenhouseGeisser, 1e-9);
    EXPECT_NEAR(*doseAgain->statistics.huynhFeldt, *dose->statistics.huynhFeldt, 1e-9);
}

TEST(Sphericity, MixedDesignMatchesR)
{
    // Group (2) x Time (4) x Subjects (5 in each group), the subjects nested under Group. The
    // reference values come from R 4.2.2: mauchly.test and anova(test = "Spherical") on lm(Y ~
    // group) with the four times as the response (W 0.350427078084850; G-G epsilon 0.723, H-F
    // 1.002; G-G Pr 0.0972148341686 and 0.7683320964938 for Time and its interaction with Group).
    // R reads the scores in double precision, these are single: agreement to about 1e-6.
    const Scores scores = {17.6f, 20.1f, 14.9f, 15.5f, 27.7f, 19.3f, 27.3f, 24.5f, 19.8f, 16.0f,
                           17.7f, 19.6f, 16.8f, 22.0f, 17.4f, 22.0f, 19.1f, 23.6f, 18.6f, 18.4f,
                           20.3f, 22.9f, 20.2f, 23.4f, 20.3f, 20.0f, 20.2f, 17.9f, 22.1f, 19.1f,
                           17.6f, 18.2f, 22.7f, 13.7f, 17.5f, 22.9f, 22.3f, 29.2f, 19.6f, 20.6f};
    const Design d = design({{"Group", 'G', 2, {}}, {"Time", 'T', 4, {}}, {"Subjects", 'S', 5, {}}}, 3, {{'S', 'G'}});
    const AnovaTable table = analysed(d, scores);
    const SphericityReport report = sphericityReport(d, scores, table);
    ASSERT_EQ(report.rows.size(), 2u);  // the between-subject G has no row
    const SphericityRow* time = rowOf(report, "T");
    const SphericityRow* both = rowOf(report, "GxT");
    ASSERT_TRUE(time && both);
    EXPECT_EQ(time->statistics.errorDf, 8);  // 10 subjects in 2 groups
    EXPECT_NEAR(*time->statistics.w, 0.350427078084850, 1e-6);
    EXPECT_NEAR(*time->statistics.greenhouseGeisser, 0.723, 5e-4);
    EXPECT_NEAR(*time->statistics.huynhFeldt, 1.002, 5e-4);
    EXPECT_NEAR(*time->ggP, 0.0972148341686, 1e-6);
    EXPECT_NEAR(*both->ggP, 0.7683320964938, 1e-6);
    // The interaction with the between-subject factor shares the contrasts and the epsilons.
    EXPECT_EQ(*both->statistics.greenhouseGeisser, *time->statistics.greenhouseGeisser);
    EXPECT_EQ(*both->statistics.w, *time->statistics.w);
}

TEST(Sphericity, FewSubjectsAndDesignsWithoutTests)
{
    // Five levels, three subjects: 4 df against 2 error df, so W cannot be computed.
    const Design small = design({{"A", 'A', 5, {}}, {"Subjects", 'S', 3, {}}}, 2);
    const Scores scores = {3, 5, 4, 8, 9, 2, 6, 6, 7, 7, 4, 4, 9, 5, 8};
    const SphericityReport report = sphericityReport(small, scores, analysed(small, scores));
    ASSERT_EQ(report.rows.size(), 1u);
    EXPECT_TRUE(report.rows[0].statistics.wNotComputable);
    EXPECT_FALSE(report.rows[0].statistics.w);
    EXPECT_TRUE(report.rows[0].ggP.has_value());
    const std::vector<std::string> lines = sphericityLines(report);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "  W cannot be computed for A: its 4 df exceed the 2 error df of the subjects."),
              lines.end());

    // Independent groups have no sphericity tests.
    Design independent = small;
    independent.anovaType = AnovaType::IndependentGroups;
    EXPECT_EQ(sphericityReport(independent, scores, analysed(independent, scores)).unavailable,
              "Sphericity tests belong to repeated-measures tables.");
    // A factor crossed with the subjects nested under another: not covered.
    const Design nested = design({{"A", 'A', 2, {}}, {"B", 'B', 2, {}}, {"Subjects", 'S', 3, {}}}, 3, {{'B', 'A'}});
    const Scores twelve = {1, 4, 2, 6, 3, 3, 5, 8, 2, 5, 4, 9};
    const SphericityReport uncovered = sphericityReport(nested, twelve, analysed(nested, twelve));
    EXPECT_TRUE(uncovered.rows.empty());
    EXPECT_NE(uncovered.unavailable.find("a factor crossed with the subjects is nested"), std::string::npos);
    EXPECT_EQ(sphericityLines(uncovered).size(), 2u);
}

}  // namespace
}  // namespace varisect
