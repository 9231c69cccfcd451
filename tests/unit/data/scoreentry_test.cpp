// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/scoreentry.h"

#include <gtest/gtest.h>

namespace varisect {
namespace {

TEST(ScoreCellKeys, WhatEachKeyDoesToTheCell)
{
    const EntryKey bs = EntryKey::backspace(), enter = EntryKey::enter();
    auto ch = [](char32_t c) { return EntryKey::typed(c); };
    struct Case {
        ScoreCell cell;
        EntryKey key;
        std::string text;
        bool imputed, beep, changed, moveDown;
    };
    const std::vector<Case> cases = {
        {{"", false, false}, ch('7'), "7", false, false, true, false},
        {{"", false, false}, ch('-'), "-", false, false, true, false},
        {{"-1", false, false}, ch(','), "-1,", false, false, true, false},  // comma is typed
        {{"3", false, false}, ch('-'), "3", false, true, false, false},   // sign only when empty
        {{"-", false, false}, ch('+'), "-", false, true, false, false},
        {{"1.5", false, false}, ch('.'), "1.5", false, true, false, false},
        {{"1", false, false}, ch('a'), "1", false, true, false, false},
        {{"1", false, false}, ch(U'\u00e9'), "1", false, true, false, false},
        {{"1", false, false}, ch(' '), "1", false, true, false, false},
        {{"", false, false}, ch('x'), "X", false, false, true, false},     // the missing mark
        {{"3", false, false}, ch('X'), "3", false, true, false, false},
        {{"X", false, false}, ch('1'), "X", false, true, false, false},    // it stands alone
        {{"X", false, false}, bs, "", false, false, true, false},
        {{"12", true, false}, ch('3'), "123", false, false, true, false},  // typed: no longer imputed
        {{"12", true, false}, bs, "1", false, false, true, false},
        {{"12", true, false}, ch('q'), "12", true, true, false, false},    // refused: mark kept
        {{"12", true, false}, enter, "12", true, false, false, true},      // moving on keeps it
        {{"12", false, true}, enter, "12", false, false, false, false},    // not past the last row
        {{"", false, false}, bs, "", false, false, false, false},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const KeyOutcome out = applyEntryKey(c.cell, c.key);
        SCOPED_TRACE("case " + std::to_string(i) + " on \"" + c.cell.text + "\"");
        EXPECT_TRUE(out.handled);
        EXPECT_EQ(out.text, c.text);
        EXPECT_EQ(out.imputed, c.imputed);
        EXPECT_EQ(out.beep, c.beep);
        EXPECT_EQ(out.changed, c.changed);
        EXPECT_EQ(out.moveDown, c.moveDown);
        EXPECT_EQ(out.widenIfNeeded, c.changed && out.text.size() > c.cell.text.size());
    }
    EXPECT_FALSE(applyEntryKey({"1", false, false}, ch('\t')).handled);
}

TEST(DataOk, FirstEmptyOrMissingCellStopsTheCheck)
{
    struct Case {
        std::vector<std::string> texts;
        long row;
    };
    for (const Case& c : std::vector<Case>{{{"1", "2", "", "4", ""}, 2},
                                           {{"1", "X", "3", "4"}, 1},
                                           {{"1", "2", "3", "  "}, 3},
                                           {{"3-", "2", "", "1"}, 2},  // the whole column first
                                           {{}, 0}}) {
        const ScoreColumnCheck r = checkScoreColumn(c.texts, {});
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.row, c.row);
        EXPECT_EQ(r.problem->title, "Data Entry Error!");
        EXPECT_EQ(r.problem->text, "At least one score is missing from the data set.");
        EXPECT_EQ(r.problem->icon, MessageIcon::Critical);
        EXPECT_TRUE(r.scores.empty() && r.scoreTexts.empty());
    }
}

TEST(DataOk, TextsThatAreNotWholeNumbersAreRefusedByRow)
{
    auto refuse = [](const std::string& bad) {
        const ScoreColumnCheck r = checkScoreColumn({"1", "2", bad, "3-"}, {});
        EXPECT_FALSE(r.ok()) << bad;
        EXPECT_EQ(r.row, 2) << bad;
        return r.ok() ? std::string() : r.problem->text;
    };
    EXPECT_EQ(refuse("3-"), "The score in row 3, \"3-\", is not a number.  Please correct it.");
    EXPECT_EQ(refuse("1,5"), "The score in row 3, \"1,5\", is not a number.  Please correct it."
                             "  Decimals take a point, not a comma.");
    for (const std::string bad : {"-", ".", "+", "-.", "1.2.3", "1 2"})
        EXPECT_NE(refuse(bad).find("is not a number"), std::string::npos) << bad;
    EXPECT_EQ(refuse("1" + std::string(40, '0')),
              "The score in row 3, \"1" + std::string(39, '0') +
                  "...\", is too large for a score.  Please correct it.");
}

TEST(DataOk, AcceptedColumnGivesTextsValuesAndImputedCount)
{
    const ScoreColumnCheck r = checkScoreColumn({"1", "-2.5", ".5", "+3", "16777217", "0"},
                                                {false, true, false, true, false, true, true});
    ASSERT_TRUE(r.ok()) << r.problem->text;
    EXPECT_EQ(r.scoreTexts, (std::vector<std::string>{"1", "-2.5I", ".5", "+3I", "16777217", "0I"}));
    EXPECT_EQ(r.scores, (Scores{1, -2.5f, 0.5f, 3, 16777216.0f, 0}));  // single precision
    EXPECT_EQ(r.imputedCount, 3);  // the extra seventh mark has no cell
}

TEST(DataOk, RowsConvertInFactorialOrder)
{
    Design d;
    d.factors = {{"A", 'A', 2, {}}, {"B", 'B', 3, {}}, {"C", 'C', 2, {}}};
    // Each row shows the levels of its cell; its score is the levels written as digits.
    std::vector<std::string> texts;
    for (long p = 1; p <= d.scoreCount(); ++p) {
        const std::vector<int> cell = cellAtPosition(d, p);
        texts.push_back(std::to_string(cell[0] * 100 + cell[1] * 10 + cell[2]));
    }
    const ScoreColumnCheck r = checkScoreColumn(texts, {});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.scores.front(), 111);
    EXPECT_EQ(r.scores[1], 211);  // factor 1 cycles fastest
    EXPECT_EQ(r.scores[static_cast<size_t>(flatPosition(d, {2, 3, 1}) - 1)], 231);
    EXPECT_EQ(r.scores.back(), 232);
}

}  // namespace
}  // namespace varisect
