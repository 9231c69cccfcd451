// SPDX-License-Identifier: GPL-3.0-or-later
// The unequal-cell-size stages walked as the window walks them, the unequal-N file read and
// checked for each caller, and the mode the session's choices mean.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/reference.h"
#include "session/session.h"
#include "support/clitest.h"
#include "support/recordingprompts.h"
#include "unequal/unequalworkflow.h"
#include "unequaltables.h"

namespace varisect {
namespace {

using testing::DataFile;
using testing::makeDesign;
using unequaltest::groupDesign;

// A, B (2 levels each) and 3 replicates R, designated.
Design ratsDesign()
{
    return makeDesign({{"A", 2}, {"B", 2}, {"R", 3}}, AnovaType::IndependentGroups, 3);
}

const Scores kScores{1, 2, 3, 4, 6, 2, 4, 7, 8, 9};  // cells of 3, 2, 2, 3

TEST(UnequalModes, FromTheMenuChoicesAndByName)
{
    ModeFlags flags;
    EXPECT_FALSE(unequalModeOf(flags, ratsDesign()));
    flags.randomAttritionTest = true;
    EXPECT_EQ(unequalModeOf(flags, ratsDesign()), UnequalAnalysisMode::Attrition);
    flags.unweightedMeans = true;  // the unweighted means, its attrition test not skipped
    EXPECT_EQ(unequalModeOf(flags, ratsDesign()), UnequalAnalysisMode::UnweightedMeans);
    flags = ModeFlags{};
    flags.twoFactorUnequal = true;
    EXPECT_EQ(unequalModeOf(flags, ratsDesign()), UnequalAnalysisMode::Proportional);
    EXPECT_EQ(unequalModeOf(flags, groupDesign(3)), UnequalAnalysisMode::GroupSizes);

    EXPECT_EQ(unequalModeNamed("GroupSizes"), UnequalAnalysisMode::GroupSizes);
    EXPECT_FALSE(unequalModeNamed("ordinary"));

    // What keeps a design from each analysis.
    Design none = ratsDesign();
    none.designatedFactor = 0;
    EXPECT_EQ(unequalDesignProblem(none, UnequalAnalysisMode::UnweightedMeans)->text, "No DesignatedFactor!");
    Design crossed = groupDesign(3);
    crossed.nestingMatrix = {{'T', 'G'}};
    EXPECT_TRUE(unequalDesignProblem(crossed, UnequalAnalysisMode::GroupSizes)->text.find("Subjects, nested under one")
                != std::string::npos);
    const Design four = makeDesign({{"A", 2}, {"B", 2}, {"C", 2}, {"R", 3}}, AnovaType::IndependentGroups, 4);
    EXPECT_TRUE(unequalDesignProblem(four, UnequalAnalysisMode::Proportional));
    EXPECT_FALSE(unequalDesignProblem(four, UnequalAnalysisMode::UnweightedMeans));
}

// Sizes, the attrition test, back to the sizes when they change, the scores and the table.
TEST(UnequalWorkflowStages, UnweightedMeansAfterTheAttritionTest)
{
    RecordingPrompts prompts;
    UnequalWorkflow w(ratsDesign(), UnequalAnalysisMode::UnweightedMeans, true);
    EXPECT_EQ(w.stage(), UnequalWorkflow::Stage::Sizes);
    EXPECT_TRUE(w.attritionPending());
    EXPECT_STREQ(w.okCaption(), "Cell Sizes &OK");
    EXPECT_STREQ(w.nextCaption(), "&Attrition Anova Table");
    EXPECT_EQ(w.instruction("Rats", ""),
              "Enter the number of scores present in each cell of the factorial design for Rats:");
    const EntryRows sizeRows = w.entryRows();
    EXPECT_EQ(sizeRows.columns, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(sizeRows.levels, (std::vector<std::vector<int>>{{1, 1}, {2, 1}, {1, 2}, {2, 2}}));
    EXPECT_EQ(sizeRows.heading, "Cell Size");

    // A refused size leaves the stage as it was.
    CellSizeCheck check = w.checkSizes({"3", "4", "2", "3"});
    EXPECT_EQ(check.message->title, "Too many scores specified!");
    EXPECT_EQ(check.failedEntry, 2);
    EXPECT_FALSE(w.sizesChecked());
    EXPECT_THROW(w.runAttrition(prompts), std::logic_error);

    // A significant test: the scores are asked for first.
    ASSERT_TRUE(w.checkSizes({"3", "1", "3", "1"}).ok());
    UnequalRun attrition = w.runAttrition(prompts);
    ASSERT_TRUE(attrition.table);
    EXPECT_EQ(attrition.titlePrefix, "Attrition ");
    EXPECT_TRUE(attrition.attritionSignificant);
    EXPECT_EQ(w.stage(), UnequalWorkflow::Stage::AttritionDone);
    EXPECT_TRUE(w.asksBeforeScores());
    EXPECT_STREQ(w.nextCaption(), "E&nter Data for Unweighted Means Anova");

    // Other sizes: the table made no longer belongs to them.
    w.sizesEdited();
    EXPECT_EQ(w.stage(), UnequalWorkflow::Stage::Sizes);
    EXPECT_TRUE(w.attritionPending());
    EXPECT_FALSE(w.attritionSignificant() || w.sizesChecked());

    ASSERT_TRUE(w.checkSizes({"3", "2", "2", "3"}).ok());
    ASSERT_TRUE(w.runAttrition(prompts).table);
    EXPECT_FALSE(w.asksBeforeScores());
    w.enterScores();
    EXPECT_EQ(w.stage(), UnequalWorkflow::Stage::Scores);
    EXPECT_FALSE(w.attritionPending());
    EXPECT_STREQ(w.okCaption(), "Data &OK");
    EXPECT_STREQ(w.nextCaption(), "Anova Ta&ble");
    EXPECT_EQ(w.instruction("", "/tmp/rats.dat"), "Data from /tmp/rats.dat:");
    const EntryRows scoreRows = w.entryRows();
    ASSERT_EQ(scoreRows.levels.size(), 10u);
    EXPECT_EQ(scoreRows.levels[3], (std::vector<int>{2, 1}));  // the second cell's first score
    EXPECT_EQ(scoreRows.heading, "Score");

    w.scoresAccepted(std::vector<bool>(10, false));
    const UnequalRun run = w.runAnalysis(kScores, prompts, false);
    ASSERT_TRUE(run.table);
    EXPECT_EQ(run.titlePrefix, "Unweighted Means ");
    EXPECT_TRUE(run.unweightedMeans);
    EXPECT_EQ(run.graphValues, GraphValues::UnweightedMeans);
    EXPECT_EQ(run.tableDesign.factorCount(), 2);
    EXPECT_EQ(run.cellMeans, (Scores{2, 5, 3, 8}));
    EXPECT_NEAR(run.table->number(2, ColMS), 38.4, 1e-9);  // 16 times the harmonic mean 2.4
    EXPECT_EQ(run.cellCounts, (std::vector<long>{3, 2, 2, 3}));
    EXPECT_FALSE(run.weightedMargins);  // the unweighted means compare the means of the cell means
    // Its simple effects, from the scores of the table, belong to the design without replicates.
    ASSERT_TRUE(w.hasSimpleEffects());
    EXPECT_EQ(w.lastTable()->tableDesign().factorCount(), 2);
    EXPECT_TRUE(w.lastTable()->simpleEffects(1, 2, prompts, false).table);

    // Scores that do not fit the sizes are refused as missing, and no table is left for the
    // simple effects.
    const UnequalRun short_ = w.runAnalysis(Scores(9, 1.0f), prompts, false);
    EXPECT_FALSE(short_.table);
    EXPECT_EQ(short_.refusal->title, "Data Entry Error!");
    EXPECT_FALSE(w.hasSimpleEffects());
}

// The attrition test alone: an empty cell counts, the test is the end, the planned scores per
// cell move within their bounds.
TEST(UnequalWorkflowStages, AttritionAloneAndPlannedScores)
{
    RecordingPrompts prompts;
    UnequalWorkflow w(ratsDesign(), UnequalAnalysisMode::Attrition, false);
    EXPECT_TRUE(w.attritionPending());
    EXPECT_FALSE(w.setPlannedScoresPerCell("  "));
    EXPECT_EQ(w.plannedScoresPerCell(), 3);
    // Four cells hold 16352 / 4 scores each at the most.
    const std::optional<Message> refused = w.setPlannedScoresPerCell("4089");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->text, "   The planned number of scores per cell must be a whole number from 2 to 4088.");
    EXPECT_TRUE(w.setPlannedScoresPerCell("1"));
    EXPECT_FALSE(w.setPlannedScoresPerCell("4.4"));
    EXPECT_EQ(w.design().factor(3).levels, 4);

    ASSERT_TRUE(w.checkSizes({"4", "0", "2", "3"}).ok());
    // Sizes accepted against the old number are checked again.
    EXPECT_FALSE(w.setPlannedScoresPerCell("5"));
    EXPECT_FALSE(w.sizesChecked());
    ASSERT_TRUE(w.checkSizes({"4", "0", "2", "3"}).ok());
    ASSERT_TRUE(w.runAttrition(prompts).table);
    EXPECT_EQ(w.stage(), UnequalWorkflow::Stage::Sizes);
    EXPECT_STREQ(w.nextCaption(), "&Attrition Anova Table");

    // Only the unweighted means may start with the test.
    EXPECT_FALSE(UnequalWorkflow(ratsDesign(), UnequalAnalysisMode::Proportional, true).attritionPending());
    EXPECT_FALSE(UnequalWorkflow(ratsDesign(), UnequalAnalysisMode::UnweightedMeans, false).attritionPending());
}

// Unequal group sizes: a row per group, then one per score group by group, the table, and its
// simple effects from the scores of that table.
TEST(UnequalWorkflowStages, GroupSizesToTheTableAndSimpleEffects)
{
    RecordingPrompts prompts;
    UnequalWorkflow w(groupDesign(3), UnequalAnalysisMode::GroupSizes, true);
    EXPECT_FALSE(w.attritionPending());
    EXPECT_STREQ(w.okCaption(), "Group Sizes &OK");
    EXPECT_STREQ(w.nextCaption(), "E&nter Data for Unequal Group Size Anova");
    EXPECT_EQ(w.instruction("", ""), "Enter the number of Subjects in each group:");
    EXPECT_EQ(w.entryRows().levels.size(), 2u);
    EXPECT_EQ(w.checkSizes({"3", "0"}).failedEntry, 2);
    ASSERT_TRUE(w.checkSizes({"2", "3"}).ok());
    w.enterScores();
    const EntryRows rows = w.entryRows();
    EXPECT_EQ(rows.columns, (std::vector<std::string>{"Group", "Trial", "Subjects"}));
    ASSERT_EQ(rows.levels.size(), 15u);
    EXPECT_EQ(rows.levels[7], (std::vector<int>{2, 1, 4}));  // group 2, trial 1, the fourth subject

    const Scores scores{3, 4, 5, 6, 7, 9, 6, 5, 7, 7, 8, 9, 8, 8, 12};
    std::vector<bool> imputed(15, false);
    imputed[4] = true;
    w.scoresAccepted(imputed);
    const UnequalRun run = w.runAnalysis(scores, prompts, false);
    ASSERT_TRUE(run.table);
    EXPECT_EQ(run.titlePrefix, "Unequal Group Size ");
    EXPECT_EQ(run.tableDesign.imputedCount, 1);
    EXPECT_EQ(run.tableDesign.anovaType, AnovaType::RepeatedMeasures);
    EXPECT_EQ(run.table->number(6, ColDf), 5.0);
    // Every cell mean stands for its group's subjects; the tests compare the weighted margins.
    EXPECT_EQ(run.cellCounts, (std::vector<long>{2, 3, 2, 3, 2, 3}));
    EXPECT_TRUE(run.weightedMargins);
    ASSERT_TRUE(w.hasSimpleEffects());
    const SimpleEffectsOutcome simple = w.lastTable()->simpleEffects(1, 2, prompts, false);
    ASSERT_TRUE(simple.table);
    EXPECT_EQ(simple.table->number(3, ColDf), 1.0);  // (2 - 1)(3 - 1) less the imputed score
    EXPECT_EQ(w.lastTable()->tableDesign().imputedCount, 1);
    w.scoresChanged();
    EXPECT_FALSE(w.hasSimpleEffects());
}

// One reader for the window (roles must match), the recent-file list and the command line
// (roles taken from the header).
TEST(UnequalFiles, ReadCheckedAndAdopted)
{
    // Cells of 3, 2, 4, 1 for a design planned with 3 replicates: the planned number follows the
    // largest cell.
    const DataFile data("Unequal N\n 3\n 4\n 3\n 2\n 4\n 1\n1\n2\n3\n4\n6I\n2\n4\n7\n8\n9\n");
    UnequalFileRead read = readUnequalFile(data.path.string(), ratsDesign(), UnequalAnalysisMode::UnweightedMeans,
                                           FileRoles::MustMatch);
    ASSERT_TRUE(read.ok()) << read.problem->detail;
    const UnequalFile& file = *read.file;
    EXPECT_EQ(file.design.factor(3).levels, 4);
    EXPECT_EQ(file.sizes, (std::vector<long>{3, 2, 4, 1}));
    EXPECT_EQ(file.texts[4], "6");
    EXPECT_TRUE(file.imputed[4]);
    EXPECT_EQ(file.imputedCount, 1);

    UnequalWorkflow w(ratsDesign(), UnequalAnalysisMode::UnweightedMeans, true);
    w.adoptFile(file);
    EXPECT_EQ(w.stage(), UnequalWorkflow::Stage::Scores);
    EXPECT_FALSE(w.attritionPending());
    EXPECT_EQ(w.plannedScoresPerCell(), 4);
    RecordingPrompts prompts;
    EXPECT_TRUE(w.runAnalysis(file.scores, prompts, false).table);
    // The attrition test takes only the sizes and waits for them to be checked.
    UnequalWorkflow attrition(ratsDesign(), UnequalAnalysisMode::Attrition, true);
    attrition.adoptFile(file);
    EXPECT_EQ(attrition.stage(), UnequalWorkflow::Stage::Sizes);
    EXPECT_EQ(attrition.sizeTexts(), (std::vector<std::string>{"3", "2", "4", "1"}));

    // Another designated factor: refused by the window, taken by the recent-file list.
    Design other = ratsDesign();
    other.designatedFactor = 1;
    read = readUnequalFile(data.path.string(), other, UnequalAnalysisMode::UnweightedMeans, FileRoles::MustMatch);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.problem->message.title, "File corrupted?!");
    Design undesignated = ratsDesign();
    undesignated.designatedFactor = 0;
    undesignated.anovaType = AnovaType::NoFRatios;
    read = readUnequalFile(data.path.string(), undesignated, UnequalAnalysisMode::UnweightedMeans, FileRoles::Adopt);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.file->design.designatedFactor, 3);
    EXPECT_EQ(read.file->design.anovaType, AnovaType::IndependentGroups);

