// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/nesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace varisect {
namespace {

const std::vector<char> kABCD = {'A', 'B', 'C', 'D'};

std::vector<NestRelation> pairs(std::initializer_list<const char*> list)
{
    std::vector<NestRelation> out;
    for (const char* p : list)
        out.push_back({p[0], p[1]});  // "BA": B nested under A
    return out;
}

void expectStop(const NestingOutcome& outcome, const std::string& title, const std::string& text)
{
    ASSERT_FALSE(outcome.ok());
    EXPECT_EQ(outcome.error->title, title);
    EXPECT_EQ(outcome.error->text, text);
    EXPECT_EQ(outcome.error->icon, MessageIcon::Critical);
    EXPECT_EQ(outcome.error->buttons, MessageButtons::Ok);
    EXPECT_TRUE(outcome.matrix.empty());
}

TEST(Nesting, SelectedPairsComeFirstThenImpliedOnesWithoutDuplicates)
{
    // A under B and B under C imply A under C.
    NestingOutcome o = closeNesting(kABCD, pairs({"AB", "BC"}));
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(o.matrix, pairs({"AB", "BC", "AC"}));

    // A chain of four: every implied pair once, after the selected ones in their order.
    o = closeNesting(kABCD, pairs({"CD", "AB", "BC", "AB"}));
    ASSERT_TRUE(o.ok());
    ASSERT_EQ(o.matrix.size(), 6u);
    EXPECT_EQ(std::vector<NestRelation>(o.matrix.begin(), o.matrix.begin() + 3), pairs({"CD", "AB", "BC"}));
    const auto all = pairs({"AB", "AC", "AD", "BC", "BD", "CD"});
    for (const NestRelation& p : all)
        EXPECT_EQ(std::count(o.matrix.begin(), o.matrix.end(), p), 1) << p.nested << p.nesting;

    // A selected pair that is also implied stays where it was selected.
    o = closeNesting(kABCD, pairs({"AC", "AB", "BC"}));
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(o.matrix, pairs({"AC", "AB", "BC"}));

    // Crossed structures are left alone: S under A only.
    o = closeNesting({'A', 'B', 'S'}, pairs({"SA"}));
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(o.matrix, pairs({"SA"}));
}

TEST(Nesting, MessagesOfTheNestingWindow)
{
    expectStop(closeNesting(kABCD, {}), "Please indicate selection(s) by clicking",
               "Select factors involved in nesting!");

    expectStop(closeNesting(kABCD, pairs({"CD", "AB", "BA"})), "Nesting Error!",
               "You have designated A as nested under B and B as nested under A. Nesting is a "
               "one-way relationship. Please correct the designation.");

    expectStop(closeNesting(kABCD, pairs({"AB", "BC", "CA"})), "Nesting Error",
               "The hierarchical structure in your choices implies that A is nested under C ,but you "
               "have specified that C is nested under A. This is a contradiction. Please correct the "
               "designation.");

    expectStop(closeNesting(kABCD, pairs({"AA"})), "Nesting Error!",
               "You have designated A as nested under A. A factor cannot be nested under itself. "
               "Please correct the designation.");

    const NestingOutcome unknown = closeNesting(kABCD, pairs({"AZ"}));
    ASSERT_FALSE(unknown.ok());
    EXPECT_EQ(unknown.error->title, "Nesting Error!");
}

TEST(Nesting, UnequalGroupSizesNeedExactlyOneNest)
{
    const std::vector<char> labels = {'A', 'B', 'S'};
    const NestingOutcome one = closeNesting(labels, pairs({"SA"}), true);
    ASSERT_TRUE(one.ok());
    EXPECT_EQ(one.matrix, pairs({"SA"}));

    const std::string text = "There must be one nested factor in the Unequal Group Sizes design.";
    expectStop(closeNesting(labels, pairs({"SA", "BA"}), true), "Error!", text);
    expectStop(closeNesting(labels, pairs({"SA", "SB"}), true), "Error!", text);
    // One selected pair that implies a second is two nests as well.
    expectStop(closeNesting(labels, pairs({"SB", "BA"}), true), "Error!", text);
    // The other checks come first.
    expectStop(closeNesting(labels, {}, true), "Please indicate selection(s) by clicking",
               "Select factors involved in nesting!");
}

// Every selection of pairs among four factors (each ordered pair in or out, in a fixed order):
// the answer is either a message or a list that holds the selection, is transitively closed,
// free of duplicates and never has a pair in both directions.
TEST(Nesting, EverySelectionAmongFourFactorsEndsSoundly)
{
    std::vector<NestRelation> candidates;
    for (const char x : kABCD)
        for (const char y : kABCD)
            if (x != y)
                candidates.push_back({x, y});
    int accepted = 0;
    for (unsigned bits = 1; bits < (1u << candidates.size()); ++bits) {
        std::vector<NestRelation> selected;
        for (std::size_t k = 0; k < candidates.size(); ++k)
            if (bits & (1u << k))
                selected.push_back(candidates[k]);
        const NestingOutcome o = closeNesting(kABCD, selected);
        if (!o.ok())
            continue;
        ++accepted;
        std::set<std::pair<char, char>> seen;
        for (const NestRelation& p : o.matrix) {
            ASSERT_TRUE(seen.insert({p.nested, p.nesting}).second);
            ASSERT_NE(p.nested, p.nesting);
        }
        for (const NestRelation& p : selected)
            ASSERT_TRUE(seen.count({p.nested, p.nesting}));
        for (const NestRelation& p : o.matrix) {
            ASSERT_FALSE(seen.count({p.nesting, p.nested})) << "bits " << bits;
            for (const NestRelation& q : o.matrix) {
                if (p.nesting == q.nested && p.nested != q.nesting) {
                    ASSERT_TRUE(seen.count({p.nested, q.nesting})) << "bits " << bits;
                }
            }
        }
    }
    // Exactly the selections without a cycle are accepted: there are 543 directed acyclic
    // graphs on four labelled nodes, the empty one (refused as no selection) among them.
    EXPECT_EQ(accepted, 542);
}

}  // namespace
}  // namespace varisect
