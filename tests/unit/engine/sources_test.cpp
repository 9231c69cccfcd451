// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/sources.h"

#include <gtest/gtest.h>

#include "engine/design.h"
#include "reference.h"

namespace varisect {
namespace {

using testing::makeDesign;

std::vector<std::string> labels(const Design& d)
{
    std::vector<std::string> out;
    for (SourceMask s : enumerateSources(d.factorCount()))
        out.push_back(sourceLabel(d, s));
    return out;
}

std::vector<PoolingGroup> pooled(const std::vector<PoolingGroup>& groups)
{
    std::vector<PoolingGroup> out;
    for (const PoolingGroup& g : groups)
        if (g.size() > 1)
            out.push_back(g);
    return out;
}

TEST(Sources, EnumeratedSizeBySizeInLexicographicOrder)
{
    const Design d = makeDesign({{"A", 2}, {"B", 2}, {"C", 2}, {"D", 2}});
    EXPECT_EQ(labels(d), (std::vector<std::string>{"A", "B", "C", "D", "AxB", "AxC", "AxD", "BxC", "BxD", "CxD",
                                                   "AxBxC", "AxBxD", "AxCxD", "BxCxD", "AxBxCxD"}));
    EXPECT_EQ(enumerateSources(8).size(), 255u);
    EXPECT_EQ(sourceOfLabel(d, "AxBxD"), 0b1011u);
    EXPECT_EQ(sourceOfLabel(d, "DBA"), 0b1011u);
    EXPECT_EQ(sourceOfLabel(d, "AxQ"), 0u);
}

TEST(PoolingGroups, NestedFactorsPoolWithTheirNestingFactorsAndTheirCrossings)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, int>> factors;
        std::vector<NestRelation> nesting;
        std::vector<PoolingGroup> pooled;
    };
    const std::vector<Case> cases = {
        // B with AxB; crossed with C, BxC with AxBxC; the reverse pair (B, A) gives nothing.
        {"B under A", {{"A", 2}, {"B", 3}, {"C", 2}}, {{'B', 'A'}}, {{"B", "AxB"}, {"BxC", "AxBxC"}}},
        // (B, C) yields BxC and AxBxC; (C, B) repeats them and is dropped.
        {"B and C under A", {{"A", 2}, {"B", 2}, {"C", 2}}, {{'B', 'A'}, {'C', 'A'}},
         {{"B", "AxB"}, {"C", "AxC"}, {"BxC", "AxBxC"}}},
        // Crossed with D: every member of B's group with D.
        {"B under A and C", {{"A", 2}, {"B", 2}, {"C", 2}, {"D", 2}}, {{'B', 'A'}, {'B', 'C'}},
         {{"B", "AxB", "BxC", "AxBxC"}, {"BxD", "AxBxD", "BxCxD", "AxBxCxD"}}},
    };
    for (const Case& c : cases) {
        Design d = makeDesign(c.factors);
        d.nested = true;
        d.nestingMatrix = c.nesting;
        EXPECT_EQ(pooled(BuildPoolingGroups(d)), c.pooled) << c.what;
    }
}

TEST(PoolingGroups, EverySourceLandsInAtMostOneGroup)
{
    // A hierarchy and a crossed factor with eight factors: the groups must partition what they
    // pool, whatever the order in which combinations are visited.
    Design d = makeDesign({{"A", 2}, {"B", 2}, {"C", 2}, {"D", 2}, {"E", 2}, {"F", 2}, {"G", 2}, {"H", 2}});
    d.nested = true;
    d.nestingMatrix = {{'B', 'A'}, {'C', 'B'}, {'C', 'A'}, {'E', 'D'}, {'G', 'F'}};
    std::vector<int> seen(256, 0);
    for (const PoolingGroup& g : pooled(BuildPoolingGroups(d)))
        for (const std::string& m : g)
            ++seen[sourceOfLabel(d, m)];
    for (int s = 1; s < 256; ++s)
        EXPECT_LE(seen[size_t(s)], 1) << sourceLabel(d, SourceMask(s));
    EXPECT_EQ(seen[sourceOfLabel(d, "AxBxC")], 1);
    EXPECT_EQ(seen[sourceOfLabel(d, "CxExG")], 1);
}

TEST(PoolingGroups, NormalizeAndDropDuplicates)
{
    const Design d = makeDesign({{"A", 2}, {"B", 2}, {"C", 2}});
    PoolingGroup g{"CA", "AxC", "BA", "AB", "CBA"};
    NormalizeGroupLabels(d, g);
    EXPECT_EQ(g, (PoolingGroup{"AxC", "AxB", "AxBxC"}));
    PoolingGroup dup{"BxC", "AxB"};
    DropDuplicateGroup({{"B", "AxB"}}, dup);
    EXPECT_TRUE(dup.empty());
    PoolingGroup fresh{"BxC", "AxBxC"};
    DropDuplicateGroup({{"B", "AxB"}}, fresh);
    EXPECT_EQ(fresh.size(), 2u);
}

}  // namespace
}  // namespace varisect
