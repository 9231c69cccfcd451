// SPDX-License-Identifier: GPL-3.0-or-later
#include "posthoc/posthoc.h"

#include <cmath>

#include <gtest/gtest.h>

#include "analysis/analysisservice.h"
#include "contrasts/contrastdata.h"
#include "engine/studentizedrange.h"
#include "support/recordingprompts.h"

namespace varisect {
namespace {

using contrastdata::design;
using contrastdata::unevenScores;

AnovaTable tableOf(const Design& d, const Scores& s)
{
    RecordingPrompts prompts;
    const std::optional<AnovaTable> t = analyseDesign(d, s, prompts);
    EXPECT_TRUE(t.has_value());
    return t.value_or(AnovaTable{});
}

Design labelled(Design d)
{
    setTableLabelsFromNames(d);
    return d;
}

// Three groups of four; the group cycles fastest. Group means 4.5, 7.5, 10.5, each group's squared
// deviations adding up to 5: the within MS is 15 / 9 on 9 df.
const Scores kGroups{4, 7, 9, 5, 8, 12, 3, 6, 10, 6, 9, 11};

// The classic HSD: q = |difference| / sqrt(MS / n), the interval the difference plus or minus
// q(.05; k, df) sqrt(MS / n). Checked also against R's TukeyHSD(aov(y ~ g)) on the same scores:
// p .0231730043306 (1-2 and 2-3), .000269948342627 (1-3), half-width 2.548740757.
TEST(Posthoc, TukeyOnEqualGroupsIsTheClassicHsd)
{
    const Design d = labelled(design({{"Group", 3}, {"Replicate", 4}}, AnovaType::IndependentGroups, 2));
    const AnovaTable t = tableOf(d, kGroups);
    const PosthocResult r = pairwiseComparisons(d, kGroups, t, {1, 0, PairwiseMethod::Tukey, ContrastError::Separate});
    ASSERT_FALSE(r.refusal);
    ASSERT_EQ(r.rows.size(), 3u);
    const double ms = 15.0 / 9, n = 4;
    const double hsd = studentizedRangeQuantile(0.05, 3, 9) * std::sqrt(ms / n);
    const double expectedDifference[] = {-3, -6, -3};
    const double rTukeyP[] = {0.023173004330634, 0.000269948342627, 0.023173004330634};
    for (std::size_t i = 0; i < 3; ++i) {
        const PairwiseRow& row = r.rows[i];
        EXPECT_NEAR(row.difference, expectedDifference[i], 1e-12);
        EXPECT_NEAR(row.se, std::sqrt(2 * ms / n), 1e-12);
        EXPECT_NEAR(row.statistic, std::fabs(row.difference) / std::sqrt(ms / n), 1e-12);
        EXPECT_EQ(row.df, 9);
        EXPECT_NEAR(row.p, rTukeyP[i], 1e-6);
        EXPECT_NEAR(row.upper - row.difference, hsd, 1e-9);
        EXPECT_NEAR(row.upper - row.difference, 2.548740757, 1e-6);
        EXPECT_NEAR(row.difference - row.lower, hsd, 1e-9);
    }
    EXPECT_EQ(r.statisticName, "q");
    EXPECT_EQ(r.legend[0], "Error: the error Within of the table (df 9, MS 1.67)");
}

// Holm and Bonferroni on the pooled within-cells error: R's pairwise.t.test(y, g, pool.sd = TRUE)
// gives Bonferroni .0283000937478, .000307355613752, .0283000937478 and Holm .0188667291652,
// .000307355613752, .0188667291652. Holm steps down: the smallest p is multiplied by 3, the
// others by 2.
TEST(Posthoc, HolmAndBonferroniOnTheWithinCellsError)
{
    const Design d = labelled(design({{"Group", 3}, {"Replicate", 4}}, AnovaType::IndependentGroups, 2));
    const AnovaTable t = tableOf(d, kGroups);
    const PosthocResult holm = pairwiseComparisons(d, kGroups, t, {1, 0, PairwiseMethod::Holm, ContrastError::Separate});
    const PosthocResult bonferroni =
        pairwiseComparisons(d, kGroups, t, {1, 0, PairwiseMethod::Bonferroni, ContrastError::Separate});
    ASSERT_EQ(holm.rows.size(), 3u);
    ASSERT_EQ(bonferroni.rows.size(), 3u);
    const double rHolm[] = {0.0188667291652, 0.000307355613752, 0.0188667291652};
    const double rBonferroni[] = {0.0283000937478, 0.000307355613752, 0.0283000937478};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(holm.rows[i].p, rHolm[i], 1e-10);
        EXPECT_NEAR(bonferroni.rows[i].p, rBonferroni[i], 1e-10);
        EXPECT_NEAR(holm.rows[i].statistic, holm.rows[i].difference / std::sqrt(2 * (15.0 / 9) / 4), 1e-12);
        // Both give Bonferroni intervals: t(1 - .05 / 6; 9) = 2.93332 times the SE.
        EXPECT_NEAR(holm.rows[i].upper, bonferroni.rows[i].upper, 1e-12);
        EXPECT_NEAR(bonferroni.rows[i].upper - bonferroni.rows[i].difference, 2.933324 * bonferroni.rows[i].se, 1e-5);
    }
    EXPECT_EQ(holm.statisticName, "t");

