// SPDX-License-Identifier: GPL-3.0-or-later
// Eta squared, partial and generalized eta squared and the intervals of the effect sizes: the
// ratios by hand, the anchor of the tooth-growth data, the intervals against R's effectsize.
#include "engine/etasquared.h"

#include <gtest/gtest.h>

#include <boost/math/distributions/non_central_f.hpp>

#include "engine/anovatable.h"
#include "engine/fdistribution.h"
#include "analysis/analysisservice.h"
#include "support/recordingprompts.h"
#include "support/toothgrowth.h"

namespace varisect {
namespace {

Design toothDesign(AnovaType type)
{
    Design d;
    d.factors = {{"Type", 'T', 2, {}}, {"Dose", 'D', 3, {}}, {"Subjects", 'S', 10, {}}};
    setTableLabelsFromNames(d);
    d.anovaType = type;
    d.designatedFactor = 3;
    return d;
}

AnovaTable analysed(const Design& d, const Scores& scores)
{
    RecordingPrompts prompts;
    const auto table = analyseDesign(d, scores, prompts);
    EXPECT_TRUE(table.has_value());
    return table.value_or(AnovaTable{});
}

// Table rows of the tooth-growth repeated-measures table: S, T, SxT, D, SxD, TxD, SxTxD, Total.
constexpr int kT = 3, kSxT = 4, kD = 5, kSxD = 6, kTxD = 7, kSxTxD = 8;

TEST(EtaSquared, RepeatedMeasuresRatiosAndTheAnchor)
{
    const AnovaTable t = analysed(toothDesign(AnovaType::RepeatedMeasures), kToothGrowth);
    const auto ss = [&](int r) { return t.number(r, ColSS); };
    const double total = t.number(t.rowCount(), ColSS);
    const double subjects = ss(2) + ss(kSxT) + ss(kSxD) + ss(kSxTxD);

    const EffectSizes eta = computeEtaSquared(t, EffectSizeKind::Eta);
    const EffectSizes partial = computeEtaSquared(t, EffectSizeKind::PartialEta);
    const EffectSizes generalized = computeEtaSquared(t, EffectSizeKind::GeneralizedEta);
    for (const auto& [row, error] : {std::pair{kT, kSxT}, {kD, kSxD}, {kTxD, kSxTxD}}) {
        const size_t i = size_t(row - 1);
        EXPECT_NEAR(*eta.eta2[i], ss(row) / total, 1e-12);
        EXPECT_NEAR(*partial.eta2[i], ss(row) / (ss(row) + ss(error)), 1e-12);
        EXPECT_NEAR(*generalized.eta2[i], ss(row) / (ss(row) + subjects), 1e-12);
        // The subjects row and the error rows have no effect size.
        EXPECT_FALSE(partial.eta2[size_t(error - 1)]);
    }
    EXPECT_FALSE(generalized.eta2[1]);
    // The anchor: generalized eta squared .224, .773, .132.
    EXPECT_NEAR(*generalized.eta2[kT - 1], 0.224, 5e-4);
    EXPECT_NEAR(*generalized.eta2[kD - 1], 0.773, 5e-4);
    EXPECT_NEAR(*generalized.eta2[kTxD - 1], 0.132, 5e-4);
    EXPECT_EQ(generalized.column3[0], "Gen. Eta\u00B2");
    EXPECT_EQ(generalized.column3[kD - 1], ".773");
    EXPECT_EQ(partial.column4[0], "90% CI");

    // 90% intervals as R's effectsize 0.8.3 gives them (eta_squared(aov(len ~ supp * dose +
    // Error(subj / (supp * dose))), ci = 0.9, alternative = "two.sided")); its search stops at
    // an absolute tolerance of about 1e-9 on the probabilities, hence 1e-5 here.
    struct Expected {
        const EffectSizes* sizes;
        int row;
        double lower, upper;
    };
    for (const Expected& e : {Expected{&partial, kT, 0.5029460297, 0.8914954135},
                              Expected{&partial, kD, 0.8512012339, 0.9513610162},
                              Expected{&partial, kTxD, 0.0, 0.4465383038},
                              Expected{&eta, kD, 0.4619721936, 0.8122278504},
                              Expected{&eta, kTxD, 0.0, 0.1728202183},
                              Expected{&generalized, kT, 0.0, 0.5514618337},
                              Expected{&generalized, kD, 0.5794448426, 0.8574486927}}) {
        const size_t i = size_t(e.row - 1);
        ASSERT_TRUE(e.sizes->ciLower[i] && e.sizes->ciUpper[i]) << e.row;
        EXPECT_NEAR(*e.sizes->ciLower[i], e.lower, 1e-5) << e.row;
        EXPECT_NEAR(*e.sizes->ciUpper[i], e.upper, 1e-5) << e.row;
    }
    EXPECT_EQ(partial.column4[kT - 1], "[.503, .891]");
}

TEST(EtaSquared, IndependentGroupsOmegaIntervalsAgainstR)
{
    // A (2) x B (3) x 4 replicates; the scores were drawn in R with replicates cycling fastest,
    // then A, then B, and are reordered to this program's layout (A fastest).
    const float drawn[] = {0.5f, 1.2f, 1.8f, 0.3f, 2.7f, 2.5f, 2.6f, 3.6f, 0.8f, 3.3f, 1.3f, 0.9f,
                           2.3f, 3.3f, 3.2f, 2.7f, 1.5f, 1.9f, 3.7f, 2.7f, 2.9f, 2.6f, 3.3f, 1.8f};
    Design d;
    d.factors = {{"A", 'A', 2, {}}, {"B", 'B', 3, {}}, {"Reps", 'R', 4, {}}};
    setTableLabelsFromNames(d);
    d.anovaType = AnovaType::IndependentGroups;
    d.designatedFactor = 3;
    Scores scores(24);
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 3; ++b)
            for (int r = 0; r < 4; ++r)
                scores[size_t(a + 2 * (b + 3 * r))] = drawn[r + 4 * (a + 2 * b)];
    const AnovaTable t = analysed(d, scores);
    // Rows: A, B, AxB, Within, Total. Intervals from R's effectsize 0.8.3 (omega_squared and
    // eta_squared of aov(y ~ A * B), ci = 0.9, alternative = "two.sided").
    const EffectSizes partialOmega = computeEffectSizes(t, d, EffectSizeKind::Partial);
    const EffectSizes hays = computeEffectSizes(t, d, EffectSizeKind::Hays);
    const EffectSizes partialEta = computeEffectSizes(t, d, EffectSizeKind::PartialEta);
    EXPECT_NEAR(*partialOmega.omega2[1], 0.32659244014, 1e-6);
    EXPECT_NEAR(*partialOmega.ciLower[1], 0.06149757039, 1e-5);
    EXPECT_NEAR(*partialOmega.ciUpper[1], 0.5561808409, 1e-5);
    // For AxB (lower bound 0) effectsize's joint search stops early at .31850; R's uniroot on
    // pf(F, 2, 18, ncp) for its F of 1.078701594545 gives lambda 8.390625103911, bound .317939611922.
    EXPECT_NEAR(*partialOmega.ciUpper[3], 0.317939611922, 1e-6);
    EXPECT_NEAR(*hays.ciLower[1], 0.04364719404, 1e-5);
    EXPECT_NEAR(*hays.ciUpper[2], 0.1268953589, 1e-5);
    EXPECT_NEAR(*partialEta.ciLower[1], 0.1252295495, 1e-5);
    EXPECT_NEAR(*partialEta.ciUpper[3], 0.4400702722, 1e-5);
    // The described columns stay: partial omega squared and F, Hays and power.
    EXPECT_EQ(partialOmega.column4[0], "F");
    EXPECT_EQ(hays.column4[0], "P-h Pwr");

