// SPDX-License-Identifier: GPL-3.0-or-later
// The cell-size check, the proportionality test, the presence scores and the attrition decision.
#include <gtest/gtest.h>

#include "engine/reference.h"
#include "support/recordingprompts.h"
#include "unequal/attrition.h"
#include "unequal/cellsizes.h"
#include "unequaltables.h"

namespace varisect {
namespace {

using testing::makeDesign;
using unequaltest::groupDesign;

TEST(CellSizeCheck, CodesInTheirOrder)
{
    const Design d = makeDesign({{"A", 2}, {"B", 2}, {"Reps", 3}}, AnovaType::IndependentGroups, 3);
    // An empty entry is found before a later cell above the maximum.
    CellSizeCheck c = checkCellSizeEntries({"2", " ", "5", "1"}, d, UnequalAnalysisMode::UnweightedMeans);
    EXPECT_EQ(c.failedEntry, 2);
    EXPECT_EQ(c.message->title, "Data Entry Error!");
    EXPECT_TRUE(c.sizes.empty());

    c = checkCellSizeEntries({"2", "3", "4", "1"}, d, UnequalAnalysisMode::UnweightedMeans);
    EXPECT_EQ(c.failedEntry, 3);
    EXPECT_EQ(c.message->title, "Too many scores specified!");
    EXPECT_EQ(c.message->text,
              "   The number of scores for the indicated cell is larger than the maximum, 3, which by default is set "
              "as the number of levels of the replicates factor, Reps.\n\r   To adjust the maximum, use the Planned "
              "Scores Per Cell option accessed via the Design Menu.");
    // The maximum is compared before rounding.
    EXPECT_EQ(checkCellSizeEntries({"3.2", "1", "1", "1"}, d, UnequalAnalysisMode::Attrition).failedEntry, 1);

    // A cell without scores: refused where it would be divided by, allowed in the attrition test.
    EXPECT_EQ(checkCellSizeEntries({"2", "0", "1", "3"}, d, UnequalAnalysisMode::UnweightedMeans).failedEntry, 2);
    c = checkCellSizeEntries({"2", "0", "1", "3"}, d, UnequalAnalysisMode::Attrition);
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c.sizes, (std::vector<long>{2, 0, 1, 3}));

    c = checkCellSizeEntries({"3", "2.4", "1", " 2 "}, d, UnequalAnalysisMode::UnweightedMeans);
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c.sizes, (std::vector<long>{3, 2, 1, 2}));
    EXPECT_EQ(c.scoreCount, 8);
    EXPECT_EQ(c.largestSize, 3);
    EXPECT_THROW(checkCellSizeEntries({"1", "1", "1"}, d, UnequalAnalysisMode::UnweightedMeans), std::invalid_argument);

    // Group sizes: no maximum, N = the sum times the levels of the crossed factor.
    c = checkCellSizes({3, 7}, groupDesign(4), UnequalAnalysisMode::GroupSizes);
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c.scoreCount, 30);
    EXPECT_EQ(checkCellSizes({3, 0}, groupDesign(4), UnequalAnalysisMode::GroupSizes).failedEntry, 2);
    c = checkCellSizes({6000, 6000}, groupDesign(4), UnequalAnalysisMode::GroupSizes);
    EXPECT_EQ(c.message->title, "Program Limitation!");
    EXPECT_EQ(c.message->text, "You have specified 36000 scores, but the maximum allowed by the program is 16352 scores.");
}