    // The legends say which intervals are shown: Holm's p come with Bonferroni's intervals, and
    // nothing claims they are adjusted as the p.
    EXPECT_EQ(holm.legend, (std::vector<std::string>{
                               "Error: the error Within of the table (df 9, MS 1.67)",
                               "p adjusted for the 3 comparisons by Holm's step-down method",
                               "Intervals: Bonferroni-adjusted 95% confidence intervals of the differences (Holm's "
                               "step-down method has none of its own)"}));
    EXPECT_EQ(bonferroni.legend.at(2), "Intervals: Bonferroni-adjusted 95% confidence intervals of the differences");
    const PosthocResult tukey = pairwiseComparisons(d, kGroups, t, {1, 0, PairwiseMethod::Tukey, ContrastError::Separate});
    EXPECT_EQ(tukey.legend.at(2), "Intervals: Tukey HSD simultaneous 95% confidence intervals of the differences");
    EXPECT_EQ(pairwiseIntervalsKey(PairwiseMethod::Holm), "bonferroni");
    EXPECT_EQ(pairwiseIntervalsKey(PairwiseMethod::Tukey), "tukey");
}

// A within-subject factor: by default each pair against the subjects' own differences (a paired
// t on 3 df). R's pairwise.t.test(y, cond, paired = TRUE): Holm .102728078858, .0474726836708,
// .0560169120203; t.test(paired = TRUE, conf.level = 1 - .05 / 3) for the intervals:
// t -2.32379000772, -4.94974746831, -4; 1-2 from -9.26991757856 to 3.26991757856.
// The pooled alternative uses the SxC row of the table.
TEST(Posthoc, WithinSubjectPairsUseTheirOwnErrorOrThePooledOne)
{
    const Design d = labelled(design({{"Condition", 3}, {"Subject", 4}}, AnovaType::RepeatedMeasures, 2));
    const Scores s{3, 5, 10, 2, 6, 7, 4, 4, 9, 1, 7, 12};
    const AnovaTable t = tableOf(d, s);
    const PosthocResult holm = pairwiseComparisons(d, s, t, {1, 0, PairwiseMethod::Holm, ContrastError::Separate});
    ASSERT_FALSE(holm.refusal);
    ASSERT_EQ(holm.rows.size(), 3u);
    const double rHolm[] = {0.102728078858, 0.0474726836708, 0.0560169120203};
    const double rT[] = {-2.32379000772, -4.94974746831, -4};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(holm.rows[i].df, 3);
        EXPECT_NEAR(holm.rows[i].statistic, rT[i], 1e-10);
        EXPECT_NEAR(holm.rows[i].p, rHolm[i], 1e-10);
    }
    EXPECT_NEAR(holm.rows[0].lower, -9.26991757856, 1e-9);
    EXPECT_NEAR(holm.rows[0].upper, 3.26991757856, 1e-9);
    EXPECT_EQ(holm.legend[0], "Error: each pair's own error, the subjects' differences (pair x S, df 3)");

    const PosthocResult pooled = pairwiseComparisons(d, s, t, {1, 0, PairwiseMethod::Bonferroni, ContrastError::Pooled});
    ASSERT_EQ(pooled.rows.size(), 3u);
    int error = 0;
    for (int r = 2; r <= t.rowCount(); ++r)
        if (t.cell(r, ColSource) == "  SxC")
            error = r;
    ASSERT_GT(error, 0);
    for (const PairwiseRow& row : pooled.rows) {
        EXPECT_EQ(row.df, t.number(error, ColDf));
        EXPECT_NEAR(row.se, std::sqrt(2 * t.number(error, ColMS) / 4), 1e-12);
    }
    EXPECT_TRUE(pooled.legend[0].starts_with("Error: the pooled error SxC of the table (df 6, MS")) << pooled.legend[0];
}

