// SPDX-License-Identifier: GPL-3.0-or-later
// Adjusting the df of an error term of a real analysis: the refusals, the questions and what an
// accepted df recomputes.
#include "table/tableedit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/analysisservice.h"
#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/fprob.h"
#include "engine/numbertext.h"
#include "support/drugtimescores.h"
#include "support/fakeservices.h"
#include "support/recordingprompts.h"

namespace varisect {
namespace {

using test::drugTimeSubjectDesign;
using test::drugTimeSubjectScores;

AnovaTable analysed(const Design& design, const Scores& scores)
{
    RecordingPrompts prompts;
    const auto table = analyseDesign(design, scores, prompts);
    EXPECT_TRUE(table.has_value());
    return table.value_or(AnovaTable{});
}

// The 1-based table row of the `nth` source of that name.
int rowOf(const AnovaTable& table, const std::string& source, int nth = 1)
{
    for (int r = 2; r <= table.rowCount(); ++r)
        if (table.cell(r, ColSource) == source && --nth == 0)
            return r;
    ADD_FAILURE() << "no row " << source;
    return 0;
}

// `row`'s F and p as they are when tested against an error of `errorSS` on `errorDf` df.
void expectTested(const AnovaTable& table, int row, double errorSS, int errorDf)
{
    double F = table.number(row, ColMS) / (errorSS / errorDf);
    const double expectedF = F;
    RecordingPrompts none;
    bool abandoned = false;
    const double p = FRatioProbability(table.number(row, ColDf), errorDf, F, none, {}, abandoned);
    // The table keeps the numbers its texts stand for.
    EXPECT_EQ(table.number(row, ColF), shownNumber(expectedF)) << table.cell(row, ColSource);
    EXPECT_EQ(table.number(row, ColP), shownNumber(p)) << table.cell(row, ColSource);
}

TEST(AdjustErrorDf, OnlyTheErrorTermsOfRepeatedMeasuresMayBeAdjusted)
{
    ScriptedDialogs dialogs;
    const Design independent = drugTimeSubjectDesign(AnovaType::IndependentGroups);
    AnovaTable groups = analysed(independent, drugTimeSubjectScores());
    EXPECT_FALSE(adjustErrorDf(groups, independent, rowOf(groups, "  Within"), dialogs, {}));
    ASSERT_EQ(dialogs.messageTitles(), std::vector<std::string>{kNotPermittedTitle});
    EXPECT_EQ(dialogs.lastMessage().message.text, "Adjustment of the df is permitted only for repeated measures designs.");

    dialogs.clearRecord();
    const Design repeated = drugTimeSubjectDesign(AnovaType::RepeatedMeasures);
    AnovaTable t = analysed(repeated, drugTimeSubjectScores());
    for (const char* source : {"S", "D"})
        EXPECT_FALSE(adjustErrorDf(t, repeated, rowOf(t, source), dialogs, {}));
    EXPECT_EQ(dialogs.messageTexts(),
              std::vector<std::string>(2, "The source you have selected is not an error term.  Changing the df is "
                                          "not permitted."));
    EXPECT_TRUE(dialogs.requests.empty());
}

TEST(AdjustErrorDf, AnswersThatChangeNothingAreToldAndLeaveTheTable)
{
    const Design design = drugTimeSubjectDesign(AnovaType::RepeatedMeasures);
    const AnovaTable atLoad = analysed(design, drugTimeSubjectScores());
    AnovaTable t = atLoad;
    const int sxd = rowOf(t, "  SxD");
    ScriptedDialogs dialogs;

    // The box cancelled asks with the current df; left blank nothing is said.
    dialogs.inputAnswers = {std::nullopt, "  "};
    EXPECT_FALSE(adjustErrorDf(t, design, sxd, dialogs, {}));
    EXPECT_EQ(dialogs.requests.at(0).title, kAdjustInputTitle);
    EXPECT_EQ(dialogs.requests.at(0).prompt, "The current error df for SxD is 4.  Enter the adjusted error df you wish to use.");
    EXPECT_FALSE(adjustErrorDf(t, design, sxd, dialogs, {}));
    EXPECT_TRUE(dialogs.messages.empty());

    // The same df, an increase declined, zero, negative, garbage (reads as 0) and a number too
    // large for a df: each told by its text or title.
    const std::vector<std::pair<std::string, std::string>> refused{
        {"4", "The value is unchanged.  That is probably not what you intended!"},
        {"6", "The error df has been increased.  That is highly unusual, as df are commonly subtracted when "
              "scores have been imputed.\n\r     Is it OK?"},
        {"0", "      The adjustment you propose results in an error term with 0 df.\n\rZero df does not permit "
              "the construction of an F-ratio."},
        {"-2", "      The adjustment you propose results in an error term with -2 df.\n\rNegative df are not "
               "permitted."},
        {"abc", "Impossible Value!"},
        {"99999", "Overflow"}};
    for (const auto& [answer, told] : refused) {
        dialogs.inputAnswers.push_back(answer);
        if (answer == "6")
            dialogs.messageAnswers.push_back(DialogAnswer::No);
        EXPECT_FALSE(adjustErrorDf(t, design, sxd, dialogs, {})) << answer;
        const Message& m = dialogs.lastMessage().message;
        EXPECT_TRUE(m.text == told || m.title == told) << answer;
    }
    EXPECT_TRUE(dialogs.scriptUsedUp());
    EXPECT_EQ(t.rows, atLoad.rows);
}

// An accepted df recomputes the error's MS, the F and p of the rows it serves (back to the
// previous error row), and the Total df; rows served by other errors keep theirs.
TEST(AdjustErrorDf, AnAcceptedDfRecomputesWhatTheErrorServes)
{
    const Design drug = drugTimeSubjectDesign(AnovaType::RepeatedMeasures);
    AnovaTable t = analysed(drug, drugTimeSubjectScores());
    const AnovaTable atLoad = t;
    ScriptedDialogs dialogs;
    dialogs.inputAnswers = {"6"};
    dialogs.messageAnswers = {DialogAnswer::Yes};  // an increase, confirmed
    const int sxd = rowOf(t, "  SxD");
    ASSERT_TRUE(adjustErrorDf(t, drug, sxd, dialogs, {}));
    EXPECT_EQ(t.number(sxd, ColDf), 6);
    EXPECT_DOUBLE_EQ(t.number(sxd, ColMS), t.number(sxd, ColSS) / 6);
    expectTested(t, rowOf(t, "D"), t.number(sxd, ColSS), 6);
    EXPECT_EQ(t.number(t.rowCount(), ColDf), atLoad.number(t.rowCount(), ColDf) + 2);
    EXPECT_EQ(t.cell(rowOf(t, "T"), ColF), atLoad.cell(rowOf(t, "T"), ColF));

    // Gender (2) x Subjects (3) x Trial (2), subjects nested under gender: each "  Error +"
    // serves the effects between the previous error row and itself, the first source row included.
    Design mixed;
    mixed.factors = {Factor{"Gender", 'G', 2, {}}, Factor{"Subjects", 'S', 3, {}}, Factor{"Trial", 'T', 2, {}}};
    setTableLabelsFromNames(mixed);
    mixed.anovaType = AnovaType::RepeatedMeasures;
    mixed.designatedFactor = 2;
    mixed.nested = true;
    mixed.nestingMatrix = {NestRelation{'S', 'G'}};
    AnovaTable m = analysed(mixed, {12, 15, 9, 14, 11, 16, 14, 18, 10, 17, 12, 20});
    dialogs.clearRecord();
    const AnovaTable before = m;
    const int between = rowOf(m, "  Error +", 1), within = rowOf(m, "  Error +", 2);
    ASSERT_EQ(between, 3);
    dialogs.inputAnswers = {"3", "2"};
    ASSERT_TRUE(adjustErrorDf(m, mixed, between, dialogs, {}));
    expectTested(m, rowOf(m, "G"), m.number(between, ColSS), 3);
    for (const char* source : {"T", "GxT"})
        EXPECT_EQ(m.cell(rowOf(m, source), ColF), before.cell(rowOf(m, source), ColF));
    EXPECT_EQ(m.number(m.rowCount(), ColDf), 10);
    const std::string gF = m.cell(rowOf(m, "G"), ColF);
    ASSERT_TRUE(adjustErrorDf(m, mixed, within, dialogs, {}));
    for (const char* source : {"T", "GxT"})
        expectTested(m, rowOf(m, source), m.number(within, ColSS), 2);
    EXPECT_EQ(m.cell(rowOf(m, "G"), ColF), gF);
    EXPECT_EQ(m.number(m.rowCount(), ColDf), 8);
    EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace varisect