    // A file of the other layout, a score too few, a cell of 0.
    const DataFile plain("1\n2\n");
    read = readUnequalFile(plain.path.string(), ratsDesign(), UnequalAnalysisMode::Proportional, FileRoles::MustMatch);
    EXPECT_EQ(read.problem->message.text.substr(0, 72),
              "The file called for has not been saved appropriately for a proportional ");
    const DataFile shortFile("Unequal N\n 3\n 4\n 3\n 2\n 4\n 1\n1\n2\n3\n4\n6\n2\n4\n7\n8\n");
    read = readUnequalFile(shortFile.path.string(), ratsDesign(), UnequalAnalysisMode::UnweightedMeans, FileRoles::Adopt);
    EXPECT_EQ(read.problem->message.title, "File corrupted?!");
    EXPECT_TRUE(read.problem->detail.ends_with(" holds 9 scores; its header calls for 10.")) << read.problem->detail;
    const DataFile empty("Unequal N\n 3\n 4\n 3\n 0\n 4\n 1\n1\n2\n3\n4\n6\n2\n4\n7\n");
    read = readUnequalFile(empty.path.string(), ratsDesign(), UnequalAnalysisMode::UnweightedMeans, FileRoles::Adopt);
    EXPECT_EQ(read.problem->message.title, "Data Entry Error!");
    EXPECT_TRUE(read.problem->detail.ends_with(", cell 2 (line 5):")) << read.problem->detail;
    // The attrition test takes the same cell of 0.
    EXPECT_TRUE(readUnequalFile(empty.path.string(), ratsDesign(), UnequalAnalysisMode::Attrition, FileRoles::Adopt).ok());
}

}  // namespace
}  // namespace varisect