// In a mixed design the groups are compared through the subjects' means: the spread of those means
// within the groups is the subjects' error of the table (its MS divided by the scores behind each
// subject mean). With a by-factor the families are formed level by level.
TEST(Posthoc, BetweenGroupsOfSubjectsAndFamiliesAtEachLevel)
{
    Design mixed = labelled(design({{"Group", 3}, {"Subject", 3}, {"Time", 4}}, AnovaType::RepeatedMeasures, 2));
    mixed.nested = true;
    mixed.nestingMatrix = {{'S', 'G'}};
    const Scores s = unevenScores(mixed.scoreCount());
    const AnovaTable t = tableOf(mixed, s);
    const PosthocResult groups = pairwiseComparisons(mixed, s, t, {1, 0, PairwiseMethod::Tukey, ContrastError::Separate});
    ASSERT_FALSE(groups.refusal);
    ASSERT_EQ(groups.rows.size(), 3u);
    int g = 0;
    for (int r = 2; r <= t.rowCount(); ++r)
        if (t.cell(r, ColSource) == "G")
            g = r;
    ASSERT_GT(g, 0);
    const int error = t.denominatorRow[size_t(g - 1)];
    ASSERT_GT(error, 0);
    const double errorMS = t.number(error, ColMS);
    for (const PairwiseRow& row : groups.rows) {
        EXPECT_EQ(row.df, 6);
        // The table's error MS is 4 scores per subject mean times their variance; n = 12 per group.
        EXPECT_NEAR(row.se, std::sqrt(2 * errorMS / 12), 1e-9 * row.se);
    }

    const PosthocResult byTime =
        pairwiseComparisons(mixed, s, t, {3, 1, PairwiseMethod::Bonferroni, ContrastError::Separate});
    ASSERT_FALSE(byTime.refusal);
    ASSERT_EQ(byTime.rows.size(), 18u);  // 6 pairs of times in each of 3 groups
    EXPECT_EQ(byTime.rows[0].byLevel, 1);
    EXPECT_EQ(byTime.rows[17].byLevel, 3);
    EXPECT_EQ(byTime.rows[0].df, 2);  // the 3 subjects of that group
    const std::vector<std::string> lines = posthocLines(mixed, {3, 1, PairwiseMethod::Bonferroni}, byTime);
    EXPECT_EQ(lines[0], "  Pairwise comparisons of Time (Bonferroni), at each level of Group");
    EXPECT_EQ(lines[2], " Group at G1");
    EXPECT_TRUE(lines[3].starts_with("  T1 - T2")) << lines[3];
}

TEST(Posthoc, RefusesWhatCannotBeCompared)
{
    Design d = labelled(design({{"Group", 3}, {"Replicate", 4}}, AnovaType::IndependentGroups, 2));
    const AnovaTable t = tableOf(d, kGroups);
    const PosthocResult designated = pairwiseComparisons(d, kGroups, t, {2, 0, PairwiseMethod::Tukey});
    ASSERT_TRUE(designated.refusal);
    EXPECT_EQ(designated.refusal->title, "Not Available!");
    EXPECT_TRUE(designated.rows.empty());
    EXPECT_TRUE(pairwiseComparisons(d, kGroups, t, {1, 1, PairwiseMethod::Tukey}).refusal);
    EXPECT_TRUE(pairwiseComparisons(d, Scores{1, 2}, t, {1, 0, PairwiseMethod::Tukey}).refusal);
    d.anovaType = AnovaType::NoFRatios;
    EXPECT_TRUE(pairwiseComparisons(d, kGroups, t, {1, 0, PairwiseMethod::Tukey}).refusal);

    // Identical scores in every group leave no error: the pairs are listed untested.
    const Design same = labelled(design({{"Group", 3}, {"Replicate", 4}}, AnovaType::IndependentGroups, 2));
    const Scores flat(12, 5.0f);
    RecordingPrompts prompts(true);
    const std::optional<AnovaTable> flatTable = analyseDesign(same, flat, prompts);
    if (flatTable) {
        const PosthocResult r = pairwiseComparisons(same, flat, *flatTable, {1, 0, PairwiseMethod::Holm});
        for (const PairwiseRow& row : r.rows)
            EXPECT_TRUE(std::isnan(row.p));
    }
}

}  // namespace
}  // namespace varisect
