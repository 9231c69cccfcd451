// SPDX-License-Identifier: GPL-3.0-or-later
// The unweighted-means, proportional and unequal-group-sizes tables: against hand computations
// from the defining formulas, and against the ordinary analysis when the sizes are equal.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/fdistribution.h"
#include "engine/fprob.h"
#include "engine/reference.h"
#include "means/simpleeffects.h"
#include "analysis/analysisservice.h"
#include "support/recordingprompts.h"
#include "table/tabletext.h"
#include "unequal/groupsizes.h"
#include "unequal/proportional.h"
#include "unequal/unweightedmeans.h"
#include "unequaltables.h"

namespace varisect {
namespace {

using testing::makeDesign;
using testing::randomScores;
using unequaltest::expectRow;
using unequaltest::expectSameRows;
using unequaltest::groupDesign;

// Scores of the full factorial in the entry order of the cell-size analyses: cell by cell, the
// replicates of a cell in order.
Scores inEntryOrder(const Design& full, const Scores& factorial)
{
    const long cells = cellCount(full);
    const int n = full.factor(full.designatedFactor).levels;
    Scores entries(factorial.size());
    for (long p = 1; p <= full.scoreCount(); ++p) {
        const CellPlace place = cellPlace(full, p);
        entries[size_t((place.cell - 1) * n + place.replicate - 1)] = factorial[size_t(p - 1)];
    }
    EXPECT_EQ(long(entries.size()), cells * n);
    return entries;
}

// p of a row against the error df, from the program's approximation: the right df were used.
void expectP(const AnovaTable& t, int row, double errorDf)
{
    EXPECT_NEAR(t.number(row, ColP), paulsonUpperTail(t.number(row, ColDf), errorDf, t.number(row, ColF)), 1e-12)
        << t.cell(row, ColSource);
}

// The rows of two tables agree in df, MS, F and p (a relative tolerance: the cell means are
// held in single precision).
void expectSameTests(const AnovaTable& got, int gotRow, const AnovaTable& want, int wantRow)
{
    SCOPED_TRACE(want.cell(wantRow, ColSource));
    EXPECT_EQ(got.cell(gotRow, ColDf), want.cell(wantRow, ColDf));
    for (int c : {ColMS, ColF, ColP})
        EXPECT_NEAR(got.number(gotRow, c), want.number(wantRow, c), 1e-6 * std::max(1.0, want.number(wantRow, c)));
}

TEST(UnweightedMeans, EqualCellSizesReproduceTheOrdinaryAnalysis)
{
    // The replicates factor in the middle, so cell order and factorial order differ.
    const Design full = makeDesign({{"Alpha", 2}, {"Reps", 4}, {"Beta", 3}}, AnovaType::IndependentGroups, 2);
    const Scores factorial = randomScores(full, 7);
    RecordingPrompts prompts;
    const auto ordinary = analyseDesign(full, factorial, prompts);
    const UnweightedMeansOutcome u =
        unweightedMeansAnalysis(full, std::vector<long>(6, 4), inEntryOrder(full, factorial), prompts);
    ASSERT_TRUE(ordinary && u.table);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_DOUBLE_EQ(u.harmonicMeanCellSize, 4);
    const AnovaTable& t = *u.table;
    EXPECT_EQ(t.rows[0], (AnovaTable::Row{"Source", "df", "SS (raw)", "MS", "F", "  p"}));
    ASSERT_EQ(t.rowCount(), ordinary->rowCount());
    for (int r = 2; r <= 4; ++r) {
        expectSameTests(t, r, *ordinary, r);
        EXPECT_NEAR(t.number(r, ColSS), ordinary->number(r, ColSS) / 4, 1e-6 * ordinary->number(r, ColSS));
    }
    EXPECT_EQ(t.rows[4], ordinary->rows[4]);  // "  Within"
    EXPECT_EQ(t.cell(6, ColSource), "Total");
    EXPECT_EQ(t.cell(6, ColDf), ordinary->cell(6, ColDf));
    EXPECT_NEAR(t.number(6, ColSS), ordinary->number(6, ColSS), 1e-9 * ordinary->number(6, ColSS));
    // The cell design has no replicates factor.
    EXPECT_EQ(u.cellDesign.factorCount(), 2);
    EXPECT_EQ(u.cellDesign.designatedFactor, 0);
}

TEST(UnweightedMeans, HandComputedUnequalDesign)
{
    // A (2) x B (2) with replicates R (3); cells (a1 b1), (a2 b1), (a1 b2), (a2 b2).
    const Design full = makeDesign({{"A", 2}, {"B", 2}, {"R", 3}}, AnovaType::IndependentGroups, 3);
    const Scores scores{4, 6, 8, 7, 9, 5, 10, 14};
    RecordingPrompts prompts;
    const UnweightedMeansOutcome u = unweightedMeansAnalysis(full, {3, 2, 1, 2}, scores, prompts);
    ASSERT_TRUE(u.table);
    EXPECT_EQ(u.cellMeans, (Scores{6, 8, 5, 12}));
    // n~ = 4 / (1/3 + 1/2 + 1 + 1/2) = 12/7; SS_w = 8 + 2 + 0 + 8 = 18 on 8 - 4 df;
    // SS_t = 70.875 on 7 df. SS (raw) of the means 6, 8, 5, 12: A 20.25, B 2.25, AxB 6.25.
    EXPECT_NEAR(u.harmonicMeanCellSize, 12.0 / 7, 1e-15);
    const AnovaTable& t = *u.table;
    expectRow(t, 2, "A", 1, 20.25, 20.25 * 12 / 7, 20.25 * 12 / 7 / 4.5);
    expectRow(t, 3, "B", 1, 2.25, 2.25 * 12 / 7, 2.25 * 12 / 7 / 4.5);
    expectRow(t, 4, "AxB", 1, 6.25, 6.25 * 12 / 7, 6.25 * 12 / 7 / 4.5);
    expectRow(t, 5, "  Within", 4, 18, 4.5);
    expectRow(t, 6, "Total", 7, 70.875, -1);
    for (int r = 2; r <= 4; ++r)
        expectP(t, r, 4);
    EXPECT_EQ(t.cell(5, ColF), "");
    EXPECT_EQ(t.cell(6, ColMS), "");
    // The legend says what scales the mean squares: 34.71 = 20.25 / 1 x 1.714.
    EXPECT_EQ(t.notes, (std::vector<std::string>{
                           "  Harmonic mean cell size = 1.714: a source's MS is SS (raw) / df x 1.714.",
                           "  Within and Total are those of the raw scores; Total is not the sum of the SS column."}));
    EXPECT_EQ(harmonicMeanNotes(2.4)[0], "  Harmonic mean cell size = 2.4: a source's MS is SS (raw) / df x 2.4.");
    EXPECT_EQ(harmonicMeanNotes(3 / (0.5 + 0.5 + 0.05)).at(0).substr(0, 33), "  Harmonic mean cell size = 2.857");
}

TEST(UnweightedMeans, CellSizesAtTheEdges)
{
    const Design full = makeDesign({{"Group", 3}, {"Reps", 20}}, AnovaType::IndependentGroups, 2);
    RecordingPrompts prompts;

    // One large cell: the harmonic mean stays near the small cells and every cell mean weighs
    // the same in SS (raw), however many scores stand behind it.
    Scores big{1, 3, 5, 7};
    for (int i = 0; i < 20; ++i)
        big.push_back(i % 2 ? 12.0f : 10.0f);
    const UnweightedMeansOutcome large = unweightedMeansAnalysis(full, {2, 2, 20}, big, prompts);
    ASSERT_TRUE(large.table);
    EXPECT_NEAR(large.harmonicMeanCellSize, 3 / (0.5 + 0.5 + 0.05), 1e-12);
    // Means 2, 6, 11 about 19/3; SS_w = 2 + 2 + 20; df_w = 24 - 3.
    expectRow(*large.table, 2, "G", 2, 169.0 / 9 + 1.0 / 9 + 196.0 / 9, -1);
    expectRow(*large.table, 3, "  Within", 21, 24, 24.0 / 21);

    // Single-score cells add nothing to SS_w but count in df_w = N - C.
    const UnweightedMeansOutcome single = unweightedMeansAnalysis(full, {1, 2, 1}, {5, 2, 4, 9}, prompts);
    ASSERT_TRUE(single.table);
    expectRow(*single.table, 3, "  Within", 1, 2, 2);
    EXPECT_TRUE(prompts.messages.empty());

    // Every cell a single score: no within-cells error at all. The MS stays empty (not 0/0) and
    // the engine's question comes up; Yes shows the table without F-ratios.
    const UnweightedMeansOutcome none = unweightedMeansAnalysis(full, {1, 1, 1}, {5, 2, 4}, prompts);
    ASSERT_TRUE(none.table);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Undefined F-ratio!");
    EXPECT_EQ(none.table->cell(3, ColMS), "");
    EXPECT_EQ(none.table->cell(2, ColF), "");

    // A cell without scores is refused with the code-1 message before anything is computed.
    const UnweightedMeansOutcome zero = unweightedMeansAnalysis(full, {2, 0, 2}, {1, 2, 3, 4}, prompts);
    EXPECT_FALSE(zero.table);
    ASSERT_TRUE(zero.refusal);
    EXPECT_EQ(zero.refusal->title, "Data Entry Error!");
    EXPECT_EQ(zero.refusedCell, 2);
    EXPECT_THROW(unweightedMeansAnalysis(full, {2, 2, 2}, {1, 2, 3}, prompts), std::invalid_argument);
}

TEST(Proportional, HandComputedDesignAndEqualSizes)
{
    // Sizes 2, 4 / 1, 2 (rows A1, A2; columns B1, B2), in cell order with A fastest.
    const Design full = makeDesign({{"A", 2}, {"B", 2}, {"R", 4}}, AnovaType::IndependentGroups, 3);
    const Scores scores{3, 5, 8, 4, 6, 6, 8, 9, 13};
    RecordingPrompts prompts;
    const ProportionalOutcome p = proportionalAnalysis(full, {2, 1, 4, 2}, scores, prompts);
    ASSERT_TRUE(p.table);
    // K = 62^2 / 9; SS_A = 22^2/6 + 30^2/3 - K = 392/9; SS_B = 16^2/3 + 46^2/6 - K = 98/9;
    // SS_AxB = B - SS_A - SS_B - K = 4/9; SS_w = 18 on 5 df; SS_t = 656/9.
    const AnovaTable& t = *p.table;
    expectRow(t, 2, "A", 1, 392.0 / 9, 392.0 / 9, 392.0 / 9 / 3.6);
    expectRow(t, 3, "B", 1, 98.0 / 9, 98.0 / 9, 98.0 / 9 / 3.6);
    expectRow(t, 4, "AxB", 1, 4.0 / 9, 4.0 / 9, 4.0 / 9 / 3.6);
    expectRow(t, 5, "  Within", 5, 18, 3.6);
    expectRow(t, 6, "Total", 8, 656.0 / 9, -1);
    for (int r = 2; r <= 4; ++r)
        expectP(t, r, 5);
    EXPECT_NEAR(p.rowSS + p.columnSS + p.interactionSS + p.sums.withinSS, p.sums.totalSS, 1e-12);
    EXPECT_EQ(p.margins[0][1].count, 3);
    EXPECT_DOUBLE_EQ(p.margins[0][1].total, 30);
    EXPECT_EQ(p.cellMeans, (Scores{4, 8, 6, 11}));

    // Not proportional: code 3 at the offending cell; a cell of 0: code 1.
    const ProportionalOutcome bad = proportionalAnalysis(full, {2, 3, 4, 5}, Scores(14, 1.0f), prompts);
    ASSERT_TRUE(bad.refusal);
    EXPECT_EQ(bad.refusal->title, "Proportionality Violation!");
    EXPECT_EQ(bad.refusedCell, 4);
    EXPECT_EQ(proportionalAnalysis(full, {2, 0, 4, 0}, Scores(6, 1.0f), prompts).refusal->title, "Data Entry Error!");

    // Equal sizes: the ordinary independent-groups analysis, with a large mean.
    const Design three = makeDesign({{"A", 3}, {"B", 2}, {"R", 3}}, AnovaType::IndependentGroups, 3);
    const Scores factorial = randomScores(three, 11, 10000, 3);
    const auto ordinary = analyseDesign(three, factorial, prompts);
    const ProportionalOutcome equal = proportionalAnalysis(three, std::vector<long>(6, 3), inEntryOrder(three, factorial), prompts);
    ASSERT_TRUE(ordinary && equal.table);
    EXPECT_TRUE(prompts.messages.empty());
    ASSERT_EQ(equal.table->rowCount(), ordinary->rowCount());
    for (int r = 2; r <= 5; ++r) {
        expectSameTests(*equal.table, r, *ordinary, r);
        EXPECT_NEAR(equal.table->number(r, ColSS), ordinary->number(r, ColSS), 1e-7 * ordinary->number(6, ColSS));
    }
    EXPECT_EQ(equal.table->cell(6, ColDf), ordinary->cell(6, ColDf));
}

// A source whose true SS is 0 shows 0, whatever sign of rounding the differences leave, and its F
// of 0 asks the question every table asks.
TEST(Proportional, SumsOfSquaresOfZeroAreZero)
{
    // Sizes 1, 2 / 2, 4 (rows A1, A2; columns B1, B2); cell means .1, .4 / .3, .6 are additive.
    const Design full = makeDesign({{"A", 2}, {"B", 2}, {"R", 4}}, AnovaType::IndependentGroups, 3);
    const Scores scores{.1f, .3f, .5f, .2f, .4f, .5f, .7f, .5f, .7f};
    RecordingPrompts prompts;
    const ProportionalOutcome p = proportionalAnalysis(full, {1, 2, 2, 4}, scores, prompts);
    ASSERT_TRUE(p.table);
    // K = 3.9^2 / 9 = 1.69; SS_A = .7^2/3 + 3.2^2/6 - K = .18; SS_B = .9^2/3 + 3^2/6 - K = .08;
    // SS_w = .02 + .02 + .04 = .08 on 5 df; SS_t = .34. The scores in single precision leave
    // SS_AxB a few units of rounding away from 0.
    const AnovaTable& t = *p.table;
    EXPECT_NEAR(t.number(2, ColSS), .18, 1e-7);
    EXPECT_NEAR(t.number(3, ColSS), .08, 1e-7);
    EXPECT_NEAR(t.number(5, ColSS), .08, 1e-7);
    EXPECT_NEAR(t.number(6, ColSS), .34, 1e-7);
    EXPECT_LT(std::abs(p.interactionSS), 1e-12);
    EXPECT_EQ(t.cell(4, ColSS), " 0");
    EXPECT_EQ(t.cell(4, ColMS), " 0");
    EXPECT_EQ(t.cell(4, ColF), " 0");  // not the 1E-09 of a tiny positive F
    EXPECT_EQ(t.number(4, ColP), 1.0);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Warning!!!");
    EXPECT_TRUE(prompts.messages[0].text.ends_with("(No = Return to the Unequal Cell Size Window)?"));

    // Supplied sums below the relative zero of the supplied total, of either sign, are 0; so
    // is a within SS of that size, which leaves the F-ratios undefined.
    SuppliedSums sums;
    sums.effectSS = {4.0, -2.958e-32, 1e-14};
    sums.withinSS = 8;
    sums.withinDf = 4;
    sums.totalSS = 12;
    sums.totalDf = 7;
    AnalysisOptions options;
    options.supplied = sums;
    RecordingPrompts yes;
    const auto clamped = analyseDesign(p.cellDesign, Scores{1, 2, 3, 4}, yes, options);
    ASSERT_TRUE(clamped);
    EXPECT_EQ(clamped->cell(2, ColSS), " 4");
    EXPECT_EQ(clamped->cell(3, ColSS), " 0");
    EXPECT_EQ(clamped->cell(4, ColSS), " 0");
    EXPECT_EQ(clamped->cell(3, ColF), " 0");
    EXPECT_EQ(yes.messages.size(), 2u);
    options.supplied->withinSS = -1e-30;
    RecordingPrompts undefined;
    const auto noError = analyseDesign(p.cellDesign, Scores{1, 2, 3, 4}, undefined, options);
    ASSERT_TRUE(noError);
    EXPECT_EQ(noError->cell(5, ColSS), " 0");
    EXPECT_EQ(noError->cell(2, ColF), "");
    ASSERT_EQ(undefined.messages.size(), 1u);
    EXPECT_EQ(undefined.messages[0].title, "Undefined F-ratio!");
}

// Scores of the full factorial of groupDesign in the group-size entry order: group, trial,
// subject.
Scores groupEntries(const Design& d, const Scores& factorial)
{
    Scores entries;
    for (int g = 1; g <= 2; ++g)
        for (int t = 1; t <= 3; ++t)
            for (int s = 1; s <= d.factor(3).levels; ++s)
                entries.push_back(factorial[size_t(flatPosition(d, {g, t, s}) - 1)]);
    return entries;
}

TEST(GroupSizes, HandComputedDesign)
{
    // Group 1: subjects (3 5 7) and (4 6 9); group 2: (6 7 8), (5 8 8), (7 9 12). Entry order:
    // group, level, subject.
    const Scores scores{3, 4, 5, 6, 7, 9, 6, 5, 7, 7, 8, 9, 8, 8, 12};
    RecordingPrompts prompts;
    const GroupSizesOutcome g = unequalGroupSizesAnalysis(groupDesign(3), {2, 3}, scores, 0, prompts);
    ASSERT_TRUE(g.table);
    EXPECT_TRUE(prompts.messages.empty());
    const AnovaTable& t = *g.table;
    ASSERT_EQ(t.rowCount(), 7);
    EXPECT_EQ(t.rows[0], (AnovaTable::Row{"Source", "df", "SS", "MS", "F", "  p"}));
    // K = 104^2 / 15. SS_A = 34^2/6 + 70^2/9 - K; SS_S/A = sum over groups of the subject
    // totals' squares / 3 less A_i^2 / (3 n_i); the rest from the B and AB totals.
    expectRow(t, 2, "G", 1, 722.0 / 45, 722.0 / 45, (722.0 / 45) / (122.0 / 27));
    expectRow(t, 3, "  Error+", 3, 122.0 / 9, 122.0 / 27);
    expectRow(t, 4, "T", 2, 542.0 / 15, 271.0 / 15, (271.0 / 15) / (37.0 / 54));
    expectRow(t, 5, "GxT", 2, 49.0 / 45, 49.0 / 90, (49.0 / 90) / (37.0 / 54));
    expectRow(t, 6, "  Error+", 6, 37.0 / 9, 37.0 / 54);
    expectRow(t, 7, "Total", 14, 1064.0 / 15, -1);
    expectP(t, 2, 3);
    expectP(t, 4, 6);
    expectP(t, 5, 6);
    EXPECT_EQ(t.lastRow, 6);
    EXPECT_EQ(t.imputedErrorRow, 0);
    EXPECT_EQ(t.displayDecimals, 3);
    double parts = 0;
    for (int r = 2; r <= 6; ++r)
        parts += t.number(r, ColSS);
    EXPECT_NEAR(parts, t.number(7, ColSS), 1e-12);
    // What the simple effects and the graph read.
    EXPECT_NEAR(g.groups[1].subjectsSS, 21.0 * 21 / 3 + 21.0 * 21 / 3 + 28.0 * 28 / 3 - 70.0 * 70 / 9, 1e-12);
    EXPECT_EQ(g.groups[1].interactionDf, 4);
    EXPECT_EQ(g.groups[0].levelTotals, (std::vector<double>{7, 11, 16}));
    EXPECT_EQ(g.cellMeans, (Scores{3.5f, 6, 5.5f, 8, 8, 28.0f / 3}));
}

TEST(GroupSizes, EqualSizesImputedScoresAndGuards)
{
    // Equal groups: the ordinary mixed analysis of subjects nested under G, crossed with T.
    const Design d = groupDesign(4);
    const Scores factorial = randomScores(d, 5);
    const Scores entries = groupEntries(d, factorial);
    RecordingPrompts prompts;
    const auto ordinary = analyseDesign(d, factorial, prompts);
    const GroupSizesOutcome equal = unequalGroupSizesAnalysis(d, {4, 4}, entries, 0, prompts);
    ASSERT_TRUE(ordinary && equal.table);
    ASSERT_EQ(ordinary->rowCount(), 7);
    expectSameRows(*equal.table, *ordinary, false);  // "  Error+" against "  Error +"
    EXPECT_EQ(equal.table->denominatorRow, (std::vector<int>{0, 3, 0, 6, 6}));  // for the exact p of each F
    // Scores a millionth the size keep their F-ratios; asked for, p is the exact tail.
    Scores tiny = entries;
    for (float& x : tiny)
        x *= 1e-6f;
    const GroupSizesOutcome small = unequalGroupSizesAnalysis(d, {4, 4}, tiny, 0, prompts, true);
    ASSERT_TRUE(small.table && small.table->exactP);
    for (int r : {2, 4, 5}) {
        EXPECT_NEAR(small.table->number(r, ColF), equal.table->number(r, ColF), 1e-3 * equal.table->number(r, ColF));
        EXPECT_NEAR(small.table->number(r, ColP),
                    exactUpperTail(small.table->number(r, ColDf), small.table->number(r == 2 ? 3 : 6, ColDf),
                                   small.table->number(r, ColF)), 1e-4);
    }

    // m imputed scores reduce only the second error's df, which the table text marks with "*";
    // m = (b - 1)(S - a) leaves no df: "Error Condition!" and no table.
    const GroupSizesOutcome imputed = unequalGroupSizesAnalysis(d, {4, 4}, entries, 2, prompts);
    ASSERT_TRUE(imputed.table);
    EXPECT_EQ(imputed.table->cell(3, ColDf), " 6");
    EXPECT_EQ(imputed.table->cell(6, ColDf), " 10");
    EXPECT_NEAR(imputed.table->number(6, ColMS), equal.table->number(6, ColSS) / 10, 1e-12);
    EXPECT_EQ(imputed.table->imputedErrorRow, 6);
    EXPECT_EQ(formatTableCells(*imputed.table, false)[5][ColDf - 1], " 10*");
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(unequalGroupSizesAnalysis(d, {4, 4}, entries, 12, prompts).table);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Error Condition!");
    EXPECT_EQ(prompts.messages[0].text, "You have too many imputed scores for the specified design.\n\r"
                                        "The analysis cannot be carried out as planned.");

    // Every subject shows the same pattern over T: the second error MS is 0. The question names
    // the effect; Yes leaves T and GxT without F, No gives no table.
    Scores flat;
    for (int g = 0; g < 2; ++g)
        for (int t = 0; t < 3; ++t)
            for (int s = 0; s < 3; ++s)
                flat.push_back(float(10 * t + 3 * s + g));
    RecordingPrompts yes;
    const GroupSizesOutcome undefined = unequalGroupSizesAnalysis(d, {3, 3}, flat, 0, yes);
    ASSERT_TRUE(undefined.table);
    ASSERT_EQ(yes.messages.size(), 2u);
    EXPECT_EQ(yes.messages[0].title, "Undefined F-ratio!");
    EXPECT_EQ(yes.messages[0].text,
              "The Mean Square for the denominator of the F-ratio associated with the T source is zero.  This "
              "condition prohibits evaluation of the F-ratio, and is usually the result of faulty input values.  "
              "Do you want to continue printing anyway?");
    EXPECT_FALSE(undefined.table->cell(2, ColF).empty());
    EXPECT_EQ(undefined.table->cell(4, ColF), "");
    EXPECT_EQ(undefined.table->cell(5, ColF), "");
    RecordingPrompts no(false);
    EXPECT_FALSE(unequalGroupSizesAnalysis(d, {3, 3}, flat, 0, no).table);

    // A single subject in every group leaves both error terms without df: "Error Condition!"
    // and no table, instead of a table with blank error mean squares.
    RecordingPrompts single;
    const GroupSizesOutcome singles = unequalGroupSizesAnalysis(d, {1, 1}, Scores{3, 5, 4, 6, 9, 7}, 0, single);
    EXPECT_FALSE(singles.table);
    EXPECT_FALSE(singles.refusal);
    ASSERT_EQ(single.messages.size(), 1u);
    EXPECT_EQ(single.messages[0].title, "Error Condition!");
    EXPECT_EQ(single.messages[0].text, "Every group has a single subject, which leaves no degrees of freedom for "
                                       "the error terms.\n\rThe analysis cannot be carried out as planned.");
    // One group of two is enough: the error terms have df 1 and 2.
    const GroupSizesOutcome pair = unequalGroupSizesAnalysis(d, {1, 2}, Scores{3, 5, 4, 6, 8, 9, 7, 7, 8}, 0, single);
    ASSERT_TRUE(pair.table);
    EXPECT_EQ(pair.table->cell(3, ColDf), " 1");
    EXPECT_EQ(pair.table->cell(6, ColDf), " 2");
    EXPECT_FALSE(pair.table->cell(6, ColMS).empty());

    // A group without subjects is refused with the code-1 message.
    const GroupSizesOutcome zero = unequalGroupSizesAnalysis(d, {3, 0}, Scores(9, 1.0f), 0, prompts);
    ASSERT_TRUE(zero.refusal);
    EXPECT_EQ(zero.refusal->text, "   At least one score is missing from the data set.");
    EXPECT_EQ(zero.refusedGroup, 2);
}

TEST(GroupSizes, SimpleEffects)
{
    // Equal groups: the simple effects of the ordinary analysis of the pair (T, G), row by row.
    const Design d = groupDesign(4);
    const Scores factorial = randomScores(d, 7);
    const Scores entries = groupEntries(d, factorial);
    RecordingPrompts prompts;
    const auto ordinary = computeSimpleEffects(d, factorial, 2, 1, prompts).table;
    const auto equal = groupSizesSimpleEffects(d, {4, 4}, entries, {}, prompts);
    ASSERT_TRUE(ordinary && equal);
    expectSameRows(*equal, *ordinary, false);
    EXPECT_EQ(equal->cell(3, ColSource), "  Error+ at G 1");
    EXPECT_EQ(equal->cell(9, ColSource), "  Error+ at T 2");

    // Unequal groups: T at the levels of G adds up to SS_T + SS_GxT, G at the levels of T to
    // SS_G + SS_GxT; the errors of T are the groups' own.
    const Scores scores{3, 4, 5, 6, 7, 9, 6, 5, 7, 7, 8, 9, 8, 8, 12};
    const GroupSizesOutcome g = unequalGroupSizesAnalysis(groupDesign(3), {2, 3}, scores, 0, prompts);
    const auto s = groupSizesSimpleEffects(groupDesign(3), {2, 3}, scores, {}, prompts);
    ASSERT_TRUE(g.table && s);
    ASSERT_EQ(s->rowCount(), 11);
    const AnovaTable& t = *g.table;
    EXPECT_NEAR(s->number(2, ColSS) + s->number(4, ColSS), t.number(4, ColSS) + t.number(5, ColSS), 1e-12);
    EXPECT_NEAR(s->number(6, ColSS) + s->number(8, ColSS) + s->number(10, ColSS),
                t.number(2, ColSS) + t.number(5, ColSS), 1e-12);
    EXPECT_NEAR(s->number(5, ColSS), g.groups[1].interactionSS, 1e-12);
    EXPECT_EQ(s->number(5, ColDf), 4);
    EXPECT_EQ(s->number(7, ColDf), 3);
    EXPECT_TRUE(prompts.messages.empty());
}

}  // namespace
}  // namespace varisect