TEST(CellSizeCheck, Proportionality)
{
    const Design d = makeDesign({{"A", 2}, {"B", 2}, {"Reps", 6}}, AnovaType::IndependentGroups, 3);
    // Rows 2, 4 / 3, 6 in cell order (row factor fastest): 2, 3, 4, 6.
    EXPECT_TRUE(checkCellSizes({2, 3, 4, 6}, d, UnequalAnalysisMode::Proportional).ok());
    // 2, 4 / 3, 5: ratios .5 and .6.
    const CellSizeCheck c = checkCellSizes({2, 3, 4, 5}, d, UnequalAnalysisMode::Proportional);
    EXPECT_EQ(c.failedEntry, 4);
    EXPECT_EQ(c.message->title, "Proportionality Violation!");
    EXPECT_EQ(c.message->text, "   The cell sizes do not satisfy the definition of proportionality.\n\r   Each cell size "
                               "must be the product of a proportionality constant for each level of each factor.");
    // No maximum in this mode; the largest accepted size is reported for the planned number.
    const CellSizeCheck large = checkCellSizes({20, 30, 40, 60}, d, UnequalAnalysisMode::Proportional);
    ASSERT_TRUE(large.ok());
    EXPECT_EQ(large.largestSize, 60);

    // Three rows, only the third out of proportion: (1, 2), (2, 4), (3, 5).
    EXPECT_EQ(proportionalityViolation({1, 2, 3, 2, 4, 5}, 3, 2), 6);
    // Ratios 1 and 1.001 differ by exactly the tolerance and pass; 1.002 does not.
    EXPECT_FALSE(proportionalityViolation({1000, 1001, 1000, 1000}, 2, 2));
    EXPECT_EQ(proportionalityViolation({1000, 1002, 1000, 1000}, 2, 2), 4);
}

TEST(Attrition, PresenceScoresAndSignificance)
{
    // Replicates in the middle: A (2) x R (3) x B (2), sizes of cells (a1 b1), (a2 b1), (a1 b2),
    // (a2 b2) = 3, 1, 0, 2.
    const Design d = makeDesign({{"A", 2}, {"R", 3}, {"B", 2}}, AnovaType::IndependentGroups, 2);
    EXPECT_EQ(cellPlace(d, 10).cell, 4);
    EXPECT_EQ(cellPlace(d, 10).replicate, 2);
    EXPECT_EQ(PresenceScores(d, {3, 1, 0, 2}), (Scores{1, 1, 1, 0, 1, 0, 0, 1, 0, 1, 0, 0}));

    // A p entry counts when it is longer than one character and at most .05.
    AnovaTable t;
    t.rows = {{"Source", "df", "SS", "MS", "F", "  p"}, {"A", " 1", "", "", "", " .06"}, {"B", " 1", "", "", "", "0"},
              {"AxB", " 1", "", "", "", ""}, {"  Within", " 8", "", "", "", ""}, {"Total", " 11", "", "", "", ""}};
    t.lastRow = 5;
    EXPECT_FALSE(AttritionSignificant(t));
    t.cell(3, ColP) = " .05";
    EXPECT_TRUE(AttritionSignificant(t));

    RecordingPrompts prompts;
    const Design two = makeDesign({{"Group", 2}, {"Reps", 10}}, AnovaType::IndependentGroups, 2);
    const AttritionOutcome lost = runAttritionTest(two, {10, 2}, prompts);
    ASSERT_TRUE(lost.table);
    EXPECT_TRUE(lost.significant);
    EXPECT_TRUE(lost.table->attritionSignificant);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(runAttritionTest(two, {9, 8}, prompts).significant);

    // Every cell complete: nothing varies, the engine asks about the zero within MS.
    const AttritionOutcome full = runAttritionTest(two, {10, 10}, prompts);
    ASSERT_TRUE(full.table);
    EXPECT_FALSE(full.significant);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Undefined F-ratio!");
}

TEST(GroupSizeRoles, FromTheNesting)
{
    const auto roles = groupRoles(groupDesign(4));
    ASSERT_TRUE(roles);
    EXPECT_EQ(roles->subjects, 3);
    EXPECT_EQ(roles->grouping, 1);
    EXPECT_EQ(roles->crossed, 2);
    Design crossed = groupDesign(4);
    crossed.nestingMatrix = {{'T', 'G'}};  // not the subjects that are nested
    EXPECT_FALSE(groupRoles(crossed));
    crossed.nested = false;
    crossed.nestingMatrix.clear();
    EXPECT_FALSE(groupRoles(crossed));
}

}  // namespace
}  // namespace varisect
