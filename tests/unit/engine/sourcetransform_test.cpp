// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/sourcetransform.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "engine/analysis.h"
#include "engine/fprob.h"
#include "engine/numbertext.h"
#include "reference.h"
#include "support/recordingprompts.h"

namespace varisect {
namespace {

using testing::makeDesign;
using testing::referenceSS;

// A design of `nf` factors with 2 to `maxLevels` levels each, at most `maxScores` scores.
Design randomDesign(std::mt19937& rng, int nf, int maxLevels, long maxScores)
{
    const char* names[] = {"A", "B", "C", "D", "E", "F", "G", "S"};
    for (;;) {
        std::vector<std::pair<std::string, int>> factors;
        long n = 1;
        for (int k = 0; k < nf; ++k) {
            const int l = std::uniform_int_distribution<int>(2, maxLevels)(rng);
            factors.emplace_back(names[k + 8 - nf], l);
            n *= l;
        }
        if (n <= maxScores)
            return makeDesign(factors);
    }
}

Scores scoresAround(const Design& d, std::mt19937& rng, double mean, double spread)
{
    std::normal_distribution<double> dist(mean, spread);
    Scores s(static_cast<size_t>(d.scoreCount()));
    for (float& x : s)
        x = static_cast<float>(dist(rng));
    return s;
}

// Agreement to 12 significant digits; an SS the zero rule takes for 0 only has to be 0 there too.
void expectSameSS(double got, double reference, double totalSS, const std::string& where)
{
    const double zero = kZeroSSRelative * totalSS;
    if (reference <= zero / 2) {
        EXPECT_EQ(got, 0.0) << where;
        return;
    }
    EXPECT_NEAR(got, reference, 1e-12 * reference + zero) << where;
}

TEST(SourceTransform, RandomDesignsAgreeWithTheReferenceToTwelveDigits)
{
    std::mt19937 rng(26);
    struct Shape {
        int factors;
        int maxLevels;
        long maxScores;
    };
    const Shape shapes[] = {{2, 9, 80}, {2, 40, 2000}, {3, 7, 300}, {4, 5, 600},
                            {5, 4, 700}, {6, 3, 800},  {7, 3, 400}, {8, 2, 256}};
    // Ordinary data, data far from 0 with a small spread, and data on a tiny scale.
    const std::pair<double, double> scales[] = {{50, 10}, {1e4, 0.05}, {-3e-6, 1e-7}};
    for (const Shape& shape : shapes)
        for (const auto& [mean, spread] : scales) {
            const Design d = randomDesign(rng, shape.factors, shape.maxLevels, shape.maxScores);
            const Scores s = scoresAround(d, rng, mean, spread);
            const SourceSums sums = computeSourceSums(d, s);
            double parts = 0;
            for (SourceMask m : enumerateSources(d.factorCount())) {
                expectSameSS(sums.ss[m], referenceSS(d, s, m), sums.totalSS,
                             std::to_string(d.scoreCount()) + " scores, mean " + std::to_string(mean) + ", source "
                                 + sourceLabel(d, m));
                parts += sums.ss[m];
            }
            EXPECT_NEAR(parts, sums.totalSS, 1e-12 * sums.totalSS);
        }
}

TEST(SourceTransform, OneFactorAndTheConstantPart)
{
    // Three levels: the Helmert contrasts carry the whole SS, the constant none of it.
    std::vector<double> ss;
    transformedSourceSS({3}, {1, 2, 6}, 3, ss);
    ASSERT_EQ(ss.size(), 2u);
    EXPECT_EQ(ss[0], 0);
    EXPECT_NEAR(ss[1], 14, 1e-13);
    // A mean that is not the scores' own changes nothing but the constant part.
    transformedSourceSS({2, 3}, {1, 2, 3, 4, 5, 6}, 0, ss);
    EXPECT_NEAR(ss[1], 1.5, 1e-13);
    EXPECT_NEAR(ss[2], 16, 1e-13);
    EXPECT_NEAR(ss[3], 0, 1e-13);
}

TEST(SourceTransform, ExactZerosStayZero)
{
    // Additive effects that single precision holds exactly: every interaction is exactly 0,
    // however far the centring and the transform have to round.
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        const Design d = randomDesign(rng, 4, 5, 400);
        std::vector<std::vector<double>> effect(4);
        for (int k = 0; k < 4; ++k)
            for (int l = 0, step = 0; l < d.factors[size_t(k)].levels; ++l) {
                step += std::uniform_int_distribution<int>(1, 80)(rng);  // no two levels alike
                effect[size_t(k)].push_back(step / 8.0);
            }
        Scores s;
        for (long p = 1; p <= d.scoreCount(); ++p) {
            const std::vector<int> c = cellAtPosition(d, p);
            double v = 1000.5;
            for (int k = 0; k < 4; ++k)
                v += effect[size_t(k)][size_t(c[size_t(k)] - 1)];
            s.push_back(static_cast<float>(v));
        }
        const SourceSums sums = computeSourceSums(d, s);
        for (SourceMask m : enumerateSources(4)) {
            if (std::popcount(m) > 1)
                EXPECT_EQ(sums.ss[m], 0.0) << sourceLabel(d, m);
            else
                EXPECT_GT(sums.ss[m], 0.0) << sourceLabel(d, m);
        }
    }
}

// Design types, nesting and imputed scores for the table test.
struct TableCase {
    std::vector<std::pair<std::string, int>> factors;
    AnovaType type;
    int designated;
    std::vector<NestRelation> nesting;
    int imputed;
};

TEST(SourceTransform, NestedAndCrossedTablesWithImputedScores)
{
    const std::vector<TableCase> cases = {
        {{{"A", 3}, {"B", 2}, {"S", 5}}, AnovaType::IndependentGroups, 3, {}, 2},
        {{{"A", 2}, {"B", 3}, {"C", 2}, {"S", 4}}, AnovaType::IndependentGroups, 4, {{'B', 'A'}}, 1},
        {{{"A", 4}, {"B", 3}, {"S", 6}}, AnovaType::RepeatedMeasures, 3, {}, 3},
        {{{"A", 2}, {"B", 3}, {"C", 2}, {"S", 5}}, AnovaType::RepeatedMeasures, 4, {{'S', 'A'}}, 2},
        {{{"A", 2}, {"B", 2}, {"C", 3}, {"S", 4}}, AnovaType::RepeatedMeasures, 4, {{'S', 'A'}, {'S', 'B'}}, 1},
        {{{"S", 5}, {"A", 3}, {"B", 2}}, AnovaType::RepeatedMeasures, 1, {{'B', 'A'}}, 0},
        {{{"A", 3}, {"B", 3}, {"C", 2}}, AnovaType::NoFRatios, 0, {}, 4},
    };
    std::mt19937 rng(2026);
    for (const TableCase& c : cases) {
        Design d = makeDesign(c.factors, c.type, c.designated);
        d.nested = !c.nesting.empty();
        d.nestingMatrix = c.nesting;
        d.imputedCount = c.imputed;
        const Scores s = scoresAround(d, rng, 40, 8);
        const auto groups = d.nested ? BuildPoolingGroups(d) : std::vector<PoolingGroup>{};
        RecordingPrompts prompts;
        const auto table = RunAnalysis(d, s, groups, prompts);
        ASSERT_TRUE(table.has_value());
        const AnovaTable& t = *table;
        const std::string design = sourceLabel(d, (1u << d.factorCount()) - 1);
        double rows = 0;
        for (int r = 2; r < t.rowCount(); ++r) {
            const std::string label = t.cell(r, ColSource);
            rows += t.number(r, ColSS);
            // Rows of one source, effects and error rows alike, against the reference.
            const std::string name = label.substr(label.find_first_not_of(' '));
            if (name.find('+') == std::string::npos && name != "Within") {
                const SourceMask m = sourceOfLabel(d, name);
                ASSERT_NE(m, 0u) << label;
                const double ref = referenceSS(d, s, m);
                EXPECT_NEAR(t.number(r, ColSS), ref, 1e-12 * ref) << design << " " << label;
            }
            // F and p as the texts of the two rows give them.
            const int error = t.denominatorRow[size_t(r - 1)];
            if (error == 0) {
                EXPECT_TRUE(t.cell(r, ColF).empty()) << design << " " << label;
                continue;
            }
            double f = parseNumber(numberText(t.number(r, ColMS) / t.number(error, ColMS)));
            RecordingPrompts quiet;
            ProbabilityContext context;
            bool abort = false;
            const double p = FRatioProbability(t.number(r, ColDf), t.number(error, ColDf), f, quiet, context, abort);
            EXPECT_EQ(t.cell(r, ColF), numberText(f)) << design << " " << label;
            EXPECT_EQ(t.cell(r, ColP), numberText(p)) << design << " " << label;
        }
        EXPECT_NEAR(rows, t.number(t.rowCount(), ColSS), 1e-12 * rows) << design;
    }
}

}  // namespace
}  // namespace varisect
