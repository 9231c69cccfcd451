// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/analysis.h"

#include <gtest/gtest.h>

#include "engine/fprob.h"
#include "engine/numbertext.h"
#include "engine/prompts.h"
#include "reference.h"
#include "support/recordingprompts.h"

namespace varisect {
namespace {

using testing::makeDesign;
using testing::randomScores;
using testing::referenceSS;

std::vector<std::string> sourceColumn(const AnovaTable& t)
{
    std::vector<std::string> out;
    for (const auto& row : t.rows)
        out.push_back(row[0]);
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

AnovaTable analyse(const Design& d, const Scores& s, RecordingPrompts* prompts = nullptr)
{
    RecordingPrompts fallback;
    RecordingPrompts& p = prompts ? *prompts : fallback;
    const auto groups = d.nested ? BuildPoolingGroups(d) : std::vector<PoolingGroup>{};
    auto t = RunAnalysis(d, s, groups, p);
    EXPECT_TRUE(t.has_value());
    return t.value_or(AnovaTable{});
}

// Sum of the SS and df of every row but the total, and the total's.
void expectPartsAddUp(const AnovaTable& t, int imputed = 0)
{
    double ss = 0;
    int df = 0;
    for (int r = 2; r < t.rowCount(); ++r) {
        ss += t.number(r, ColSS);
        df += static_cast<int>(t.number(r, ColDf));
    }
    const int total = t.rowCount();
    EXPECT_EQ(t.cell(total, ColSource), "Total");
    EXPECT_NEAR(ss, t.number(total, ColSS), 1e-9 * std::max(1.0, t.number(total, ColSS)));
    EXPECT_EQ(df - (t.imputedErrorRow ? 0 : imputed), static_cast<int>(t.number(total, ColDf)));
}

TEST(SumsOfSquares, HandWorkedTwoByThree)
{
    const Design d = makeDesign({{"A", 2}, {"S", 3}});
    const SourceSums s = computeSourceSums(d, {1, 2, 3, 4, 5, 6});
    EXPECT_DOUBLE_EQ(s.grandTotal, 21);
    EXPECT_DOUBLE_EQ(s.correction, 73.5);
    EXPECT_DOUBLE_EQ(s.rawSS, 91);
    EXPECT_NEAR(s.ss[0b01], 1.5, 1e-12);
    EXPECT_NEAR(s.ss[0b10], 16, 1e-12);
    EXPECT_NEAR(s.ss[0b11], 0, 1e-12);
    EXPECT_NEAR(s.totalSS, 17.5, 1e-12);
    EXPECT_EQ(s.totalDf, 5);
    EXPECT_EQ(s.df[0b11], 2);

    const AnovaTable t = analyse(d, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(sourceColumn(t), (std::vector<std::string>{"Source", "A", "S", "AxS", "Total"}));
    EXPECT_EQ(t.rows[0], (AnovaTable::Row{"Source", "df", "SS", "MS", "", ""}));
    EXPECT_EQ(t.cell(2, ColSS), " 1.5");
    EXPECT_EQ(t.cell(3, ColMS), " 8");
    EXPECT_EQ(t.cell(5, ColDf), " 5");
    EXPECT_EQ(t.cell(5, ColSS), " 17.5");
}

TEST(SumsOfSquares, AgreeWithMarginalMeansInEveryDesignSize)
{
    const std::vector<std::vector<std::pair<std::string, int>>> designs = {
        {{"A", 3}, {"B", 4}},
        {{"A", 2}, {"B", 3}, {"C", 4}},
        {{"P", 3}, {"Q", 2}, {"R", 2}, {"S", 5}},
        {{"A", 2}, {"B", 2}, {"C", 3}, {"D", 2}, {"E", 2}},
        {{"A", 2}, {"B", 2}, {"C", 2}, {"D", 2}, {"E", 2}, {"F", 3}},
        {{"A", 2}, {"B", 2}, {"C", 2}, {"D", 2}, {"E", 2}, {"F", 2}, {"G", 3}},
        {{"A", 2}, {"B", 3}, {"C", 2}, {"D", 2}, {"E", 2}, {"F", 2}, {"G", 2}, {"H", 2}},
    };
    unsigned seed = 1;
    for (const auto& questions : designs) {
        const Design d = makeDesign(questions);
        const Scores s = randomScores(d, seed++);
        const SourceSums sums = computeSourceSums(d, s);
        double parts = 0;
        for (SourceMask m : enumerateSources(d.factorCount())) {
            const double ref = referenceSS(d, s, m);
            EXPECT_NEAR(sums.ss[m], ref, 1e-9 * std::max(1.0, ref)) << d.factorCount() << " factors, source " << m;
            parts += sums.ss[m];
        }
        EXPECT_NEAR(parts, sums.totalSS, 1e-9 * sums.totalSS);
        EXPECT_NEAR(sums.totalSS, sums.rawSS - sums.correction, 1e-6 * sums.totalSS);
    }
}

TEST(SumsOfSquares, LargeMeanWithSmallSpreadKeepsItsDigits)
{
    // Scores near 10000 that differ in the second decimal: uncentred brackets would cancel
    // nearly every significant digit.
    const Design d = makeDesign({{"A", 4}, {"B", 5}, {"S", 6}});
    Scores s = randomScores(d, 7, 0, 1);
    for (float& x : s)
        x = static_cast<float>(10000.0 + std::round(x * 100) / 100.0);
    const SourceSums sums = computeSourceSums(d, s);
    for (SourceMask m : enumerateSources(3)) {
        const double ref = referenceSS(d, s, m);
        EXPECT_NEAR(sums.ss[m], ref, 1e-8 * ref) << m;
    }
}

TEST(SumsOfSquares, EqualScoresGiveZero)
{
    const Design d = makeDesign({{"A", 3}, {"B", 3}, {"C", 2}});
    const SourceSums sums = computeSourceSums(d, Scores(18, 4.2f));
    for (SourceMask m : enumerateSources(3))
        EXPECT_NEAR(sums.ss[m], 0, 1e-20);
}

TEST(Assembly, IndependentGroupsPoolTheReplicatesIntoWithin)
{
    Design d = makeDesign({{"A", 2}, {"B", 3}, {"S", 4}}, AnovaType::IndependentGroups, 3);
    const Scores s = randomScores(d, 11);
    const AnovaTable t = analyse(d, s);
    EXPECT_EQ(sourceColumn(t), (std::vector<std::string>{"Source", "A", "B", "AxB", "  Within", "Total"}));
    EXPECT_EQ(t.rows[0], (AnovaTable::Row{"Source", "df", "SS", "MS", "F", "  p"}));
    EXPECT_EQ(t.lastRow, 5);
    const double within = referenceSS(d, s, 0b100) + referenceSS(d, s, 0b101) + referenceSS(d, s, 0b110)
                          + referenceSS(d, s, 0b111);
    EXPECT_EQ(t.cell(5, ColDf), " 18");
    EXPECT_NEAR(t.number(5, ColSS), within, 1e-9 * within);
    EXPECT_NEAR(t.pooledErrorSS, within, 1e-9 * within);
    EXPECT_EQ(t.pooledErrorDf, 18);
    for (int r = 2; r <= 4; ++r) {
        const double f = t.number(r, ColMS) / t.number(5, ColMS);
        EXPECT_NEAR(t.number(r, ColF), f, 1e-13 * f);
        double fr = f;
        EXPECT_NEAR(t.number(r, ColP), paulsonUpperTail(t.number(r, ColDf), 18, fr), 1e-14);
    }
    EXPECT_TRUE(t.cell(5, ColF).empty());
    EXPECT_TRUE(t.cell(6, ColMS).empty());
    expectPartsAddUp(t);
}

TEST(Assembly, RepeatedMeasuresRowsAndErrorLabels)
{
    const Design d = makeDesign({{"A", 3}, {"B", 2}, {"S", 5}}, AnovaType::RepeatedMeasures, 3);
    const Scores s = randomScores(d, 12);
    const AnovaTable t = analyse(d, s);
    EXPECT_EQ(sourceColumn(t), (std::vector<std::string>{"Source", "S", "A", "  SxA", "B", "  SxB", "AxB", "  SxAxB",
                                                         "Total"}));
    EXPECT_TRUE(t.cell(2, ColMS).empty());
    EXPECT_NEAR(t.number(2, ColSS), referenceSS(d, s, 0b100), 1e-9 * t.number(2, ColSS));
    for (int r : {3, 5, 7}) {
        const double f = t.number(r, ColMS) / t.number(r + 1, ColMS);
        EXPECT_NEAR(t.number(r, ColF), f, 1e-13 * f) << r;
        EXPECT_FALSE(t.cell(r, ColP).empty());
        EXPECT_TRUE(t.cell(r + 1, ColF).empty());
    }
    EXPECT_EQ(t.cell(4, ColDf), " 8");
    EXPECT_EQ(t.cell(8, ColDf), " 8");
    expectPartsAddUp(t);

    // The subjects factor first: the error labels still lead with its letter.
    const Design first = makeDesign({{"S", 4}, {"A", 2}, {"B", 3}}, AnovaType::RepeatedMeasures, 1);
    EXPECT_EQ(sourceColumn(analyse(first, randomScores(first, 3))),
              (std::vector<std::string>{"Source", "S", "A", "  SxA", "B", "  SxB", "AxB", "  SxAxB", "Total"}));
}

TEST(Assembly, NoFRatiosListsEverySource)
{
    const Design d = makeDesign({{"A", 2}, {"B", 2}, {"C", 3}}, AnovaType::NoFRatios);
    const AnovaTable t = analyse(d, randomScores(d, 5));
    EXPECT_EQ(sourceColumn(t), (std::vector<std::string>{"Source", "A", "B", "C", "AxB", "AxC", "BxC", "AxBxC",
                                                         "Total"}));
    for (int r = 1; r <= t.rowCount(); ++r) {
        EXPECT_TRUE(t.cell(r, ColF).empty());
        EXPECT_TRUE(t.cell(r, ColP).empty());
    }
    expectPartsAddUp(t);
}

TEST(Assembly, DisplayDecimalsFollowTheSmallestMeanSquare)
{
    const Design d = makeDesign({{"A", 2}, {"S", 3}});
    EXPECT_EQ(analyse(d, {1, 2, 3, 4, 5, 6}).displayDecimals, 3);  // AxS has MS 0
    EXPECT_EQ(analyse(d, {1, 2, 30, 41, 5, 60}).displayDecimals, 2);
}

TEST(Assembly, NestedIndependentGroupsMergeRows)
{
    Design d = makeDesign({{"A", 2}, {"B", 3}, {"C", 2}, {"S", 3}}, AnovaType::IndependentGroups, 4);
    d.nested = true;
    d.nestingMatrix = {{'B', 'A'}};
    const Scores s = randomScores(d, 21);
    const AnovaTable t = analyse(d, s);
    EXPECT_EQ(sourceColumn(t), (std::vector<std::string>{"Source", "A", "B +", "C", "AxC", "BxC +", "  Within",
                                                         "Total"}));
    const int b = rowOf(t, "B +");
    const double ss = referenceSS(d, s, 0b0010) + referenceSS(d, s, 0b0011);
    EXPECT_NEAR(t.number(b, ColSS), ss, 1e-9 * ss);
    EXPECT_EQ(t.cell(b, ColDf), " 4");
    EXPECT_NEAR(t.number(b, ColMS), ss / 4, 1e-9 * ss);
    EXPECT_EQ(t.cell(rowOf(t, "BxC +"), ColDf), " 4");
    EXPECT_NEAR(t.number(b, ColF), t.number(b, ColMS) / t.number(7, ColMS), 1e-9);
    expectPartsAddUp(t);
}

TEST(Assembly, SplitPlotTestsEachEffectAgainstItsOwnError)
{
    // Subjects nested under A, crossed with B and C: the classical split-plot table.
    Design d = makeDesign({{"A", 2}, {"B", 3}, {"C", 2}, {"S", 4}}, AnovaType::RepeatedMeasures, 4);
    d.nested = true;
    d.nestingMatrix = {{'S', 'A'}};
    const Scores s = randomScores(d, 31);
    const AnovaTable t = analyse(d, s);
    EXPECT_EQ(sourceColumn(t),
              (std::vector<std::string>{"Source", "A", "  Error +", "B", "AxB", "  Error +", "C", "AxC", "  Error +",
                                        "BxC", "AxBxC", "  Error +", "Total"}));
    auto ref = [&](std::initializer_list<const char*> members) {
        double v = 0;
        for (const char* m : members)
            v += referenceSS(d, s, sourceOfLabel(d, m));
        return v;
    };
    struct Block {
        int errorRow;
        double ss;
        int df;
        std::vector<int> effects;
    };
    const std::vector<Block> blocks = {{3, ref({"S", "AxS"}), 6, {2}},
                                       {6, ref({"BxS", "AxBxS"}), 12, {4, 5}},
                                       {9, ref({"CxS", "AxCxS"}), 6, {7, 8}},
                                       {12, ref({"BxCxS", "AxBxCxS"}), 12, {10, 11}}};
    for (const Block& b : blocks) {
        EXPECT_NEAR(t.number(b.errorRow, ColSS), b.ss, 1e-9 * b.ss) << b.errorRow;
        EXPECT_EQ(static_cast<int>(t.number(b.errorRow, ColDf)), b.df) << b.errorRow;
        for (int r : b.effects) {
            const double f = t.number(r, ColMS) / t.number(b.errorRow, ColMS);
            EXPECT_NEAR(t.number(r, ColF), f, 1e-12 * f) << t.cell(r, ColSource);
            double fr = f;
            EXPECT_NEAR(t.number(r, ColP), paulsonUpperTail(t.number(r, ColDf), b.df, fr), 1e-14);
        }
    }
    expectPartsAddUp(t);
}

TEST(Assembly, WithinSubjectNestingKeepsTheSubjectsRow)
{
    // Subjects crossed with everything, B nested under A (both within subjects).
    Design d = makeDesign({{"A", 2}, {"B", 2}, {"S", 5}}, AnovaType::RepeatedMeasures, 3);
    d.nested = true;
    d.nestingMatrix = {{'B', 'A'}};
    const Scores s = randomScores(d, 41);
    const AnovaTable t = analyse(d, s);
    EXPECT_EQ(sourceColumn(t), (std::vector<std::string>{"Source", "S", "A", "  SxA", "B +", "  Error +", "Total"}));
    EXPECT_TRUE(t.cell(2, ColMS).empty());
    EXPECT_EQ(t.cell(5, ColDf), " 2");
    EXPECT_EQ(t.cell(6, ColDf), " 8");
    expectPartsAddUp(t);
}

TEST(Assembly, ImputedScoresReduceTheLastErrorDf)
{
    Design d = makeDesign({{"A", 3}, {"S", 4}}, AnovaType::RepeatedMeasures, 2);
    const Scores s = randomScores(d, 51);
    d.imputedCount = 1;
    AnovaTable t = analyse(d, s);
    EXPECT_EQ(t.cell(4, ColSource), "  SxA");
    EXPECT_EQ(t.cell(4, ColDf), " 5");
    EXPECT_EQ(t.imputedErrorRow, 4);
    EXPECT_NEAR(t.number(4, ColMS), t.number(4, ColSS) / 5, 1e-12);
    EXPECT_EQ(t.cell(5, ColDf), " 10");
    double f = t.number(3, ColF);
    EXPECT_NEAR(t.number(3, ColP), paulsonUpperTail(2, 5, f), 1e-14);

    d.imputedCount = 6;
    RecordingPrompts prompts;
    EXPECT_FALSE(RunAnalysis(d, s, {}, prompts).has_value());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Error Condition!");
    EXPECT_EQ(prompts.messages[0].text,
              "You have too many imputed scores for the specified design.\n\rThe analysis cannot be carried out as "
              "planned.\n\rPerhaps you intended to use a nested design?");

    // Independent groups: the imputed scores come off the within-cells df.
    Design g = makeDesign({{"A", 3}, {"S", 4}}, AnovaType::IndependentGroups, 2);
    g.imputedCount = 2;
    t = analyse(g, s);
    EXPECT_EQ(t.cell(3, ColDf), " 7");
    EXPECT_EQ(t.imputedErrorRow, 3);
    EXPECT_EQ(t.pooledErrorDf, 7);
    EXPECT_EQ(t.cell(4, ColDf), " 9");
    expectPartsAddUp(t);
}

TEST(Assembly, ZeroErrorMeanSquareAsksBeforeGoingOn)
{
    // Every subject shows the same pattern over A at each level of B, so the errors of A and
    // AxB are zero while B has a real error term.
    const Design d = makeDesign({{"A", 3}, {"B", 2}, {"S", 3}}, AnovaType::RepeatedMeasures, 3);
    Scores s(18);
    const Scores base = randomScores(d, 61);
    for (long p = 1; p <= 18; ++p) {
        const std::vector<int> c = cellAtPosition(d, p);
        const long noiseAt = flatPosition(d, {1, c[1], c[2]});
        s[size_t(p - 1)] = static_cast<float>(c[0] * 3 + c[2] * 10) + base[size_t(noiseAt - 1)];
    }
    RecordingPrompts yes(true);
    const auto t = RunAnalysis(d, s, {}, yes);
    ASSERT_TRUE(t.has_value());
    ASSERT_EQ(yes.messages.size(), 2u);
    EXPECT_NE(yes.messages[1].text.find("with the AxB source"), std::string::npos);
    EXPECT_EQ(yes.messages[0].title, "Undefined F-ratio!");
    EXPECT_EQ(yes.messages[0].text,
              "The Mean Square for the denominator of the F-ratio associated with the A source is zero.  This "
              "condition prohibits evaluation of the F-ratio, and is usually the result of faulty input values.  Do "
              "you want to continue printing the F-table?");
    EXPECT_EQ(yes.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(t->cell(3, ColF).empty());
    EXPECT_TRUE(t->cell(3, ColP).empty());
    EXPECT_FALSE(t->cell(5, ColF).empty());

    RecordingPrompts no(false);
    EXPECT_FALSE(RunAnalysis(d, s, {}, no).has_value());
    EXPECT_EQ(no.messages.size(), 1u);

    // Independent groups with identical replicates: the within MS is zero.
    const Design g = makeDesign({{"A", 2}, {"S", 3}}, AnovaType::IndependentGroups, 2);
    RecordingPrompts gyes(true);
    const auto tg = RunAnalysis(g, {1, 5, 1, 5, 1, 5}, {}, gyes);
    ASSERT_TRUE(tg.has_value());
    ASSERT_EQ(gyes.messages.size(), 1u);
    EXPECT_EQ(gyes.messages[0].text,
              "The Mean Square for the denominator for the F-ratios is zero.  This condition prohibits evaluation of "
              "the F-ratio, and is usually the result of faulty input values.  Do you want to continue printing "
              "anyway?");
    EXPECT_TRUE(tg->cell(2, ColF).empty());
    RecordingPrompts gno(false);
    EXPECT_FALSE(RunAnalysis(g, {1, 5, 1, 5, 1, 5}, {}, gno).has_value());
}

TEST(Assembly, ZeroEffectWarnsAndNoAbandons)
{
    // A has exactly equal marginal means: F = 0 raises the warning.
    const Design d = makeDesign({{"A", 2}, {"S", 3}}, AnovaType::IndependentGroups, 2);
    const Scores s{1, 2, 4, 3, 6, 6};
    RecordingPrompts yes(true);
    const auto t = RunAnalysis(d, s, {}, yes);
    ASSERT_TRUE(t.has_value());
    ASSERT_EQ(yes.messages.size(), 1u);
    EXPECT_EQ(yes.messages[0].title, "Warning!!!");
    EXPECT_EQ(t->cell(2, ColP), " 1");
    RecordingPrompts no(false);
    EXPECT_FALSE(RunAnalysis(d, s, {}, no).has_value());
}

TEST(Assembly, RoundingLeftOfAZeroEffectCountsAsZero)
{
    // A and B add up without interaction; the typed decimals left AxB with an SS of -2.8E-30,
    // a negative MS and an F of 1E-09 that was never questioned.
    const Design d = makeDesign({{"A", 2}, {"B", 3}, {"S", 3}}, AnovaType::IndependentGroups, 3);
    const Scores s{20.4f, 19.9f, 18.7f, 18.2f, 21.7f, 21.2f, 20.8f, 20.3f, 19.1f,
                   18.6f, 22.1f, 21.6f, 17.4f, 16.9f, 15.7f, 15.2f, 18.7f, 18.2f};
    RecordingPrompts prompts(true);
    const AnovaTable t = analyse(d, s, &prompts);
    const int axb = rowOf(t, "AxB");
    EXPECT_EQ(t.cell(axb, ColSS), " 0");
    EXPECT_EQ(t.cell(axb, ColMS), " 0");
    EXPECT_EQ(t.cell(axb, ColF), " 0");
    EXPECT_EQ(t.cell(axb, ColP), " 1");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Warning!!!");
    for (int r = 2; r <= t.rowCount(); ++r)
        for (int c : {ColSS, ColMS})
            EXPECT_NE(t.cell(r, c).front(), '-') << t.cell(r, ColSource);

    // The limit is relative: real effects far below it in absolute terms stay.
    Scores small = randomScores(d, 91);
    for (float& x : small)
        x *= 1e-20f;
    const SourceSums sums = computeSourceSums(d, small);
    for (SourceMask m : enumerateSources(3))
        EXPECT_GT(sums.ss[m], 0) << m;
}

TEST(Assembly, ZeroErrorTestDoesNotDependOnTheScale)
{
    // Repeated A (3) x S (6) measured around 1e-3: error MS 2.1E-10 and F 1130 were taken for a
    // zero error term. The same data in other units give the same F.
    const Design d = makeDesign({{"A", 3}, {"S", 6}}, AnovaType::RepeatedMeasures, 2);
    const int noise[18] = {1, -1, 0, 2, -2, 1, 0, 1, -1, -1, 0, 2, 1, -2, 0, 0, 1, -1};
    for (double scale : {1e-3, 1.0, 1e6}) {
        Scores s;
        for (int k = 0; k < 6; ++k)
            for (int i = 0; i < 3; ++i)
                s.push_back(static_cast<float>(scale * (1 + 0.2 * i + 0.1 * k + 0.01 * noise[k * 3 + i])));
        RecordingPrompts prompts;
        const AnovaTable t = analyse(d, s, &prompts);
        EXPECT_TRUE(prompts.messages.empty()) << scale;
        EXPECT_NEAR(t.number(3, ColF), 1130.53, 0.01) << scale;
        // A true zero error is found at any scale.
        Scores flat;
        for (int k = 0; k < 6; ++k)
            for (int i = 0; i < 3; ++i)
                flat.push_back(static_cast<float>(scale * (1 + 0.2 * i + 0.1 * k)));
        RecordingPrompts asked(true);
        analyse(d, flat, &asked);
        ASSERT_EQ(asked.messages.size(), 1u) << scale;
        EXPECT_EQ(asked.messages[0].title, "Undefined F-ratio!");
    }
}

TEST(Assembly, ExactPOnRequestAndTheRowsFTestedAgainst)
{
    const Design d = makeDesign({{"A", 3}, {"B", 2}, {"S", 4}}, AnovaType::RepeatedMeasures, 3);
    const Scores s = randomScores(d, 71);
    RecordingPrompts prompts;
    AnalysisOptions exact;
    exact.exactP = true;
    const AnovaTable approx = RunAnalysis(d, s, {}, prompts).value();
    const AnovaTable t = RunAnalysis(d, s, {}, prompts, exact).value();
    ASSERT_EQ(t.denominatorRow.size(), t.rows.size());
    EXPECT_TRUE(t.exactP);
    EXPECT_FALSE(approx.exactP);
    for (int r = 2; r <= t.rowCount(); ++r) {
        const int error = t.denominatorRow[size_t(r - 1)];
        EXPECT_EQ(error != 0, !t.cell(r, ColF).empty()) << r;
        if (error == 0)
            continue;
        EXPECT_EQ(error, r + 1);
        const double f = t.number(r, ColF);
        EXPECT_NEAR(t.number(r, ColP), testing::exactUpperTailF(f, t.number(r, ColDf), t.number(error, ColDf)), 1e-12);
        double fr = f;
        EXPECT_EQ(approx.cell(r, ColP), numberText(paulsonUpperTail(t.number(r, ColDf), t.number(error, ColDf), fr)));
        EXPECT_EQ(approx.cell(r, ColF), t.cell(r, ColF));
    }
}

TEST(Assembly, ImputedScoresWithoutFRatiosMarkTheTotal)
{
    Design d = makeDesign({{"A", 3}, {"S", 4}}, AnovaType::NoFRatios);
    d.imputedCount = 2;
    const AnovaTable t = analyse(d, randomScores(d, 81));
    EXPECT_EQ(t.imputedErrorRow, t.rowCount());
    EXPECT_EQ(t.cell(t.rowCount(), ColDf), " 9");
}

// Sums computed elsewhere from the raw scores take the place of the reduced design's own.
TEST(Assembly, SuppliedSumsTakeThePlaceOfTheComputedOnes)
{
    const Design cells = makeDesign({{"A", 2}, {"B", 2}}, AnovaType::IndependentGroups, 0);
    const Scores means{2, 5, 3, 8};
    RecordingPrompts prompts;
    SuppliedSums scaled;
    scaled.msMultiplier = 2.4;
    scaled.rawSSHeading = true;
    scaled.withinSS = 8;
    scaled.withinDf = 6;
    scaled.totalSS = 68.4;
    scaled.totalDf = 9;
    AnalysisOptions options;
    options.supplied = scaled;
    const auto t = RunAnalysis(cells, means, {}, prompts, options);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->cell(1, ColSS), "SS (raw)");
    EXPECT_EQ(t->cell(2, ColSS), " 16");  // the cell means' own SS, its MS scaled
    EXPECT_EQ(t->cell(2, ColMS), " 38.4");
    EXPECT_NEAR(t->number(2, ColF), 28.8, 1e-12);
    EXPECT_EQ(t->cell(5, ColSource), "  Within");
    EXPECT_EQ(t->cell(5, ColMS), numberText(8.0 / 6));
    EXPECT_EQ(t->cell(6, ColSS), " 68.4");
    EXPECT_EQ(t->cell(6, ColDf), " 9");

    SuppliedSums given = scaled;
    given.msMultiplier = 1;
    given.rawSSHeading = false;
    given.effectSS = {10, 1, .5};
    options.supplied = given;
    const auto g = RunAnalysis(cells, means, {}, prompts, options);
    ASSERT_TRUE(g.has_value());
    EXPECT_EQ(g->cell(1, ColSS), "SS");
    EXPECT_EQ(g->cell(2, ColSS), " 10");
    EXPECT_EQ(g->cell(4, ColMS), " .5");
    given.effectSS = {10, 1};
    options.supplied = given;
    EXPECT_THROW(RunAnalysis(cells, means, {}, prompts, options), std::invalid_argument);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST(Assembly, RefusesInputsThatDoNotFitTheDesign)
{
    RecordingPrompts prompts;
    const Design d = makeDesign({{"A", 2}, {"S", 3}}, AnovaType::IndependentGroups, 2);
    EXPECT_THROW(RunAnalysis(d, Scores(5), {}, prompts), std::invalid_argument);
    const Design undesignated = makeDesign({{"A", 2}, {"S", 3}}, AnovaType::RepeatedMeasures, 0);
    EXPECT_THROW(RunAnalysis(undesignated, Scores(6), {}, prompts), std::invalid_argument);
}

}  // namespace
}  // namespace varisect
