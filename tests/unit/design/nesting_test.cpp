// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/nesting.h"

#include <gtest/gtest.h>

#include <algorithm>

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

TEST(Nesting, SelectedPairsComeFirstThenImpliedOnesOnce)
{
    EXPECT_EQ(closeNesting(kABCD, pairs({"AB", "BC"})).matrix, pairs({"AB", "BC", "AC"}));
    // A selected pair that is also implied stays where it was selected; repeats count once.
    EXPECT_EQ(closeNesting(kABCD, pairs({"AC", "AB", "BC", "AB"})).matrix, pairs({"AC", "AB", "BC"}));
    EXPECT_EQ(closeNesting(kABCD, pairs({"DA"}), true).matrix, pairs({"DA"}));
}

TEST(Nesting, MessagesOfTheNestingWindow)
{
    const std::string oneNest = "Error!: There must be one nested factor in the Unequal Group Sizes design.";
    struct Case {
        std::vector<NestRelation> selected;
        bool unequalGroupSizes;
        std::string message;  // title: text
    };
    const std::vector<Case> cases = {
        {{}, true, "Please indicate selection(s) by clicking: Select factors involved in nesting!"},
        {pairs({"CD", "AB", "BA"}), false,
         "Nesting Error!: You have designated A as nested under B and B as nested under A. Nesting is a one-way "
         "relationship. Please correct the designation."},
        {pairs({"AB", "BC", "CA"}), false,
         "Nesting Error: The hierarchical structure in your choices implies that A is nested under C ,but you "
         "have specified that C is nested under A. This is a contradiction. Please correct the designation."},
        {pairs({"AA"}), false,
         "Nesting Error!: You have designated A as nested under A. A factor cannot be nested under itself. "
         "Please correct the designation."},
        {pairs({"AZ"}), false, "Nesting Error!: There is no factor Z in this design."},
        {pairs({"DA", "BA"}), true, oneNest},
        {pairs({"DA", "DB"}), true, oneNest},
        {pairs({"DB", "BA"}), true, oneNest},  // one selected pair implies a second
    };
    for (const Case& c : cases) {
        const NestingOutcome o = closeNesting(kABCD, c.selected, c.unequalGroupSizes);
        ASSERT_FALSE(o.ok()) << c.message;
        EXPECT_EQ(o.error->title + ": " + o.error->text, c.message);
        EXPECT_EQ(o.error->icon, MessageIcon::Critical);
        EXPECT_TRUE(o.matrix.empty());
    }
}

// Every selection among four factors ends in a message or in a list that holds the selection, is
// transitively closed, free of repeats and never has a pair in both directions.
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
        const auto count = [&](char x, char y) { return std::ranges::count(o.matrix, NestRelation{x, y}); };
        for (const NestRelation& p : selected)
            ASSERT_EQ(count(p.nested, p.nesting), 1) << "bits " << bits;
        for (const NestRelation& p : o.matrix) {
            ASSERT_EQ(count(p.nested, p.nesting), 1) << "bits " << bits;
            ASSERT_EQ(count(p.nesting, p.nested), 0) << "bits " << bits;
            for (const NestRelation& q : o.matrix)
                ASSERT_TRUE(p.nesting != q.nested || count(p.nested, q.nesting) == 1) << "bits " << bits;
        }
    }
    // Exactly the selections without a cycle are accepted: 543 directed acyclic graphs on four
    // labelled nodes, less the empty one.
    EXPECT_EQ(accepted, 542);
}

}  // namespace
}  // namespace varisect
