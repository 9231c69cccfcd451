// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/contrastrows.h"

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/analysisservice.h"
#include "contrasts/contrastdata.h"
#include "contrasts/contrasts.h"
#include "engine/fprob.h"
#include "support/recordingprompts.h"
#include "table/tabletext.h"

namespace varisect {
namespace {

using contrastdata::analysed;
using contrastdata::design;
using contrastdata::rowOf;
using contrastdata::unevenScores;

// Every full orthogonal set of a factor splits its SS, and with the pooled error each contrast's
// F is formed against the error row of the main effect: F(c) / F(main) = SS(c) / MS(main).
TEST(ContrastRows, FullOrthogonalSetAddsUpToTheFactorAndSharesItsErrorTerm)
{
    struct Case {
        const char* what;
        Design d;
        int factor;
    };
    Design mixed = design({{"Group", 2}, {"Subject", 3}, {"Time", 4}}, AnovaType::RepeatedMeasures, 2);
    mixed.nested = true;
    mixed.nestingMatrix = {{'S', 'G'}};
    const Case cases[] = {
        {"independent groups", design({{"Dose", 4}, {"Replicate", 3}, {"Kind", 2}}, AnovaType::IndependentGroups, 2), 1},
        {"repeated measures", design({{"Subject", 3}, {"Dose", 4}, {"Kind", 2}}, AnovaType::RepeatedMeasures, 1), 2},
        {"mixed, within", mixed, 3},
        {"mixed, between", mixed, 1},
    };
    const std::vector<std::vector<double>> helmert{{3, -1, -1, -1}, {0, 2, -1, -1}, {0, 0, 1, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Scores s = unevenScores(c.d.scoreCount());
        const int levels = c.d.factor(c.factor).levels;
        std::vector<Contrast> set;
        if (levels == 4) {
            set = trendContrasts(c.factor, equallySpacedValues(4), 3);
            for (std::size_t i = 0; i < helmert.size(); ++i)
                set.push_back({c.factor, comparisonName(int(i) + 1, helmert[i]), helmert[i]});
        } else {
            set.push_back({c.factor, comparisonName(1, {1, -1}), {1, -1}});
        }
        RecordingPrompts prompts;
        const AnovaTable t = analysed(c.d, s, set, prompts, {ContrastError::Pooled, Adjustment::None});
        const std::string label(1, c.d.factor(c.factor).tableLabel);
        const int main = rowOf(t, label);
        ASSERT_GT(main, 0);
        ASSERT_FALSE(t.cell(main, ColF).empty());
        double trends = 0, helmerts = 0;
        for (std::size_t i = 0; i < set.size(); ++i) {
            const int r = main + 1 + int(i);
            ASSERT_EQ(t.cell(r, ColSource), "  " + label + ": " + set[i].name);
            EXPECT_EQ(t.cell(r, ColDf), " 1");
            const double ss = t.number(r, ColSS);
            (i < 3 || levels == 2 ? trends : helmerts) += ss;
            EXPECT_NEAR(t.number(r, ColF) / t.number(main, ColF), ss / t.number(main, ColMS), 1e-9);
            EXPECT_EQ(t.denominatorRow[size_t(r - 1)], t.denominatorRow[size_t(main - 1)]);
        }
        EXPECT_NEAR(trends, t.number(main, ColSS), 1e-9 * t.number(main, ColSS));
        if (levels == 4) {
            EXPECT_NEAR(helmerts, t.number(main, ColSS), 1e-9 * t.number(main, ColSS));
        }
        EXPECT_TRUE(prompts.messages.empty());
    }
}

TEST(ContrastRows, LinearTrendOnEquallySpacedMeansTakesAllOfTheSS)
{
    const Design d = design({{"Amount", 3}, {"Replicate", 2}}, AnovaType::IndependentGroups, 2);
    const Scores s{0.5f, 1.5f, 2.5f, 1.5f, 2.5f, 3.5f};  // means 1, 2, 3
    RecordingPrompts prompts;
    const AnovaTable t = analysed(d, s, trendContrasts(1, {1, 2, 3}, 2), prompts);
    EXPECT_EQ(t.cell(3, ColSource), "  A: linear");
    EXPECT_NEAR(t.number(3, ColSS), t.number(2, ColSS), 1e-12);
    EXPECT_EQ(t.cell(4, ColSource), "  A: quadratic");
    EXPECT_EQ(t.cell(4, ColSS), " 0");
    // An F of 0 asks the question every table asks of it; Yes keeps F 0 with p 1.
    EXPECT_EQ(t.cell(4, ColF), " 0");
    EXPECT_EQ(t.number(4, ColP), 1.0);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Warning!!!");
    EXPECT_TRUE(prompts.messages[0].text.ends_with("(No = Return to Data Entry Grid)?")) << prompts.messages[0].text;
    EXPECT_EQ(t.cell(5, ColSource), "  Within");
    EXPECT_EQ(t.denominatorRow[2], 5);
    // No abandons the table, which is not a refused contrast; asked quietly there is no question.
    RecordingPrompts no(false);
    const ContrastAnalysis abandoned = analyseWithContrasts(d, s, trendContrasts(1, {1, 2, 3}, 2), no);
    EXPECT_FALSE(abandoned.table);
    EXPECT_FALSE(abandoned.contrastRefused);
    EXPECT_EQ(no.messages.size(), 1u);
    AnalysisOptions quiet;
    quiet.askAboutZeroF = false;
    RecordingPrompts silent(false);
    const ContrastAnalysis expected = analyseWithContrasts(d, s, trendContrasts(1, {1, 2, 3}, 2), silent, quiet);
    ASSERT_TRUE(expected.table);
    EXPECT_EQ(expected.table->number(4, ColP), 1.0);
    EXPECT_TRUE(silent.messages.empty());
    prompts.messages.clear();

    Design none = d;
    none.anovaType = AnovaType::NoFRatios;
    none.designatedFactor = 0;
    const AnovaTable plain = analysed(none, s, trendContrasts(1, {1, 2, 3}, 2), prompts);
    EXPECT_EQ(plain.cell(3, ColSource), "  A: linear");
    EXPECT_NEAR(plain.number(3, ColMS), plain.number(2, ColSS), 1e-12);
    EXPECT_TRUE(plain.cell(3, ColF).empty());
    EXPECT_TRUE(plain.cell(3, ColP).empty());
}

TEST(ContrastRows, RepeatedMeasuresContrastFromItsDefinition)
{
    // Three conditions, four subjects; factor 1 (the conditions) cycles fastest.
    const Design d = design({{"Condition", 3}, {"Subject", 4}}, AnovaType::RepeatedMeasures, 2);
    const double y[4][3] = {{3, 5, 10}, {2, 6, 7}, {4, 4, 9}, {1, 7, 12}};
    Scores s;
    for (const auto& subject : y)
        for (const double v : subject)
            s.push_back(static_cast<float>(v));
    const std::vector<double> c{1, 1, -2};

    double grand = 0, condition[3] = {0, 0, 0}, subject[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) {
            grand += y[i][j] / 12;
            condition[j] += y[i][j] / 4;
            subject[i] += y[i][j] / 3;
        }
    double errorSS = 0;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            errorSS += std::pow(y[i][j] - condition[j] - subject[i] + grand, 2);
    const double psi = c[0] * condition[0] + c[1] * condition[1] + c[2] * condition[2];
    const double ss = psi * psi / ((c[0] * c[0] + c[1] * c[1] + c[2] * c[2]) / 4);
    const double F = ss / (errorSS / 6);

    RecordingPrompts prompts;
    const AnovaTable t = analysed(d, s, {{1, comparisonName(1, c), c}}, prompts, {ContrastError::Pooled, Adjustment::None});
    ASSERT_EQ(t.cell(4, ColSource), "  C: c1 (1 1 -2)");
    EXPECT_EQ(t.cell(3, ColSource), "C");
    EXPECT_EQ(t.cell(5, ColSource), "  SxC");
    EXPECT_NEAR(t.number(4, ColSS), ss, 1e-9);
    EXPECT_NEAR(t.number(4, ColF), F, 1e-9);
    EXPECT_NEAR(t.number(4, ColP), paulsonUpperTail(1, 6, F), 1e-12);
    ASSERT_EQ(t.notes.size(), 3u);
    EXPECT_EQ(t.notes[0], "  Error terms of the contrasts");
    // The legend writes the error's MS as the table's MS cell shows it.
    const std::vector<DisplayRow> cells = formatTableCells(t, false);
    EXPECT_EQ(t.notes[1], "   C: c1 (1 1 -2)  the pooled error SxC (df 6, MS " + cells[4][ColMS - 1] + ")");
    EXPECT_EQ(t.notes[2], "  p not adjusted for multiplicity (the 1 contrast)");

    // Its own error: the one-sample t of the subjects' contrast scores, squared, on 3 df.
    double mean = 0, squares = 0;
    double score[4];
    for (int i = 0; i < 4; ++i) {
        score[i] = c[0] * y[i][0] + c[1] * y[i][1] + c[2] * y[i][2];
        mean += score[i] / 4;
    }
    for (const double v : score)
        squares += (v - mean) * (v - mean);
    const double ownF = mean * mean / (squares / 3 / 4);
    const AnovaTable own = analysed(d, s, {{1, comparisonName(1, c), c}}, prompts);
    EXPECT_NEAR(own.number(4, ColSS), ss, 1e-9);
    EXPECT_NEAR(own.number(4, ColF), ownF, 1e-9 * ownF);
    EXPECT_NEAR(own.number(4, ColP), paulsonUpperTail(1, 3, ownF), 1e-12);
    EXPECT_EQ(own.denominatorRow[3], 0);  // no row of the table is its error
    ASSERT_EQ(own.notes.size(), 3u);
    EXPECT_TRUE(own.notes[1].starts_with("   C: c1 (1 1 -2)  its own error, c1 (1 1 -2) x S (df 3, MS")) << own.notes[1];
    EXPECT_TRUE(prompts.messages.empty());
}

// Several contrasts form one family, adjusted together (the methods themselves are checked by
// hand with the multiplicity); the p column shows the adjusted p and the legend says how.
// The error of a between-subject factor's contrast stays the main effect's error row.
TEST(ContrastRows, AdjustedForMultiplicityAndBetweenFactorsKeepTheirError)
{
    Design mixed = design({{"Group", 2}, {"Subject", 3}, {"Time", 4}}, AnovaType::RepeatedMeasures, 2);
    mixed.nested = true;
    mixed.nestingMatrix = {{'S', 'G'}};
    const Scores s = unevenScores(mixed.scoreCount());
    std::vector<Contrast> set = trendContrasts(3, equallySpacedValues(4), 3);
    set.push_back({1, comparisonName(1, {1, -1}), {1, -1}});
    RecordingPrompts prompts;
    ContrastOptions plain;
    const ContrastAnalysis none = analyseWithContrasts(mixed, s, set, prompts, {}, plain);
    ASSERT_TRUE(none.table);
    ASSERT_EQ(none.tests.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(none.tests[size_t(i)].ownError);
        EXPECT_EQ(none.tests[size_t(i)].errorDf, 4);  // 6 subjects in 2 groups
    }
    EXPECT_FALSE(none.tests[3].ownError);
    EXPECT_EQ(none.tests[3].errorTerm, "Error +") << "the error row of G (subjects pooled with their interactions)";
    const int g = rowOf(*none.table, "G");
    ASSERT_GT(g, 0);
    EXPECT_EQ(none.table->denominatorRow[size_t(g)], none.table->denominatorRow[size_t(g - 1)]);

    std::vector<double> p;
    for (const ContrastTest& t : none.tests)
        p.push_back(t.p);
    for (const Adjustment a : {Adjustment::Holm, Adjustment::Bonferroni}) {
        const ContrastAnalysis adjusted = analyseWithContrasts(mixed, s, set, prompts, {}, {ContrastError::Separate, a});
        ASSERT_TRUE(adjusted.table);
        const std::vector<double> expected = adjustedP(p, a);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_NEAR(adjusted.tests[i].pAdjusted, expected[i], 1e-15);
            const int r = rowOf(*adjusted.table, "  " + adjusted.tests[i].source);
            ASSERT_GT(r, 0);
            EXPECT_NEAR(adjusted.table->number(r, ColP), expected[i], 1e-14);
        }
        EXPECT_EQ(adjusted.table->notes.back(), a == Adjustment::Holm
                      ? "  p adjusted for the 4 contrasts by Holm's step-down method"
                      : "  p adjusted for the 4 contrasts by the Bonferroni method");
    }
    EXPECT_TRUE(prompts.messages.empty());
}

// A contrast that cannot be tested is told and leaves no table, but is not taken for an analysis
// the user abandoned; an abandoned analysis is not taken for a refusal.
TEST(ContrastRows, RefusalAndAbandonmentAreToldApart)
{
    const Design d = design({{"Dose", 3}, {"Subject", 4}}, AnovaType::RepeatedMeasures, 2);
    const Scores s = unevenScores(d.scoreCount());

    RecordingPrompts prompts;
    const ContrastAnalysis onSubjects = analyseWithContrasts(d, s, {{2, "c1", {1, -1, 0, 0}}}, prompts);
    EXPECT_FALSE(onSubjects.table);
    EXPECT_TRUE(onSubjects.contrastRefused);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Not Available!");

    RecordingPrompts shortContrast;
    EXPECT_TRUE(analyseWithContrasts(d, s, {{1, "c1", {1, -1}}}, shortContrast).contrastRefused);
    EXPECT_EQ(shortContrast.messages.at(0).title, "Wrong Number of Coefficients!");

    // Every score the same: the error term is zero, and "No" to the question abandons.
    RecordingPrompts no(false);
    const ContrastAnalysis abandoned = analyseWithContrasts(d, Scores(12, 5.0f), {{1, "c1", {1, -1, 0}}}, no);
    EXPECT_FALSE(abandoned.table);
    EXPECT_FALSE(abandoned.contrastRefused);
    EXPECT_FALSE(no.messages.empty());
}

}  // namespace
}  // namespace varisect
