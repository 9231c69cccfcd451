// SPDX-License-Identifier: GPL-3.0-or-later
#include "contrasts/contrasts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <sstream>

#include "contrasts/contrastdata.h"
#include "support/clitest.h"
#include "support/recordingprompts.h"

namespace varisect {
namespace {

using contrastdata::analysed;
using contrastdata::design;
using contrastdata::rowOf;
using contrastdata::unevenScores;

TEST(Contrasts, PolynomialsAreOrthogonalForAnySpacing)
{
    EXPECT_EQ(orthogonalPolynomials({1, 2, 3, 4}),
              (std::vector<std::vector<double>>{{-3, -1, 1, 3}, {1, -1, -1, 1}, {-1, 3, -3, 1}}));
    EXPECT_EQ(orthogonalPolynomials({10, 20, 30}), (std::vector<std::vector<double>>{{-1, 0, 1}, {1, -2, 1}}));
    const std::vector<double> doses{1, 2, 4, 8, 16};
    const auto p = orthogonalPolynomials(doses);
    ASSERT_EQ(p.size(), 4u);
    for (std::size_t i = 0; i < p.size(); ++i) {
        EXPECT_NEAR(std::accumulate(p[i].begin(), p[i].end(), 0.0), 0, 1e-12);
        for (std::size_t k = i + 1; k < p.size(); ++k)
            EXPECT_NEAR(std::inner_product(p[i].begin(), p[i].end(), p[k].begin(), 0.0), 0, 1e-12);
    }
    // The linear trend is the centred values themselves, up to scale.
    for (std::size_t i = 1; i < doses.size(); ++i)
        EXPECT_NEAR(p[0][i] / p[0][0], (doses[i] - 6.2) / (doses[0] - 6.2), 1e-12);
}

TEST(Contrasts, BadCoefficientsAndValuesAreRefusedWithTheirMessages)
{
    const Factor dose{"Dose", 'D', 3, {}};
    auto title = [&](std::vector<std::string> texts) {
        const ReadNumbers r = readCoefficients(texts, dose, 2);
        EXPECT_TRUE(r.values.empty() || !r.problem);
        return r.problem ? r.problem->title : std::string("accepted");
    };
    EXPECT_EQ(title({"1", "-1", ""}), "accepted");
    EXPECT_EQ(title({"1", "1", "-1"}), "Coefficients Do Not Sum to Zero!");
    EXPECT_EQ(title({"0", "", "0"}), "Empty Contrast!");
    EXPECT_EQ(title({"1", "-1"}), "Wrong Number of Coefficients!");
    EXPECT_EQ(title({"1", "x", "-1"}), "Not a Number!");
    EXPECT_EQ(title({"1", "2-", "-1"}), "Not a Number!");
    EXPECT_NE(readCoefficients({"1", "1", "-1"}, dose, 2).problem->text.find("add up to 1"), std::string::npos);

    EXPECT_EQ(readLevelValues({"1", "2", "2"}, dose).problem->title, "Equal Level Values!");
    EXPECT_EQ(readLevelValues({"1", "2"}, dose).problem->title, "Wrong Number of Values!");
    EXPECT_EQ(readLevelValues({"1", "two", "3"}, dose).problem->title, "Not a Number!");
    EXPECT_FALSE(readLevelValues(splitNumberList("0, 2.5 10"), dose).problem);

    // Neither the designated factor nor a nested one, and trends only from 3 levels.
    Design d = design({{"Group", 2}, {"Subject", 3}, {"Time", 3}, {"Kind", 2}}, AnovaType::RepeatedMeasures, 2);
    EXPECT_EQ(eligibleFactors(d, ContrastKind::Comparison), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(eligibleFactors(d, ContrastKind::Trend), (std::vector<int>{3}));
    d.nested = true;
    d.nestingMatrix = {{'T', 'G'}};
    EXPECT_EQ(noEligibleFactor(d, ContrastKind::Trend)->title, "No Factor for Trends!");
}

// The SS of a contrast does not depend on the scale of its coefficients: coefficients near the
// largest double (whose squares overflow) and near the smallest (whose squares vanish) give the
// row that the unit-scale contrast gives, and are read as the contrasts they are.
TEST(Contrasts, CoefficientsOfAnyScaleGiveTheSameRow)
{
    const Design d = design({{"Dose", 4}, {"Replicate", 3}}, AnovaType::IndependentGroups, 2);
    const Scores s = unevenScores(d.scoreCount());
    const Factor& dose = d.factor(1);
    const std::vector<double> unit{1, -1, 1, -1};
    std::vector<Contrast> set{{1, comparisonName(1, unit), unit}};
    for (const char* typed : {"1e308 -1e308 1e308 -1e308", "1e-300 -1e-300 1e-300 -1e-300",
                              "1.7E+308, -1.7E+308, 1.7E+308, -1.7E+308"}) {
        SCOPED_TRACE(typed);
        const ReadNumbers read = readCoefficients(splitNumberList(typed), dose, 2);
        ASSERT_FALSE(read.problem) << read.problem->text;
        set.push_back({1, comparisonName(int(set.size()) + 1, read.values), read.values});
    }
    // Partial sums that overflow do not make a contrast of one that is not: these add up to 0.
    EXPECT_FALSE(readCoefficients({"1e308", "1e308", "-1e308", "-1e308"}, dose, 1).problem);
    EXPECT_EQ(readCoefficients({"1e308", "1e308", "-1e308", "0"}, dose, 1).problem->title,
              "Coefficients Do Not Sum to Zero!");
    EXPECT_EQ(readCoefficients({"1e-300", "1e-300", "-1e-300", "0"}, dose, 1).problem->title,
              "Coefficients Do Not Sum to Zero!");

    RecordingPrompts prompts;
    const AnovaTable t = analysed(d, s, set, prompts);
    ASSERT_EQ(t.cell(3, ColSource), "  D: " + set[0].name);  // the unit-scale row
    ASSERT_GT(t.number(3, ColSS), 0);
    for (int k = 1; k < 4; ++k) {
        const int r = rowOf(t, "  D: " + set[std::size_t(k)].name);
        ASSERT_GT(r, 0) << k;
        EXPECT_NEAR(t.number(r, ColSS), t.number(3, ColSS), 1e-12 * t.number(3, ColSS)) << k;
        EXPECT_NEAR(t.number(r, ColF), t.number(3, ColF), 1e-12 * t.number(3, ColF)) << k;
        EXPECT_NEAR(t.number(r, ColP), t.number(3, ColP), 1e-12) << k;
    }
    EXPECT_TRUE(prompts.messages.empty());
}

// Level values of any size give the polynomials of their spacing: equally spaced values near the
// largest double, or tiny ones, give the ordinary coefficients, and the trend rows are those of
// 1, 2, 3, 4.
TEST(Contrasts, LevelValuesOfAnySizeGiveTheOrdinaryPolynomials)
{
    const Factor amount{"Amount", 'A', 4, {}};
    const ReadNumbers huge = readLevelValues(splitNumberList("1.7e308 1.6e308 1.5e308 1.4e308"), amount);
    ASSERT_FALSE(huge.problem);
    EXPECT_EQ(orthogonalPolynomials(huge.values), orthogonalPolynomials({4, 3, 2, 1}));
    EXPECT_EQ(orthogonalPolynomials({4, 3, 2, 1}),
              (std::vector<std::vector<double>>{{3, 1, -1, -3}, {1, -1, -1, 1}, {1, -3, 3, -1}}));
    for (const double unit : {1e-300, 1e-100, 1e100, 1e300, 3e307}) {
        for (const double offset : {0.0, -2.5 * unit, 1000.0 * unit}) {
            for (std::size_t levels = 3; levels <= 6; ++levels) {
                std::vector<double> values, plain;
                for (std::size_t i = 0; i < levels; ++i) {
                    values.push_back(offset + double(i + 1) * unit);
                    plain.push_back(double(i + 1));
                }
                if (!std::isfinite(values.back()))
                    continue;  // not a level value anyone can type
                EXPECT_EQ(orthogonalPolynomials(values), orthogonalPolynomials(plain))
                    << unit << " " << offset << " " << levels;
            }
        }
    }
    const std::vector<double> across{-1.5e308, -0.5e308, 0.5e308, 1.5e308};
    EXPECT_EQ(orthogonalPolynomials(across), orthogonalPolynomials({1, 2, 3, 4}));

    const Design d = design({{"Amount", 4}, {"Replicate", 3}}, AnovaType::IndependentGroups, 2);
    const Scores s = unevenScores(d.scoreCount());
    RecordingPrompts prompts;
    const AnovaTable plain = analysed(d, s, trendContrasts(1, {4, 3, 2, 1}, 3), prompts);
    const AnovaTable big = analysed(d, s, trendContrasts(1, huge.values, 3), prompts);
    for (int r = 3; r <= 5; ++r) {
        EXPECT_EQ(big.cell(r, ColSource), plain.cell(r, ColSource));
        EXPECT_EQ(big.cell(r, ColSS), plain.cell(r, ColSS));
        EXPECT_GT(big.number(r, ColSS), 0);
    }
    EXPECT_TRUE(prompts.messages.empty());
}

TEST(Contrasts, CommandLineAddsTheRowsInEveryFormatAndRefusesBadInput)
{
    std::ostringstream scores;
    for (const float v : unevenScores(12))
        scores << v << "\n";
    const testing::DataFile data(scores.str());
    auto run = [&](const std::string& extra) {
        return testing::cli("analyze " + data.path.string() +
                            " --factor Dose=4 --factor Subject=3 --type repeated --designate Subject " + extra);
    };
    const testing::CliRun text = run("--trend Dose=1,2,4,8 --contrast D=1,-1,0,0");
    EXPECT_EQ(text.code, 0) << text.err;
    for (const char* row : {"  D: linear", "  D: quadratic", "  D: cubic", "  D: c1 (1 -1 0 0)", "Trend coefficients"})
        EXPECT_TRUE(testing::contains(text.out, row)) << row;
    EXPECT_TRUE(testing::contains(run("--trend Dose --format csv").out, "\n  D: cubic,1,"));
    EXPECT_TRUE(testing::contains(run("--contrast 1=1,-1,0,0 --format json").out, "\"source\":\"  D: c1 (1 -1 0 0)\""));

    const testing::CliRun unbalanced = run("--contrast Dose=1,1,0,0");
    EXPECT_EQ(unbalanced.code, kExitBadInput);
    EXPECT_TRUE(testing::contains(unbalanced.err, "Coefficients Do Not Sum to Zero!")) << unbalanced.err;
    const testing::CliRun subjects = run("--trend Subject");
    EXPECT_EQ(subjects.code, kExitBadInput);
    EXPECT_TRUE(testing::contains(subjects.err, "subjects factor")) << subjects.err;
}

}  // namespace
}  // namespace varisect
