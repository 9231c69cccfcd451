// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/anovatable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/analysis.h"
#include "engine/effectsize.h"
#include "engine/numbertext.h"
#include "reference.h"
#include "support/recordingprompts.h"

namespace varisect {
namespace {

using testing::makeDesign;
using testing::randomScores;

AnovaTable oneRowTable()
{
    AnovaTable t;
    t.rows.push_back({"Source", "df", "SS", "MS", "F", "  p"});
    t.appendRow("A", 2, 2.0 / 3.0, std::nullopt);
    return t;
}

TEST(TableNumbers, KeptWithTheTextTheyWereWrittenAs)
{
    AnovaTable t = oneRowTable();
    EXPECT_EQ(t.cell(2, ColDf), " 2");
    EXPECT_EQ(t.cell(2, ColSS), " .666666666666667");
    EXPECT_TRUE(t.cell(2, ColMS).empty());
    // The number is the one the text shows, not the value it was made from.
    EXPECT_EQ(t.number(2, ColSS), parseNumber(" .666666666666667"));
    EXPECT_NE(t.number(2, ColSS), 2.0 / 3.0);
    EXPECT_EQ(t.setNumber(2, ColF, 1234567.891234567891), 1234567.89123457);
    EXPECT_EQ(t.cellNumber(2, ColF), 1234567.89123457);
    EXPECT_EQ(t.cellNumber(2, ColMS), std::nullopt);
    EXPECT_EQ(t.number(2, ColMS), 0);

    // A text written over the cell some other way is what counts from then on.
    t.cell(2, ColSS) = " 7.5";
    EXPECT_EQ(t.number(2, ColSS), 7.5);
    EXPECT_EQ(t.cellNumber(2, ColSS), 7.5);
    t.cell(2, ColF) = "abc";
    EXPECT_EQ(t.cellNumber(2, ColF), std::nullopt);
    EXPECT_EQ(t.number(2, ColF), 0);

    // What is not a number keeps its text and no number.
    t.setNumber(2, ColP, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(t.cell(2, ColP), " NaN");
    EXPECT_EQ(t.cellNumber(2, ColP), std::nullopt);
    EXPECT_EQ(t.number(2, ColP), 0);
}

TEST(TableNumbers, RowsAddedAsTextsAloneReadFromTheirTexts)
{
    AnovaTable t = oneRowTable();
    t.setNumber(2, ColMS, 1.0 / 3.0);
    // Rows put in front of a numbered row, and after it, with texts alone.
    t.rows.insert(t.rows.begin() + 1, AnovaTable::Row{"B", " 4", " 12", " 3", "", ""});
    t.rows.push_back({"Total", " 6", " 20", "", "", ""});
    EXPECT_EQ(t.number(2, ColDf), 4);
    EXPECT_EQ(t.number(2, ColMS), 3);
    EXPECT_EQ(t.number(3, ColDf), 2);
    EXPECT_EQ(t.number(3, ColMS), parseNumber(" .333333333333333"));
    EXPECT_EQ(t.cellNumber(4, ColSS), 20);
    // Numbers set later on such a table are kept for their own rows.
    EXPECT_EQ(t.setNumber(4, ColMS, 0.25), 0.25);
    EXPECT_EQ(t.number(4, ColMS), 0.25);
    t.chooseDisplayDecimals(4);
    EXPECT_EQ(t.displayDecimals, 3);
}

// Every table the analysis makes carries its numbers: they are the ones its texts show, and
// what is worked out from them (effect sizes) is what the texts alone would give.
TEST(TableNumbers, AnalysisTablesAgreeWithTheirTexts)
{
    struct Case {
        Design design;
        unsigned seed;
    };
    std::vector<Case> cases;
    cases.push_back({makeDesign({{"A", 2}, {"B", 3}, {"S", 5}}, AnovaType::IndependentGroups, 3), 3});
    cases.push_back({makeDesign({{"A", 3}, {"B", 2}, {"S", 4}}, AnovaType::RepeatedMeasures, 3), 5});
    Design nested = makeDesign({{"A", 2}, {"B", 3}, {"S", 4}}, AnovaType::RepeatedMeasures, 3);
    nested.nested = true;
    nested.nestingMatrix = {{'S', 'A'}};
    cases.push_back({nested, 7});
    for (const Case& c : cases) {
        RecordingPrompts prompts;
        const auto groups = c.design.nested ? BuildPoolingGroups(c.design) : std::vector<PoolingGroup>{};
        // A small spread gives mean squares below 1 as well.
        const auto table = RunAnalysis(c.design, randomScores(c.design, c.seed, 5, 0.8), groups, prompts);
        ASSERT_TRUE(table.has_value());
        AnovaTable textsOnly = *table;
        textsOnly.kept.clear();
        int numbered = 0;
        for (int r = 2; r <= table->rowCount(); ++r)
            for (int col = ColDf; col <= ColP; ++col) {
                if (table->cell(r, col).empty())
                    continue;
                ASSERT_EQ(table->cellNumber(r, col), textsOnly.cellNumber(r, col)) << r << "," << col;
                numbered += table->kept.at(size_t(r - 1)).at(size_t(col - 1)).size == 0 ? 0 : 1;
            }
        // Every cell with a number has it kept: none is read back from its text.
        int filled = 0;
        for (int r = 2; r <= table->rowCount(); ++r)
            for (int col = ColDf; col <= ColP; ++col)
                filled += table->cell(r, col).empty() ? 0 : 1;
        EXPECT_EQ(numbered, filled);

        const bool independent = c.design.anovaType == AnovaType::IndependentGroups;
        for (EffectSizeKind kind : {EffectSizeKind::Hays, EffectSizeKind::Partial, EffectSizeKind::Eta,
                                    EffectSizeKind::PartialEta, EffectSizeKind::GeneralizedEta}) {
            if (!independent && (kind == EffectSizeKind::Hays || kind == EffectSizeKind::Partial))
                continue;
            const EffectSizes fromNumbers = computeEffectSizes(*table, c.design, kind);
            const EffectSizes fromTexts = computeEffectSizes(textsOnly, c.design, kind);
            EXPECT_EQ(fromNumbers.column3, fromTexts.column3);
            EXPECT_EQ(fromNumbers.column4, fromTexts.column4);
            EXPECT_EQ(fromNumbers.omega2, fromTexts.omega2);
            EXPECT_EQ(fromNumbers.eta2, fromTexts.eta2);
            EXPECT_EQ(fromNumbers.ciUpper, fromTexts.ciUpper);
            EXPECT_TRUE(std::any_of(fromNumbers.column3.begin() + 1, fromNumbers.column3.end(),
                                    [](const std::string& s) { return !s.empty(); }));
        }
    }
}

}  // namespace
}  // namespace varisect