    // Between subjects every factor is manipulated: generalized eta squared is partial eta
    // squared, interval and all.
    const EffectSizes generalized = computeEffectSizes(t, d, EffectSizeKind::GeneralizedEta);
    for (size_t i = 1; i <= 3; ++i) {
        EXPECT_NEAR(*generalized.eta2[i], *partialEta.eta2[i], 1e-12);
        EXPECT_NEAR(*generalized.ciLower[i], *partialEta.ciLower[i], 1e-9);
    }
    EXPECT_FALSE(generalized.eta2[4]);  // the within-cells error
}

TEST(EtaSquared, NoncentralityInterval)
{
    namespace bm = boost::math;
    // Each bound leaves the observed F at the 95th and 5th percentiles of its noncentral F.
    const auto ci = noncentralityInterval(6.0, 2, 20, 0.90);
    ASSERT_TRUE(ci);
    EXPECT_NEAR(bm::cdf(bm::non_central_f_distribution<double>(2, 20, ci->first), 6.0), 0.95, 1e-9);
    EXPECT_NEAR(bm::cdf(bm::non_central_f_distribution<double>(2, 20, ci->second), 6.0), 0.05, 1e-9);
    EXPECT_LT(ci->first, 12.0);
    EXPECT_GT(ci->second, 12.0);
    // An F below its central 95th percentile has a lower bound of 0; below the 5th, both are 0.
    const auto middling = noncentralityInterval(1.0, 2, 20, 0.90);
    ASSERT_TRUE(middling);
    EXPECT_EQ(middling->first, 0.0);
    EXPECT_GT(middling->second, 0.0);
    EXPECT_EQ(noncentralityInterval(0.01, 2, 20, 0.90), std::make_pair(0.0, 0.0));
    EXPECT_FALSE(noncentralityInterval(3.0, 0, 20, 0.90));
    EXPECT_FALSE(noncentralityInterval(std::nan(""), 2, 20, 0.90));
    // Estimates at or below 0 have the interval [0, 0]; 1 or more has none.
    EXPECT_EQ(estimateInterval(-0.1, 2, 20), std::make_pair(0.0, 0.0));
    EXPECT_FALSE(estimateInterval(1.0, 2, 20));
}

}  // namespace
}  // namespace varisect
