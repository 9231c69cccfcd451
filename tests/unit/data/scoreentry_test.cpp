// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/scoreentry.h"

#include <gtest/gtest.h>

#include <sstream>

#include "data/datafilewriter.h"

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
        EXPECT_EQ(r.problem->text, "At least one score is missing from the data set.");
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
    EXPECT_EQ(refuse("1e-50"), "The score in row 3, \"1e-50\", is too close to 0 for a score (it would be held as "
                               "0).  Please correct it.");
}

// Reader and grid agree: a text "Data &OK", saving and pasting accept is one a data file can
// hold and give back.
TEST(DataOk, ScoreTextsAreLimitedToWhatADataFileHolds)
{
    const std::string longest = "1." + std::string(kMaxDataLineLength - 2, '0');
    const std::string tooLong = longest + "0";
    EXPECT_TRUE(checkScoreColumn({"1", longest}, {}).ok());
    const ScoreColumnCheck refused = checkScoreColumn({"1", tooLong}, {});
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.row, 1);
    EXPECT_EQ(refused.problem->text, "The score in row 2, \"" + tooLong.substr(0, 40) +
                                         "...\", is longer than a data file can hold (1000 characters).  Please "
                                         "correct it.");
    // The "I" of an imputed score takes a character of the line too.
    EXPECT_FALSE(checkScoreColumn({"1", longest}, {false, true}).ok());
    EXPECT_EQ(checkScoresForSaving({"1", "", longest}, {false, false, true}).row, 2);
    EXPECT_TRUE(checkScoresForSaving({"", longest}, {true, false}).ok());
    EXPECT_TRUE(parsePastedScores(longest + "\n" + tooLong, 2).problem->text.starts_with(
        "The clipboard holds a score of more than 1000 characters (line 2)."));

    // Typing stops at the limit.
    EXPECT_TRUE(applyEntryKey({longest, false, false}, EntryKey::typed('5')).beep);
    EXPECT_FALSE(applyEntryKey({longest.substr(1), false, false}, EntryKey::typed('5')).beep);

    // What was accepted is saved and read back unchanged.
    std::istringstream file(dataFileText(gridDataLayout({"1", longest}, {true, false})));
    const PlainDataResult back = readPlainData(file, "grid.dat");
    ASSERT_TRUE(back.ok()) << back.error->message;
    EXPECT_EQ(back.items[1].text, longest);
}

TEST(SavingTheGrid, AHalfEnteredColumnIsSavedWholeAndReadBackIntoTheSameCells)
{
    const std::vector<std::string> texts = {"1", "", "X", "1,5", "2.5", "", ""};
    const std::vector<bool> red = {false, true, false, false, true, true};  // an empty red cell is just empty
    EXPECT_TRUE(checkScoresForSaving(texts, red).ok());
    const std::string written = dataFileText(gridDataLayout(texts, red));
    EXPECT_EQ(written, "1\r\n\r\nX\r\n1,5\r\n2.5I\r\n\r\n\r\n");
    std::istringstream in(written);
    const GridDataResult back = readGridData(in, "half.dat", 7);
    ASSERT_TRUE(back.ok()) << back.error->message;
    ASSERT_EQ(back.count(), 7);
    for (std::size_t r = 0; r < texts.size(); ++r) {
        EXPECT_EQ(back.items[r].text, texts[r]) << r;
        EXPECT_EQ(back.items[r].imputed, r == 4) << r;
    }
    // Finished later, the column goes through "Data &OK" as usual.
    EXPECT_EQ(checkScoreColumn(texts, red).row, 1);
}

TEST(ClipboardScores, CopyKeepsTheImputedMarkAndPasteReadsItBack)
{
    const std::string copied = copiedScoresText({"17", "3.5", "", "-2"}, {true, false, true, false});
    EXPECT_EQ(copied, "17I\r\n3.5\r\n\r\n-2\r\n");
    const PastedScores pasted = parsePastedScores(copied, 4);
    ASSERT_TRUE(pasted.ok()) << pasted.problem->text;
    EXPECT_EQ(pasted.texts, (std::vector<std::string>{"17", "3.5", "", "-2"}));
    EXPECT_EQ(pasted.imputed, (std::vector<bool>{true, false, false, false}));
    // From another program: blanks and CR dropped, empty lines at the end ignored.
    const PastedScores other = parsePastedScores(" 1 2\r\n4I\n\n\n", 2);
    ASSERT_TRUE(other.ok());
    EXPECT_EQ(other.texts, (std::vector<std::string>{"12", "4"}));

    const std::string nonNumerical = "The clipboard contains non-numerical characters.  These cannot be pasted.  "
                                     "This problem may arise because the Clipboard data is not a vertical list of "
                                     "scores.";
    for (const char* bad : {"1\nI\n", "1I7\n", "17II\n", "1\t2\n", "i\n"}) {
        const PastedScores r = parsePastedScores(bad, 9);
        ASSERT_FALSE(r.ok()) << bad;
        EXPECT_EQ(r.problem->text, nonNumerical) << bad;
        EXPECT_TRUE(r.texts.empty() && r.imputed.empty());
    }
    EXPECT_EQ(parsePastedScores("1\n2\n3", 2).problem->text,
              "The data on the clipboard will not fit into the specified factorial structure.");
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
