// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/analysisservice.h"

#include <gtest/gtest.h>

#include "engine/sources.h"
#include "support/recordingprompts.h"

namespace varisect {
namespace {

Design named(std::initializer_list<std::pair<const char*, int>> factors)
{
    Design d;
    for (const auto& [name, levels] : factors)
        d.factors.push_back(Factor{name, name[0], levels, {}});
    return d;
}

// The checks come in one order, each naming the factor to go back to.
TEST(AnalysisService, DesignChecksNameTheFactorAtFault)
{
    EXPECT_FALSE(validateDesign(named({{"Drug", 2}, {"Subjects", 5}})));

    const auto nameless = validateDesign(named({{"Drug", 2}, {"", 5}}));
    ASSERT_TRUE(nameless);
    EXPECT_EQ(nameless->factor, 2);
    EXPECT_EQ(nameless->message.text, "Please enter a name for Factor 2");

    const auto digit = validateDesign(named({{"Drug", 2}, {"3rd", 1}}));
    ASSERT_TRUE(digit);  // the name is told before the levels
    EXPECT_EQ(digit->factor, 2);
    EXPECT_EQ(digit->message.title, "Change required!");

    const auto comma = validateDesign(named({{"Drug, new", 2}, {"Subjects", 5}}));
    ASSERT_TRUE(comma);
    EXPECT_EQ(comma->factor, 1);

    const auto same = validateDesign(named({{"Drug", 2}, {"Time", 3}, {"dose", 2}}));
    ASSERT_TRUE(same);
    EXPECT_EQ(same->factor, 1);
    EXPECT_EQ(same->message.text, "The program requires the first letter of all factor names to be unique.  Please "
                                  "change the name of either Drug or dose.");

    const auto tooMany = validateDesign(named({{"A", 200}, {"B", 200}, {"C", 200}, {"D", 200}, {"E", 200},
                                               {"F", 200}, {"G", 200}, {"H", 200}}));
    ASSERT_TRUE(tooMany);  // a product far beyond any integer
    EXPECT_EQ(tooMany->message.text,
              "You have specified 2.56E+18 scores, but the maximum allowed by the program is 16352 scores.");
    EXPECT_EQ(checkFactorCount(9)->title, "Program Limitation");

    // Names and labels are stored joined by commas: the refusal names the text and what it is.
    EXPECT_FALSE(commaRefusal("Drug", "factor name"));
    EXPECT_FALSE(commaRefusal("", "level label"));
    EXPECT_EQ(commaRefusal("Drug, dose", "factor name"),
              "The factor name may not contain a comma, because the program stores names and labels "
              "separated by commas.  Please change \"Drug, dose\".");
}

// The service pools a nested design as the engine's own steps do, and labels the factors from
// their names on a copy when that has not been done.
TEST(AnalysisService, NestedDesignIsPooledAndLabelsComeFromNames)
{
    Design design = named({{"Teacher", 2}, {"Class", 3}, {"Pupil", 4}});
    design.factors[1].tableLabel = 'X';  // a stale label
    design.anovaType = AnovaType::IndependentGroups;
    design.designatedFactor = 3;
    design.nested = true;
    design.nestingMatrix = {{'C', 'T'}};
    Scores scores;
    for (long i = 0; i < design.scoreCount(); ++i)
        scores.push_back(static_cast<float>((i * 7) % 11));

    RecordingPrompts prompts;
    const auto table = analyseDesign(design, scores, prompts);
    ASSERT_TRUE(table);

    Design labelled = design;
    setTableLabelsFromNames(labelled);
    RecordingPrompts direct;
    const auto expected = RunAnalysis(labelled, scores, BuildPoolingGroups(labelled), direct);
    ASSERT_TRUE(expected);
    EXPECT_EQ(table->rows, expected->rows);
    EXPECT_EQ(design.factors[1].tableLabel, 'X');  // the caller's design is left alone

    EXPECT_EQ(scoresProblem(design, Scores(5))->title, "Data Not Ready!");
    EXPECT_FALSE(scoresProblem(design, scores));
}

}  // namespace
}  // namespace varisect
