// SPDX-License-Identifier: GPL-3.0-or-later
#include "means/simpleeffects.h"

#include <gtest/gtest.h>

#include "engine/analysis.h"
#include "engine/fprob.h"
#include "engine/fdistribution.h"
#include "support/recordingprompts.h"
#include "engine/reference.h"
#include "table/tableedit.h"

namespace varisect {
namespace {

using testing::makeDesign;
using testing::randomScores;

std::vector<std::string> sources(const AnovaTable& t)
{
    std::vector<std::string> out;
    for (int r = 2; r <= t.rowCount(); ++r)
        out.push_back(t.cell(r, ColSource));
    return out;
}

int rowOf(const AnovaTable& t, const std::string& label)
{
    for (int r = 1; r <= t.rowCount(); ++r)
        if (t.cell(r, ColSource) == label)
            return r;
    ADD_FAILURE() << "no row " << label;
    return 1;
}

// Sum of the SS of the rows whose source starts with `prefix`.
double sumOf(const AnovaTable& t, const std::string& prefix)
{
    double sum = 0;
    for (int r = 2; r <= t.rowCount(); ++r)
        if (t.cell(r, ColSource).starts_with(prefix))
            sum += t.number(r, ColSS);
    return sum;
}

AnovaTable simpleTable(const Design& d, const Scores& s, int a, int b)
{
    RecordingPrompts prompts;
    const SimpleEffectsOutcome out = computeSimpleEffects(d, s, a, b, prompts);
    EXPECT_TRUE(out.table.has_value());
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front().text;
    return out.table.value_or(AnovaTable{});
}

double mainSS(const AnovaTable& t, const std::string& label) { return t.number(rowOf(t, label), ColSS); }

TEST(SimpleEffects, HandWorkedIndependentGroups)
{
    // A (2) x B (3) x R (2); cell means A1: 2, 3, 4 and A2: 6, 7, 11; every cell's two scores
    // differ by 2, so the within-cells error is 12 on 6 df.
    const Design d = makeDesign({{"A", 2}, {"B", 3}, {"R", 2}}, AnovaType::IndependentGroups, 3);
    const Scores s = {1, 5, 2, 6, 3, 10, 3, 7, 4, 8, 5, 12};
    const AnovaTable t = simpleTable(d, s, 1, 2);
    EXPECT_EQ(sources(t), (std::vector<std::string>{"A at B 1", "A at B 2", "A at B 3", "B at A 1", "B at A 2",
                                                    "  Within"}));
    EXPECT_EQ(t.rows[0], (AnovaTable::Row{"Source", "df", "SS", "MS", "F", "  p"}));
    EXPECT_EQ(t.rows[3], (AnovaTable::Row{"A at B 3", " 1", " 49", " 49", " 24.5", t.cell(4, ColP)}));
    EXPECT_EQ(t.rows[4], (AnovaTable::Row{"B at A 1", " 2", " 4", " 2", " 1", t.cell(5, ColP)}));
    EXPECT_EQ(t.rows[6], (AnovaTable::Row{"  Within", " 6", " 12", " 2", "", ""}));
    EXPECT_NEAR(t.number(4, ColP), paulsonUpperTail(1, 6, 24.5), 1e-15);
    EXPECT_NEAR(t.number(5, ColP), paulsonUpperTail(2, 6, 1), 1e-15);
    EXPECT_EQ(t.lastRow, t.rowCount());
    EXPECT_EQ(t.pooledErrorDf, 6);
    EXPECT_EQ(t.displayDecimals, 2);

    // The same scores a millionth the size: the error is small, not zero, and F is unchanged.
    Scores tiny = s;
    for (float& x : tiny)
        x *= 1e-6f;
    EXPECT_NEAR(simpleTable(d, tiny, 1, 2).number(4, ColF), 24.5, 1e-3);
    // Asked for, the p column holds the exact tail, and the table says so.
    RecordingPrompts prompts;
    const AnovaTable exact = computeSimpleEffects(d, s, 1, 2, prompts, true).table.value();
    EXPECT_TRUE(exact.exactP);
    EXPECT_NEAR(exact.number(4, ColP), exactUpperTail(1, 6, 24.5), 1e-4);
}

TEST(SimpleEffects, SumsMatchTheMainTable)
{
    RecordingPrompts prompts;
    // Independent groups, with a factor averaged over: the simple effects of A over the levels of
    // B add up to A + AxB, and the within row is the main table's.
    const Design ig = makeDesign({{"A", 3}, {"B", 4}, {"C", 2}, {"R", 3}}, AnovaType::IndependentGroups, 4);
    const Scores si = randomScores(ig, 11);
    const AnovaTable mi = RunAnalysis(ig, si, {}, prompts).value();
    const AnovaTable ti = simpleTable(ig, si, 1, 2);
    EXPECT_NEAR(sumOf(ti, "A at B"), mainSS(mi, "A") + mainSS(mi, "AxB"), 1e-8);
    EXPECT_NEAR(sumOf(ti, "B at A"), mainSS(mi, "B") + mainSS(mi, "AxB"), 1e-8);
    EXPECT_EQ(ti.rows.back(), mi.rows[size_t(rowOf(mi, "  Within") - 1)]);

    // Repeated measures: the same for the effects, and every error row is the effect's own
    // interaction with subjects at that level, so they add up to AxS + AxBxS.
    const Design rm = makeDesign({{"A", 3}, {"B", 2}, {"C", 2}, {"S", 4}}, AnovaType::RepeatedMeasures, 4);
    const Scores sr = randomScores(rm, 12);
    const AnovaTable mr = RunAnalysis(rm, sr, {}, prompts).value();
    const AnovaTable tr = simpleTable(rm, sr, 1, 2);
    EXPECT_EQ(sources(tr), (std::vector<std::string>{"A at B 1", "  AxS at B 1", "A at B 2", "  AxS at B 2",
                                                     "B at A 1", "  BxS at A 1", "B at A 2", "  BxS at A 2",
                                                     "B at A 3", "  BxS at A 3"}));
    EXPECT_NEAR(sumOf(tr, "A at B"), mainSS(mr, "A") + mainSS(mr, "AxB"), 1e-8);
    EXPECT_NEAR(sumOf(tr, "B at A"), mainSS(mr, "B") + mainSS(mr, "AxB"), 1e-8);
    EXPECT_NEAR(sumOf(tr, "  AxS"), mainSS(mr, "  SxA") + mainSS(mr, "  SxAxB"), 1e-8);
    EXPECT_EQ(tr.cell(3, ColDf), " 6");
    const int r = rowOf(tr, "B at A 2");
    EXPECT_NEAR(tr.number(r, ColF), tr.number(r, ColMS) / tr.number(r + 1, ColMS), 1e-12 * tr.number(r, ColF));
    EXPECT_TRUE(prompts.messages.empty());

    // The table window's df adjustment works on a table without a "Total" row: the last error
    // row (3 df) can be adjusted, its effect gets a new F, and no other row changes.
    AnovaTable adjusted = tr;
    const int last = adjusted.rowCount();
    ASSERT_TRUE(applyErrorDf(adjusted, rm, last, 2, prompts, ProbabilityContext{}));
    EXPECT_EQ(adjusted.cell(last, ColDf), " 2");
    EXPECT_NEAR(adjusted.number(last - 1, ColF), tr.number(last - 1, ColF) * 2 / 3, 1e-9 * tr.number(last - 1, ColF));
    for (int row = 2; row < last - 1; ++row)
        EXPECT_EQ(adjusted.rows[size_t(row - 1)], tr.rows[size_t(row - 1)]);
}

TEST(SimpleEffects, SubjectsNestedUnderAFactor)
{
    // A (2) between subjects, S (3) nested under A, B (3) within: A at each level of B is tested
    // against the subjects within A there ("  Error+ at B j", 2 x (3 - 1) df less the imputed
    // scores); B at each level of A against BxS.
    Design d = makeDesign({{"A", 2}, {"B", 3}, {"S", 3}}, AnovaType::RepeatedMeasures, 3);
    d.nested = true;
    d.nestingMatrix = {{'S', 'A'}};
    const Scores s = randomScores(d, 5);
    const SourceSums sums = computeSourceSums(d, s);
    const AnovaTable t = simpleTable(d, s, 1, 2);
    EXPECT_EQ(sources(t)[1], "  Error+ at B 1");
    EXPECT_EQ(t.cell(3, ColDf), " 4");
    EXPECT_EQ(sources(t)[7], "  BxS at A 1");
    EXPECT_EQ(t.cell(9, ColDf), " 4");
    // S = 4, AxS = 5, BxS = 6, AxBxS = 7 (bit masks).
    EXPECT_NEAR(sumOf(t, "  Error+"), sums.ss[4] + sums.ss[5] + sums.ss[6] + sums.ss[7], 1e-8);
    EXPECT_NEAR(sumOf(t, "  BxS"), sums.ss[6] + sums.ss[7], 1e-8);

    d.imputedCount = 1;
    EXPECT_EQ(simpleTable(d, s, 1, 2).cell(3, ColDf), " 3");
    d.imputedCount = 4;
    RecordingPrompts prompts;
    EXPECT_FALSE(computeSimpleEffects(d, s, 1, 2, prompts).table);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Error Condition!");
    EXPECT_EQ(prompts.messages[0].text, "You have too many imputed scores for the specified design.\n\r"
                                        "The analysis cannot be carried out as planned.");

    // Subjects nested under a factor outside the pair are told apart by it: subject 1 of C1 is
    // not subject 1 of C2, so A at B j has (3 - 1) x (2 x 2 - 1) error df.
    Design c = makeDesign({{"A", 3}, {"B", 2}, {"C", 2}, {"S", 2}}, AnovaType::RepeatedMeasures, 4);
    c.nested = true;
    c.nestingMatrix = {{'S', 'C'}};
    const Scores sc = randomScores(c, 6);
    const SourceSums cs = computeSourceSums(c, sc);
    const AnovaTable tc = simpleTable(c, sc, 1, 2);
    EXPECT_EQ(tc.cell(3, ColDf), " 6");
    // A crossed with every subject at each level of B: the A terms with C or S, with and without B.
    const unsigned a = 1, b = 2, cc = 4, subj = 8;
    double expected = 0;
    for (unsigned m : {a | cc, a | subj, a | cc | subj})
        expected += cs.ss[m] + cs.ss[m | b];
    EXPECT_NEAR(sumOf(tc, "  AxS"), expected, 1e-8);
}

TEST(SimpleEffects, PreconditionsGuardRowsAndQuestions)
{
    RecordingPrompts prompts;
    const Design two = makeDesign({{"A", 2}, {"S", 3}}, AnovaType::RepeatedMeasures, 2);
    EXPECT_FALSE(computeSimpleEffects(two, randomScores(two, 1), 1, 2, prompts).table);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Not appropriate for this design!");
    EXPECT_EQ(prompts.messages[0].text, "Simple effects are not defined if there are fewer than two substantive factors.");

    // Replicates that agree: no within-cells error, the user goes back to the data.
    const Design ig = makeDesign({{"A", 2}, {"B", 2}, {"R", 2}}, AnovaType::IndependentGroups, 3);
    const Scores same = {1, 2, 3, 4, 1, 2, 3, 4};
    prompts.messages.clear();
    const SimpleEffectsOutcome zero = computeSimpleEffects(ig, same, 1, 2, prompts);
    EXPECT_FALSE(zero.table);
    EXPECT_TRUE(zero.returnToData);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Undefined F-ratio!");
    EXPECT_EQ(prompts.messages[0].text,
              "The Mean Square for the denominator for the F-ratios is zero.  This condition prohibits evaluation of "
              "the F-ratio, and is usually the result of faulty input values.  Please check the data?");
    EXPECT_THROW(computeSimpleEffects(ig, same, 1, 3, prompts), std::invalid_argument);

    // Every subject shows the same pattern over A: the error of A at B 1 is zero. No abandons the
    // table; Yes shows it with F and p blank.
    const Design rm = makeDesign({{"A", 2}, {"B", 2}, {"S", 3}}, AnovaType::RepeatedMeasures, 3);
    const Scores flat = {1, 3, 2, 7, 2, 4, 5, 6, 3, 5, 1, 9};
    RecordingPrompts no(false);
    EXPECT_FALSE(computeSimpleEffects(rm, flat, 1, 2, no).table);
    ASSERT_EQ(no.messages.size(), 1u);
    EXPECT_EQ(no.messages[0].text,
              "The Mean Square for the denominator of the F-ratio associated with the A at B 1 source is zero.  This "
              "condition prohibits evaluation of the F-ratio, and is usually the result of faulty input values.  Do "
              "you want to continue printing the F-table?");
    RecordingPrompts yes(true);
    const auto shown = computeSimpleEffects(rm, flat, 1, 2, yes).table;
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->cell(2, ColF), "");
    EXPECT_EQ(shown->cell(2, ColP), "");
    EXPECT_NE(shown->cell(4, ColF), "");

    // B nested under A: A at the levels of B is not defined; B at each level of A is.
    Design nested = makeDesign({{"A", 2}, {"B", 3}, {"R", 2}}, AnovaType::IndependentGroups, 3);
    nested.nested = true;
    nested.nestingMatrix = {{'B', 'A'}};
    const AnovaTable g = simpleTable(nested, randomScores(nested, 2), 1, 2);
    EXPECT_EQ(sources(g), (std::vector<std::string>{"A at B j", "B at A 1", "B at A 2", "  Within"}));
    EXPECT_EQ(g.rows[1], (AnovaTable::Row{"A at B j", "not ", "defined", "", "", ""}));
    // With B in the columns the guard row names the column levels.
    EXPECT_EQ(sources(simpleTable(nested, randomScores(nested, 2), 2, 1)),
              (std::vector<std::string>{"B at A 1", "B at A 2", "A at B i", "  Within"}));
}

}  // namespace
}  // namespace varisect
