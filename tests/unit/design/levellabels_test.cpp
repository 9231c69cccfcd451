// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/levellabels.h"

#include <gtest/gtest.h>

namespace varisect {
namespace {

Design designOf(std::initializer_list<std::pair<const char*, int>> factors)
{
    Design d;
    for (const auto& [name, levels] : factors)
        d.factors.push_back(Factor{name, name[0], levels, {}});
    return d;
}

void acceptAll(LevelLabels& walk, std::initializer_list<const char*> labels)
{
    for (const char* label : labels)
        ASSERT_FALSE(walk.accept(label)) << label;
}

TEST(LevelLabels, WalkThroughFactorsAndLevels)
{
    const Design d = designOf({{"Drug", 2}, {"Time", 3}});
    LevelLabels walk(d);
    EXPECT_EQ(walk.prompt(), "For Factor 1, Drug, what is the label for level 1?");
    acceptAll(walk, {"p", "d"});
    EXPECT_EQ(walk.prompt(), "Please enter a label for Factor 2, Time, Level 1.");

    const auto missing = walk.accept("");
    EXPECT_EQ(missing->title, "Value Missing!");
    EXPECT_EQ(missing->text, "Please enter a label for Factor 2, Time, Level 1.");
    // Too long (pasted past the box's own check) or with a comma: refused, the walk stays put.
    EXPECT_EQ(walk.accept("abc")->text, "The length of a label is limited to two characters.");
    EXPECT_NE(walk.accept("a,")->text.find("comma"), std::string::npos);
    EXPECT_EQ(walk.level(), 1);
    EXPECT_FALSE(LevelLabels::checkTyping("\xC3\xA9\xC3\xA9"));  // two accented letters are two characters
    EXPECT_TRUE(LevelLabels::checkTyping("\xC3\xA9\xC3\xA9\xC3\xA9"));

    acceptAll(walk, {"t1", "t2", "t3"});
    EXPECT_TRUE(walk.finishedEnabled());
    Design out = d;
    ASSERT_FALSE(walk.finish(out));
    EXPECT_EQ(out.factors[1].levelLabels, (std::vector<std::string>{"t1", "t2", "t3"}));

    walk.startOver();
    EXPECT_EQ(walk.prompt(), "For Factor 1, Drug, what is the label for level 1?");
    EXPECT_FALSE(walk.finishedEnabled());
}

TEST(LevelLabels, DuplicatesWithinAFactorRefusedAcrossFactorsAllowed)
{
    const Design d = designOf({{"Drug", 2}, {"Time", 3}, {"Sex", 2}});
    LevelLabels walk(d);
    acceptAll(walk, {"a", "b", "x", "y", "x", "a", "b"});
    Design out = d;
    const auto dup = walk.finish(out);
    ASSERT_TRUE(dup);
    EXPECT_EQ(dup->text, "Two or more of the levels for Factor 2, Time, have the same label.  Please correct.");
    EXPECT_EQ(walk.prompt(), "For Factor 2, Time, what is the label for level 1?");
    EXPECT_TRUE(out.factors[1].levelLabels.empty());  // nothing written on a refusal

    acceptAll(walk, {"x", "y", "z", "a", "b"});
    ASSERT_FALSE(walk.finish(out));
    EXPECT_EQ(out.factors[2].levelLabels, out.factors[0].levelLabels);
}

TEST(LevelLabels, DesignatedFactorPassedOverAndCellIndices)
{
    const Design d = designOf({{"Group", 2}, {"Trial", 12}, {"Replicates", 4}, {"Hand", 2}});
    LevelLabels walk(d, 3);
    acceptAll(walk, {"g1", "g2"});
    walk.useCellIndices();
    EXPECT_EQ(walk.prompt(), "Please enter a label for Factor 4, Hand, Level 1.");  // factor 3 skipped
    walk.useCellIndices();
    Design out = d;
    ASSERT_FALSE(walk.finish(out));
    EXPECT_EQ(out.factors[1].levelLabels,
              (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}));
    EXPECT_EQ(out.factors[2].levelLabels, std::vector<std::string>(4));

    EXPECT_EQ(LevelLabels(d, 1).prompt(), "For Factor 2, Trial, what is the label for level 1?");
}

}  // namespace
}  // namespace varisect
