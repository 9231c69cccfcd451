// SPDX-License-Identifier: GPL-3.0-or-later
// The simple effects of the unweighted-means and proportional analyses: against hand
// computations, against the analyses' own sums, and equal cell sizes against the ordinary simple
// effects.
#include <gtest/gtest.h>

#include "engine/fprob.h"
#include "engine/reference.h"
#include "support/recordingprompts.h"
#include "unequal/proportional.h"
#include "unequal/unequalsimpleeffects.h"
#include "unequal/unweightedmeans.h"
#include "unequaltables.h"

namespace varisect {
namespace {

using testing::makeDesign;
using testing::randomScores;
using unequaltest::expectSameRows;

// A row whose MS is its SS / df.
void expectRow(const AnovaTable& t, int row, const std::string& label, double df, double ss, double f)
{
    unequaltest::expectRow(t, row, label, df, ss, ss / df, f);
}

TEST(UnequalSimpleEffects, UnweightedMeansByHand)
{
    // A (2) x B (2), replicates R; cells (a1 b1) 4 6 8, (a2 b1) 7 9, (a1 b2) 5, (a2 b2) 10 14:
    // means 6, 8, 5, 12; harmonic mean cell size 4 / (1/3 + 1/2 + 1 + 1/2) = 12/7; within 18 on 4.
    const Design full = makeDesign({{"A", 2}, {"B", 2}, {"R", 3}}, AnovaType::IndependentGroups, 3);
    const std::vector<long> sizes{3, 2, 1, 2};
    const Scores scores{4, 6, 8, 7, 9, 5, 10, 14};
    RecordingPrompts prompts;
    const SimpleEffectsOutcome s =
        unequalSimpleEffects(UnequalAnalysisMode::UnweightedMeans, full, sizes, scores, {}, 1, 2, prompts);
    ASSERT_TRUE(s.table);
    EXPECT_TRUE(prompts.messages.empty());
    const AnovaTable& t = *s.table;
    ASSERT_EQ(t.rowCount(), 6);
    // A at B 1: means 6, 8, squared deviations 2, times 12/7; A at B 2: 5, 12 -> 24.5 x 12/7.
    expectRow(t, 2, "A at B 1", 1, 24.0 / 7, 24.0 / 7 / 4.5);
    expectRow(t, 3, "A at B 2", 1, 42, 42 / 4.5);
    // B at A 1: 6, 5 -> 0.5 x 12/7; B at A 2: 8, 12 -> 8 x 12/7.
    expectRow(t, 4, "B at A 1", 1, 6.0 / 7, 6.0 / 7 / 4.5);
    expectRow(t, 5, "B at A 2", 1, 96.0 / 7, 96.0 / 7 / 4.5);
    expectRow(t, 6, "  Within", 4, 18, -1);
    EXPECT_EQ(t.cell(6, ColF), "");
    // p against the within-cells df.
    ProbabilityContext context;
    bool abort = false;
    double f = t.number(3, ColF);
    EXPECT_NEAR(t.number(3, ColP), FRatioProbability(1, 4, f, prompts, context, abort), 1e-12);

    // The rows of A add up to the table's A and AxB, whose MS are the raw SS times 12/7.
    const UnweightedMeansOutcome u = unweightedMeansAnalysis(full, sizes, scores, prompts);
    ASSERT_TRUE(u.table);
    EXPECT_NEAR(t.number(2, ColSS) + t.number(3, ColSS), u.table->number(2, ColMS) + u.table->number(4, ColMS), 1e-9);
    EXPECT_NEAR(t.number(4, ColSS) + t.number(5, ColSS), u.table->number(3, ColMS) + u.table->number(4, ColMS), 1e-9);
}

TEST(UnequalSimpleEffects, ProportionalByHand)
{
    // Sizes 2, 1 / 4, 2 in cell order (A fastest): (a1 b1) 3 5, (a2 b1) 8, (a1 b2) 4 6 6 8,
    // (a2 b2) 9 13. Within 18 on 5 df.
    const Design full = makeDesign({{"A", 2}, {"B", 2}, {"R", 4}}, AnovaType::IndependentGroups, 3);
    const std::vector<long> sizes{2, 1, 4, 2};
    const Scores scores{3, 5, 8, 4, 6, 6, 8, 9, 13};
    RecordingPrompts prompts;
    const SimpleEffectsOutcome s =
        unequalSimpleEffects(UnequalAnalysisMode::Proportional, full, sizes, scores, {}, 1, 2, prompts);
    ASSERT_TRUE(s.table);
    const AnovaTable& t = *s.table;
    // A at B 1: 8^2/2 + 8^2/1 - 16^2/3 = 32/3; A at B 2: 24^2/4 + 22^2/2 - 46^2/6 = 100/3;
    // B at A 1: 8^2/2 + 24^2/4 - 32^2/6 = 16/3; B at A 2: 8^2/1 + 22^2/2 - 30^2/3 = 6.
    expectRow(t, 2, "A at B 1", 1, 32.0 / 3, 32.0 / 3 / 3.6);
    expectRow(t, 3, "A at B 2", 1, 100.0 / 3, 100.0 / 3 / 3.6);
    expectRow(t, 4, "B at A 1", 1, 16.0 / 3, 16.0 / 3 / 3.6);
    expectRow(t, 5, "B at A 2", 1, 6, 6 / 3.6);
    expectRow(t, 6, "  Within", 5, 18, -1);

    // Against the analysis: A at the levels of B is SS_A + SS_AxB, B at the levels of A SS_B + SS_AxB.
    const ProportionalOutcome p = proportionalAnalysis(full, sizes, scores, prompts);
    EXPECT_NEAR(t.number(2, ColSS) + t.number(3, ColSS), p.rowSS + p.interactionSS, 1e-12);
    EXPECT_NEAR(t.number(4, ColSS) + t.number(5, ColSS), p.columnSS + p.interactionSS, 1e-12);

    // The pair the other way round: B in the columns, its rows first.
    const SimpleEffectsOutcome turned =
        unequalSimpleEffects(UnequalAnalysisMode::Proportional, full, sizes, scores, {}, 2, 1, prompts);
    ASSERT_TRUE(turned.table);
    expectRow(*turned.table, 2, "B at A 1", 1, 16.0 / 3, 16.0 / 3 / 3.6);
    expectRow(*turned.table, 5, "A at B 2", 1, 100.0 / 3, 100.0 / 3 / 3.6);

    // A large common offset changes nothing: no cancellation in the sums.
    Scores shifted = scores;
    for (float& x : shifted)
        x += 100000;
    const SimpleEffectsOutcome far =
        unequalSimpleEffects(UnequalAnalysisMode::Proportional, full, sizes, shifted, {}, 1, 2, prompts);
    ASSERT_TRUE(far.table);
    expectSameRows(*far.table, t);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST(UnequalSimpleEffects, EqualCellSizesReproduceTheOrdinarySimpleEffects)
{
    // The replicates factor first: the entry order (cell by cell) is the factorial order.
    RecordingPrompts prompts;
    {
        SCOPED_TRACE("unweighted means, three substantive factors");
        const Design full = makeDesign({{"Reps", 3}, {"Alpha", 2}, {"Beta", 3}, {"Gamma", 2}},
                                       AnovaType::IndependentGroups, 1);
        const Scores scores = randomScores(full, 11);
        for (const auto& [a, b] : {std::pair{1, 2}, std::pair{3, 1}, std::pair{2, 3}}) {
            const auto ordinary = computeSimpleEffects(full, scores, a + 1, b + 1, prompts).table;
            const auto u = unequalSimpleEffects(UnequalAnalysisMode::UnweightedMeans, full,
                                                std::vector<long>(12, 3), scores, {}, a, b, prompts)
                               .table;
            ASSERT_TRUE(ordinary && u);
            expectSameRows(*u, *ordinary);
        }
    }
    {
        SCOPED_TRACE("proportional");
        const Design full = makeDesign({{"Reps", 4}, {"Alpha", 2}, {"Beta", 3}}, AnovaType::IndependentGroups, 1);
        const Scores scores = randomScores(full, 5);
        const auto ordinary = computeSimpleEffects(full, scores, 2, 3, prompts).table;
        const auto p = unequalSimpleEffects(UnequalAnalysisMode::Proportional, full, std::vector<long>(6, 4), scores,
                                            {}, 1, 2, prompts)
                           .table;
        ASSERT_TRUE(ordinary && p);
        expectSameRows(*p, *ordinary);
    }
    EXPECT_TRUE(prompts.messages.empty());
}

TEST(UnequalSimpleEffects, UnweightedMeansWeighEveryCellAlikeAcrossAThirdFactor)
{
    // A (2) x B (2) x C (2): the pair (A, B) averages the two cells of C with equal weight,
    // whatever their sizes. Cell order A fastest, then B, then C; every cell 1 or 3 scores.
    const Design full = makeDesign({{"A", 2}, {"B", 2}, {"C", 2}, {"R", 3}}, AnovaType::IndependentGroups, 4);
    const std::vector<long> sizes{1, 3, 3, 1, 3, 1, 1, 3};
    // Cell means 2, 4, 6, 8 (C 1) and 4, 6, 8, 14 (C 2), each cell's scores spread by +-1.
    const Scores scores{2, 3, 4, 5, 5, 6, 7, 8, 3, 4, 5, 6, 8, 13, 14, 15};
    RecordingPrompts prompts;
    const auto s =
        unequalSimpleEffects(UnequalAnalysisMode::UnweightedMeans, full, sizes, scores, {}, 1, 2, prompts).table;
    ASSERT_TRUE(s);
    // h = 8 / (4 x 1 + 4 x 1/3) = 1.5; two cells behind each pair mean: weight 3.
    // Pair means: (a1 b1) 3, (a2 b1) 5, (a1 b2) 7, (a2 b2) 11.
    // A at B 1: (3, 5) -> 2 x 3 = 6; A at B 2: (7, 11) -> 8 x 3 = 24; B at A 1: (3, 7) -> 24;
    // B at A 2: (5, 11) -> 54. Within: 4 cells of 3 scores, each 2, on 16 - 8 df.
    const double ms = 8.0 / 8;
    expectRow(*s, 2, "A at B 1", 1, 6, 6 / ms);
    expectRow(*s, 3, "A at B 2", 1, 24, 24 / ms);
    expectRow(*s, 4, "B at A 1", 1, 24, 24 / ms);
    expectRow(*s, 5, "B at A 2", 1, 54, 54 / ms);
    expectRow(*s, 6, "  Within", 8, 8, -1);
}

TEST(UnequalSimpleEffects, RefusalsAndZeroError)
{
    const Design full = makeDesign({{"A", 2}, {"B", 2}, {"R", 3}}, AnovaType::IndependentGroups, 3);
    RecordingPrompts prompts;
    // Every cell's scores alike: no error to test against; the user goes back to the scores.
    const SimpleEffectsOutcome flat = unequalSimpleEffects(UnequalAnalysisMode::UnweightedMeans, full, {2, 1, 1, 2},
                                                           {4, 4, 5, 6, 7, 7}, {}, 1, 2, prompts);
    EXPECT_FALSE(flat.table);
    EXPECT_TRUE(flat.returnToData);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Undefined F-ratio!");

    // Sizes and scores that do not fit, a cell of 0, a pair that is not two substantive factors,
    // and the attrition test (which has no scores) are refused.
    const Scores eight{1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_THROW(unequalSimpleEffects(UnequalAnalysisMode::Proportional, full, {2, 2, 2}, eight, {}, 1, 2, prompts),
                 std::invalid_argument);
    EXPECT_THROW(unequalSimpleEffects(UnequalAnalysisMode::Proportional, full, {2, 2, 2, 1}, eight, {}, 1, 2, prompts),
                 std::invalid_argument);
    EXPECT_THROW(unequalSimpleEffects(UnequalAnalysisMode::UnweightedMeans, full, {4, 0, 2, 2}, eight, {}, 1, 2, prompts),
                 std::invalid_argument);
    EXPECT_THROW(unequalSimpleEffects(UnequalAnalysisMode::UnweightedMeans, full, {2, 2, 2, 2}, eight, {}, 1, 1, prompts),
                 std::invalid_argument);
    EXPECT_THROW(unequalSimpleEffects(UnequalAnalysisMode::UnweightedMeans, full, {2, 2, 2, 2}, eight, {}, 1, 3, prompts),
                 std::invalid_argument);
    EXPECT_THROW(unequalSimpleEffects(UnequalAnalysisMode::Attrition, full, {2, 2, 2, 2}, eight, {}, 1, 2, prompts),
                 std::invalid_argument);
    EXPECT_EQ(prompts.messages.size(), 1u);
}

TEST(UnequalCells, MeansAndCountsInTheOrderOfTheDesignWithoutReplicates)
{
    // Unequal group sizes: Subjects nested under Group; entry order group, trial, subject.
    Design groups = makeDesign({{"Trial", 2}, {"Group", 2}, {"Subjects", 3}}, AnovaType::RepeatedMeasures, 3);
    groups.nested = true;
    groups.nestingMatrix = {{'S', 'G'}};
    // Group 1 (2 subjects): trial 1 3 5, trial 2 4 8; group 2 (3 subjects): 1 2 3, 7 8 9.
    const UnequalCells g =
        unequalCells(UnequalAnalysisMode::GroupSizes, groups, {2, 3}, {3, 5, 4, 8, 1, 2, 3, 7, 8, 9});
    // The design without subjects: Trial fastest, then Group.
    EXPECT_EQ(g.cellDesign.factorCount(), 2);
    EXPECT_EQ(g.cellDesign.factor(1).name, "Trial");
    EXPECT_EQ(g.means, (std::vector<double>{4, 6, 2, 8}));
    EXPECT_EQ(g.counts, (std::vector<long>{2, 2, 3, 3}));

    const Design full = makeDesign({{"A", 2}, {"B", 2}, {"R", 3}}, AnovaType::IndependentGroups, 3);
    const UnequalCells u = unequalCells(UnequalAnalysisMode::Proportional, full, {2, 1, 2, 1}, {1, 2, 7, 3, 4, 9});
    EXPECT_EQ(u.means, (std::vector<double>{1.5, 7, 3.5, 9}));
    EXPECT_EQ(u.counts, (std::vector<long>{2, 1, 2, 1}));
    EXPECT_THROW(unequalCells(UnequalAnalysisMode::Attrition, full, {2, 1, 2, 1}, {}), std::invalid_argument);
    EXPECT_THROW(unequalCells(UnequalAnalysisMode::GroupSizes, groups, {2, 3}, {1, 2, 3}), std::invalid_argument);
}

}  // namespace
}  // namespace varisect
