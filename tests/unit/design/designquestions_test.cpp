// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/designquestions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "analysis/analysisservice.h"
#include "data/datafilemessages.h"
#include "design/anovadesign.h"
#include "engine/reference.h"
#include "support/memorysettingsstore.h"

namespace varisect {
namespace {

// The questions on the whole of a session, as the main window has them.
DesignQuestionParts partsOf(Session& s)
{
    return {s.design, s.mode, s.preferences, s.recentFiles, s.file, [&s] { s.restart(); }};
}

// Types the levels and name of each factor and presses OK after each; the first message stops.
std::optional<Message> enterFactors(DesignQuestions& questions, std::initializer_list<std::pair<const char*, const char*>> factors)
{
    for (const auto& [levels, name] : factors) {
        questions.setLevelsText(levels);
        if (auto m = questions.setNameText(name))
            return m;
        if (auto m = questions.accept())
            return m;
    }
    return std::nullopt;
}

const char* const kGenericC = "C   (Click here to replace this generic factor name)";

TEST(DesignQuestions, NumberOfFactorsAndNumberBoxes)
{
    Session state;
    DesignQuestions questions(partsOf(state));
    questions.setFactorCountText("1");
    EXPECT_FALSE(questions.okEnabled());
    EXPECT_EQ(questions.factorCount(), 2);  // nothing else changes
    EXPECT_EQ(questions.setFactorCountText("99999999999999999999").boxValue, 2);  // far past any integer
    EXPECT_TRUE(questions.okEnabled());

    // The random-attrition mode needs 3 factors: 9 is cut to 2 and then raised to 3.
    questions.toggleMode(UnequalMode::RandomAttrition);
    CountChange c = questions.setFactorCountText("9");
    ASSERT_EQ(c.messages.size(), 2u);
    EXPECT_EQ(c.messages[0].title, "Program Limitation");
    EXPECT_TRUE(c.messages[1].text.starts_with("There must be at least 3 factors.")) << c.messages[1].text;
    EXPECT_EQ(c.messages[1].icon, MessageIcon::Exclamation);
    EXPECT_EQ(c.boxValue, 3);
    EXPECT_EQ(questions.factorCount(), 3);

    EXPECT_FALSE(DesignQuestions::checkNumberBoxText("12.5"));
    for (const char* bad : {"1a", "-3", " 2", "2e3"})
        EXPECT_EQ(DesignQuestions::checkNumberBoxText(bad)->text, "Only numeric characters are permitted here") << bad;
    for (const char* zero : {"", "0", "."})
        EXPECT_EQ(DesignQuestions::checkNumberBoxEnter(zero)->text, "Please enter a number") << zero;
    EXPECT_FALSE(DesignQuestions::checkNumberBoxEnter("0.5"));
}

TEST(DesignQuestions, FactorNames)
{
    Session state;
    DesignQuestions questions(partsOf(state));
    for (const char* bad : {"1st", " Drug", "-x", "\xC3\xA9t\xC3\xA9"}) {
        const auto m = questions.setNameText(bad);
        ASSERT_TRUE(m) << bad;
        EXPECT_EQ(m->text, "The factor name must begin with an alphabetic character!");
        EXPECT_EQ(m->icon, MessageIcon::Critical);
        EXPECT_EQ(questions.currentName(), "");
    }
    // A double quote passes the box but not the OK button; nor does a comma.
    EXPECT_FALSE(questions.setNameText("\"Dose\""));
    EXPECT_EQ(questions.accept()->text, "The first character of the factor name must be a letter");
    EXPECT_FALSE(questions.setNameText("Dose, mg"));
    const auto comma = questions.accept();
    EXPECT_EQ(comma->title, "Change required!");
    EXPECT_EQ(comma->text, *commaRefusal("Dose, mg", "factor name"));
    EXPECT_EQ(questions.currentFactor(), 1);

    // Proceed: an emptied name is asked for; a generic name becomes its letter and may clash.
    questions.setFactorCountText("3");
    ASSERT_FALSE(enterFactors(questions, {{"2", "A   (Click here to replace this generic factor name)"}, {"2", "age"}}));
    questions.setNameText("");
    ASSERT_FALSE(questions.accept());
    ProceedOutcome out = questions.proceed();
    EXPECT_EQ(out.message->text, "Please enter a name for Factor 3");
    EXPECT_EQ(questions.currentFactor(), 3);
    questions.setNameText(kGenericC);
    ASSERT_FALSE(questions.accept());
    out = questions.proceed();
    EXPECT_EQ(out.target, ProceedTarget::Stay);
    EXPECT_EQ(out.message->text, "The program requires the first letter of all factor names to be unique.  Please "
                                 "change the name of either A or Age.");
    EXPECT_EQ(state.design.design.factors[2].name, "C");
    EXPECT_EQ(questions.currentFactor(), 1);
}

TEST(DesignQuestions, LevelLabelsCaptionsAndWayOn)
{
    Session state;
    state.design.labelsInUse = true;
    DesignQuestions questions(partsOf(state));
    EXPECT_EQ(questions.proceedCaption(), "Yes, Enter &Labels for Levels...");
    ASSERT_FALSE(enterFactors(questions, {{"2", "Drug"}, {"3", "Time"}}));
    EXPECT_EQ(questions.proceed().target, ProceedTarget::LevelLabels);
    EXPECT_EQ(questions.proceedCaption(), "&Proceed to Data Entry");
    EXPECT_EQ(state.design.design.factors[1].levelLabels.size(), 3u);
    EXPECT_EQ(state.design.design.factors[1].tableLabel, 'T');
    // The design is complete: labelled for every window and table after (the legend's names).
    EXPECT_TRUE(state.design.design.labelsTruncated);

    // Labels given: on to the data. Levels changed afterwards: the labels are asked for again.
    state.design.design.factors[0].levelLabels = {"a", "b"};
    state.design.design.factors[1].levelLabels = {"x", "y", "z"};
    EXPECT_EQ(questions.proceed().target, ProceedTarget::DataEntry);
    questions.adjust();
    ASSERT_FALSE(enterFactors(questions, {{"4", "Drug"}, {"3", "Time"}}));
    EXPECT_EQ(questions.proceed().target, ProceedTarget::LevelLabels);
    questions.setUseLevelLabels(false);
    EXPECT_EQ(questions.proceedCaption(), "&Yes, Proceed to Data Entry");
    EXPECT_EQ(questions.proceed().target, ProceedTarget::DataEntry);

    // An unequal-cell-size mode goes to the Anova design window, labels or not.
    questions.setUseLevelLabels(true);
    questions.toggleMode(UnequalMode::ProportionalCellSize);
    ASSERT_FALSE(enterFactors(questions, {{"2", "Drug"}, {"3", "Time"}, {"4", "Rep"}}));
    EXPECT_TRUE(questions.confirmationVisible());
    EXPECT_EQ(questions.confirmationText(), "Are these factors and their levels correct?");
    EXPECT_EQ(questions.proceedCaption(), "Enter &Labels for Levels...");
    EXPECT_EQ(questions.proceed().target, ProceedTarget::AnovaDesign);
    questions.setUseLevelLabels(false);
    EXPECT_EQ(questions.proceedCaption(), "&Anova Design...");
}

TEST(DesignQuestions, UnequalCellSizeModes)
{
    Session state;
    DesignQuestions questions(partsOf(state));
    questions.setFactorCountText("5");
    ModeStep step = questions.toggleMode(UnequalMode::RandomAttrition);
    ASSERT_TRUE(step.message);
    EXPECT_TRUE(step.message->text.starts_with("     This test explores the null hypothesis")) << step.message->text;
    EXPECT_EQ(questions.factorCount(), 3);
    EXPECT_TRUE(questions.isGeneric(3));
    EXPECT_FALSE(questions.recentFilesEnabled());

    // Unweighted means asks first: Cancel changes nothing, No keeps the attrition test, Yes skips it.
    step = questions.toggleMode(UnequalMode::UnweightedMeans);
    ASSERT_TRUE(step.question);
    questions.answerUnweightedMeans(DialogAnswer::Cancel);
    EXPECT_EQ(questions.mode(), UnequalMode::RandomAttrition);
    questions.answerUnweightedMeans(DialogAnswer::No);
    EXPECT_TRUE(state.mode.unweightedMeans && state.mode.randomAttritionTest);
    EXPECT_TRUE(questions.recentFilesEnabled());
    questions.toggleMode(UnequalMode::UnweightedMeans);
    EXPECT_FALSE(state.mode.unequalCellMode());
    questions.toggleMode(UnequalMode::UnweightedMeans);
    questions.answerUnweightedMeans(DialogAnswer::Yes);
    EXPECT_TRUE(state.mode.unweightedMeans && !state.mode.randomAttritionTest);
    EXPECT_TRUE(questions.setFactorCountText("2").messages.empty());  // the 3-factor rule needs the test

    questions.toggleMode(UnequalMode::UnequalGroupSize);
    EXPECT_TRUE(state.mode.twoFactorUnequal && state.design.design.nested && !state.mode.unweightedMeans);
    questions.toggleMode(UnequalMode::ProportionalCellSize);
    EXPECT_FALSE(state.design.design.nested);
    EXPECT_EQ(DesignQuestions(partsOf(state)).mode(), UnequalMode::ProportionalCellSize);  // a new window sees it

    questions.startOver();
    EXPECT_FALSE(state.mode.unequalCellMode());
    EXPECT_EQ(questions.factorCount(), 2);
}

TEST(AnovaDesignChoices, SpecificComparisonsChangeInPlaceAndExcludeEachOther)
{
    Session s;
    s.design.design = testing::makeDesign({{"A", 3}, {"S", 4}}, AnovaType::RepeatedMeasures, 2);
    s.design.anovaTypeChosen = true;
    s.mode.trendTests = true;
    AnovaDesignChoices choices(s.design, s.mode);
    ASSERT_TRUE(choices.comparisonsOffered());
    EXPECT_EQ(choices.comparisons(), SpecificComparisons::TrendTests);
    choices.chooseComparisons(SpecificComparisons::PlannedComparisons);
    EXPECT_TRUE(s.mode.plannedComparisons && !s.mode.trendTests);
    EXPECT_EQ(choices.mainAction(), MainAction::SetUpComparisons);
    EXPECT_TRUE(choices.mainEnabled());  // the design's choices stay
    choices.chooseComparisons(SpecificComparisons::PostHoc);
    EXPECT_TRUE(s.mode.postHocComparisons && !s.mode.plannedComparisons && !s.mode.trendTests);
    EXPECT_EQ(choices.comparisons(), SpecificComparisons::PostHoc);
    EXPECT_EQ(choices.mainAction(), MainAction::SetUpPostHoc);
    choices.chooseComparisons(SpecificComparisons::None);
    EXPECT_FALSE(s.mode.postHocComparisons);
    EXPECT_EQ(choices.mainCaption(), "&Prepare Table");
    // The unequal-cell-size modes have no comparisons to change.
    s.mode.unweightedMeans = true;
    EXPECT_FALSE(choices.comparisonsOffered());
    choices.chooseComparisons(SpecificComparisons::TrendTests);
    EXPECT_FALSE(s.mode.trendTests);
}

TEST(DesignQuestions, RecentFileRestoreWithAStoreThatRefuses)
{
    Session state;
    state.recentFiles.entries = {{"/d/one.dat", "", {"A", "B"}, {2, 2}, false, {}},
                                 {"/d/two.dat", "Pilot", {"X", "Y"}, {3, 3}, true, {{"a", "b", "c"}, {"d", "e", "f"}}}};
    DesignQuestions questions(partsOf(state));
    MemorySettingsStore store;
    store.failWrites = true;
    const auto failed = questions.restoreRecent(2, store);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->title, "Error in Saving!");
    // The design is restored all the same, and the entry moved up in memory.
    EXPECT_EQ(state.design.design.factors[1].levelLabels, (std::vector<std::string>{"d", "e", "f"}));
    EXPECT_EQ(state.design.problemLabel, "Pilot");
    EXPECT_EQ(state.design.design.factors[1].tableLabel, 'Y');
    EXPECT_FALSE(state.design.design.labelsTruncated);  // one-letter names show as they are
    EXPECT_EQ(state.file.openFileName(), "/d/two.dat");
    EXPECT_EQ(state.recentFiles.entries[0].path, "/d/two.dat");
    EXPECT_EQ(questions.proceedCaption(), "&Proceed to Data Entry");  // the labels are not asked for again
}

TEST(DesignQuestions, RecentFileFirstLineMustFitTheMode)
{
    const auto dir = std::filesystem::temp_directory_path() / "varisect_designquestions_test";
    std::filesystem::create_directories(dir);
    const auto plain = (dir / "plain.dat").string();
    const auto unequal = (dir / "unequal.dat").string();
    std::ofstream(plain) << "12\r\n13\r\n";
    std::ofstream(unequal) << "\xEF\xBB\xBFUnequal N\r\n3\r\n";

    EXPECT_EQ(probeRecentFile(plain, false).result, RecentFileProbe::Result::Fits);
    EXPECT_EQ(probeRecentFile(unequal, true).result, RecentFileProbe::Result::Fits);
    RecentFileProbe p = probeRecentFile(unequal, false);
    EXPECT_EQ(p.message.text, incorrectFileMessage(true).text);
    EXPECT_EQ(probeRecentFile(plain, true).message.text, incorrectFileMessage(false).text);
    for (const std::string& missing : {(dir / "gone.dat").string(), dir.string()}) {
        p = probeRecentFile(missing, false);
        EXPECT_EQ(p.result, RecentFileProbe::Result::NotFound) << missing;
        EXPECT_EQ(p.message.buttons, MessageButtons::RetryCancel);
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace varisect
