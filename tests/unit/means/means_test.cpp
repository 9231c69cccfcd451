// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <array>

#include "engine/reference.h"
#include "means/cellmeans.h"
#include "means/pairmeans.h"
#include "means/pairselector.h"

namespace varisect {
namespace {

using testing::makeDesign;
using Grid = std::vector<std::vector<std::string>>;

// A (2) x B (3) x R (2), A cycling fastest. Cell means: A1 2, 3, 4 and A2 6, 7, 11 at B1 .. B3.
Design twoByThree() { return makeDesign({{"Alpha", 2}, {"Beta", 3}, {"Reps", 2}}, AnovaType::IndependentGroups, 3); }
const Scores kTwoByThree = {1, 5, 2, 6, 3, 10, 3, 7, 4, 8, 5, 12};

TEST(PairMeans, HandWorkedTwoByThree)
{
    const Design d = twoByThree();
    const MeansTable t = PairMeans(d, kTwoByThree, 1, 2);
    EXPECT_EQ(t.n, 2);
    EXPECT_EQ(t.totals, (std::vector<double>{4, 12, 6, 14, 8, 22}));
    EXPECT_EQ(t.mean(2, 3), 11);
    EXPECT_EQ(t.marginalA, (std::vector<double>{3, 8}));
    EXPECT_EQ(t.marginalB, (std::vector<double>{4, 5, 7.5}));
    EXPECT_EQ(t.grandMean, 5.5);

    // Means of B at level 2 of the replicates: 4, 5, 8 / 8, 12 -> B by A.
    const MeansTable p = PanelMeans(d, kTwoByThree, 2, 1, 3, 2);
    EXPECT_EQ(p.n, 1);
    EXPECT_EQ(p.means, (std::vector<double>{3, 4, 5, 7, 8, 12}));
    EXPECT_EQ(p.marginalA, (std::vector<double>{5, 6, 8.5}));
    EXPECT_EQ(p.marginalB, (std::vector<double>{4, 9}));

    EXPECT_THROW(PairMeans(d, kTwoByThree, 1, 1), std::invalid_argument);
    EXPECT_THROW(PairMeans(d, kTwoByThree, 1, 4), std::invalid_argument);
    EXPECT_THROW(PanelMeans(d, kTwoByThree, 1, 2, 3, 3), std::invalid_argument);
    EXPECT_THROW(PairMeans(d, Scores(11, 1.0f), 1, 2), std::invalid_argument);
}

TEST(PairMeans, NumberFormats)
{
    const std::vector<std::pair<double, std::string>> cases = {
        {0.5, "0.50"}, {0.12345, "0.123"}, {12, "12.0"}, {12.346, "12.35"}, {-0.5, "-0.50"}, {0, "0.00"},
        {-0.0001, "0.00"}, {0.9996, "1.00"}, {-12.25, "-12.25"}, {1234567.891, "1234567.89"}, {1, "1.0"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(meanText(value), text) << value;
    EXPECT_EQ(formatOneToTwoPlaces(0.5), ".5");
    EXPECT_EQ(formatOneToTwoPlaces(-0.05), "-.05");
    EXPECT_EQ(formatTwoToThreePlaces(123.4567), "123.457");
}

TEST(CellMeans, GridCopyAndPrint)
{
    Design d = twoByThree();
    const MeansGrid g = buildMeansGrid(d, kTwoByThree, {1, 2}, false);
    EXPECT_FALSE(g.shown.transposed);
    EXPECT_EQ(g.columnTitle, "Alpha");
    EXPECT_EQ(g.cells, (Grid{{"Beta", "1", "2", "Marginal"},
                             {"1", "2.0", "6.0", "4.0"},
                             {"2", "3.0", "7.0", "5.0"},
                             {"3", "4.0", "11.0", "7.5"},
                             {"Marginal", "3.0", "8.0", "5.5"}}));
    EXPECT_EQ(meansCopyText(g, "Pilot"), "Pilot\nAlpha\nBeta 1 2 Marginal \n1 2.0 6.0 4.0 \n2 3.0 7.0 5.0 \n"
                                         "3 4.0 11.0 7.5 \nMarginal 3.0 8.0 5.5 \n");
    EXPECT_EQ(meansPrintLines(g, false, "", 0),
              (std::vector<std::string>{"  Cell means, using raw data", "", "          Alpha",
                                        "Beta        1     2  Marginal", "1         2.0   6.0       4.0",
                                        "2         3.0   7.0       5.0", "3         4.0  11.0       7.5",
                                        "Marginal  3.0   8.0       5.5"}));
    // At 20 characters a grid line breaks at its last blank that fits; nothing is lost.
    const auto narrow = meansPrintLines(g, true, "", 20);
    EXPECT_EQ(narrow[0], "  Cell means, using");
    EXPECT_EQ(narrow[1], "transformed data");
    EXPECT_EQ(narrow[4], "Beta        1     2");
    EXPECT_EQ(narrow[5], "Marginal");
    EXPECT_EQ(wrapLines("abcdefgh ij\r\nk", 4), (std::vector<std::string>{"abcd", "efgh", "ij", "k"}));

    // Level labels head the rows and columns; a missing label falls back to the number.
    d.factors[0].levelLabels = {"lo", "hi"};
    d.factors[1].levelLabels = {"x", "", "z"};
    const MeansGrid labelled = buildMeansGrid(d, kTwoByThree, {1, 2}, true);
    EXPECT_EQ(labelled.cells[0], (std::vector<std::string>{"Beta", "lo", "hi", "Marginal"}));
    EXPECT_EQ(labelled.cells[2][0], "2");
}

TEST(CellMeans, SwapPanelsAndEndOfSet)
{
    // A first factor of 5 levels against 3 goes to the rows.
    const Design wide = makeDesign({{"Dose", 5}, {"Time", 3}, {"Subjects", 2}}, AnovaType::RepeatedMeasures, 3);
    const ShownPair s = showPair(wide, {1, 2});
    EXPECT_EQ(s.columnFactor, 2);
    EXPECT_EQ(s.rowFactor, 1);
    EXPECT_TRUE(s.transposed);
    EXPECT_FALSE(showPair(makeDesign({{"Dose", 5}, {"Time", 6}}), {1, 2}).transposed);

    // Two substantive factors: the first "Next set" reports the end and the table stays.
    CellMeansBrowser two(wide, testing::randomScores(wide, 3), {{1, 2}}, CellMeansMode::Means, false);
    EXPECT_TRUE(two.panelFactorChoices().empty());
    const auto end = two.nextSet();
    ASSERT_TRUE(end);
    EXPECT_EQ(end->title, "Cell Means");
    EXPECT_EQ(end->text, "The requested set of cell means has been shown.");
    EXPECT_EQ(two.grid().shown.columnFactor, 2);

    const Design d = makeDesign({{"Alpha", 2}, {"Beta", 2}, {"Cue", 2}, {"Subj", 2}}, AnovaType::RepeatedMeasures, 4);
    Scores scores(16);
    for (size_t i = 0; i < scores.size(); ++i)
        scores[i] = static_cast<float>(i);
    CellMeansBrowser b(d, scores, {{1, 2}, {1, 3}}, CellMeansMode::SimpleEffects, false);
    EXPECT_TRUE(b.simpleTableButtonShown());
    EXPECT_EQ(b.panelsButtonCaption(), "Show &Panels for third factor");
    EXPECT_EQ(b.panelFactorNames(), (std::vector<std::string>{"Cue"}));
    EXPECT_EQ(b.panelPrompt(), "Select the third factor for Panels showing Alpha and Beta:");
    b.showPanels(3);
    EXPECT_EQ(b.grid().heading, "For Cue 1");
    EXPECT_EQ(b.panelsButtonCaption(), "Next &Level");
    EXPECT_EQ(b.grid().cells[1], (std::vector<std::string>{"1", "4.0", "5.0", "4.5"}));
    EXPECT_TRUE(b.copyText("Pilot").starts_with("For Cue 1\nAlpha\n"));
    b.nextLevel();
    EXPECT_EQ(b.grid().heading, "For Cue 2");
    EXPECT_EQ(b.grid().cells[1], (std::vector<std::string>{"1", "8.0", "9.0", "8.5"}));
    b.nextLevel();
    EXPECT_FALSE(b.panelsShown());
    EXPECT_EQ(b.grid().cells[1], (std::vector<std::string>{"1", "6.0", "7.0", "6.5"}));
    EXPECT_THROW(b.showPanels(4), std::invalid_argument);

    b.showPanels(3);
    EXPECT_FALSE(b.nextSet());
    EXPECT_EQ(b.pairNumber(), 2);
    EXPECT_FALSE(b.panelsShown());
    EXPECT_EQ(b.panelFactorChoices(), (std::vector<int>{2}));
    const auto last = b.nextSet();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->title, "Simple Effects");
    EXPECT_EQ(last->text, "The requested set of simple effects has been shown.");
}

TEST(CellMeans, EveryGridThePairsAndPanelsCanShow)
{
    const Design d = makeDesign({{"Alpha", 2}, {"Beta", 3}, {"Cue", 2}, {"Subj", 2}}, AnovaType::RepeatedMeasures, 4);
    const Scores scores = testing::randomScores(d, 7);
    CellMeansBrowser b(d, scores, {{1, 2}, {1, 3}, {2, 3}}, CellMeansMode::Means, false);
    b.nextSet();
    b.showPanels(2);
    const std::vector<MeansGrid> grids = b.everyGrid();

    // Each pair whole, then its panels over the factor left, level by level; the subjects
    // factor gives no panels.
    std::vector<std::array<int, 4>> seen;
    for (const MeansGrid& g : grids)
        seen.push_back({g.shown.columnFactor + g.shown.rowFactor, g.panelFactor, g.panelLevel, int(g.cells.size())});
    const std::vector<std::array<int, 4>> expected = {{3, 0, 0, 5}, {3, 3, 1, 5}, {3, 3, 2, 5},  // Alpha x Beta
                                                      {4, 0, 0, 4}, {4, 2, 1, 4}, {4, 2, 2, 4}, {4, 2, 3, 4},
                                                      {5, 0, 0, 4}, {5, 1, 1, 4}, {5, 1, 2, 4}};
    EXPECT_EQ(seen, expected);
    // The same grids as the buttons show them.
    EXPECT_EQ(grids[4].cells, b.grid().cells);
    CellMeansBrowser first(d, scores, {{1, 2}, {1, 3}, {2, 3}}, CellMeansMode::Means, false);
    EXPECT_EQ(grids[0].cells, first.grid().cells);
    // The browser is left where it was.
    EXPECT_EQ(b.pairNumber(), 2);
    EXPECT_EQ(b.grid().panelLevel, 1);
}

Design nestedDesign(const std::vector<std::pair<std::string, int>>& factors, int designated,
                    std::vector<NestRelation> nests)
{
    Design d = makeDesign(factors, AnovaType::RepeatedMeasures, designated);
    d.nested = !nests.empty();
    d.nestingMatrix = std::move(nests);
    return d;
}

TEST(CellMeans, UnequalCellsShowTheirSizesAndWeightedMargins)
{
    // Proportional sizes 2, 1 / 4, 2 (A fastest) with cell means 4, 8 / 6, 11: the plain margins
    // average the cell means, the weighted ones are the means of the scores.
    const Design d = makeDesign({{"A", 2}, {"B", 2}});
    const Scores means{4, 8, 6, 11};
    const CellWeights weights{{2, 1, 4, 2}, true, {}};
    const MeansGrid g = buildMeansGrid(d, means, {1, 2}, false, 0, 0, &weights);
    EXPECT_EQ(g.cells, (Grid{{"B", "1", "2", "Marginal", "Weighted"},
                             {"1", "4.0", "8.0", "6.0", "5.33"},
                             {"2", "6.0", "11.0", "8.5", "7.67"},
                             {"Marginal", "5.0", "9.5", "7.25", ""},
                             {"Weighted", "5.33", "10.0", "", "6.89"}}));
    EXPECT_EQ(g.countCells, (Grid{{"B", "1", "2", "Total"}, {"1", "2", "1", "3"}, {"2", "4", "2", "6"},
                                  {"Total", "6", "3", "9"}}));
    ASSERT_TRUE(g.weighted);
    EXPECT_NEAR(g.weighted->grandMean, 62.0 / 9, 1e-12);
    EXPECT_EQ(g.notes, marginNotes(true));
    // The weighted margins come from the cell means at full precision when they are given.
    const CellWeights exact{{2, 1, 4, 2}, true, {4, 8, 6, 11 + 1.0 / 3}};
    EXPECT_NEAR(buildMeansGrid(d, means, {1, 2}, false, 0, 0, &exact).weighted->grandMean, (62 + 2.0 / 3) / 9, 1e-15);

    // Copy and print carry the counts and the notes after the means.
    const std::string copied = meansCopyText(g, "");
    EXPECT_NE(copied.find("Weighted 5.33 10.0  6.89 \n"), std::string::npos) << copied;
    EXPECT_NE(copied.find(std::string(kCountsTitle) + "\nB 1 2 Total \n1 2 1 3 \n"), std::string::npos) << copied;
    const std::vector<std::string> lines = meansTableLines(g, "");
    ASSERT_EQ(lines.size(), 1 + 5 + 1 + 1 + 4 + 1 + 3u);
    EXPECT_EQ(lines[5], "Weighted  5.33  10.0                6.89");
    EXPECT_EQ(lines[7], kCountsTitle);
    EXPECT_EQ(lines[11], "Total  6  3      9");
    EXPECT_EQ(lines.back(), marginNotes(true).back());

    // Unweighted means: the tests compare the plain margins, so no weighted ones; the sizes stay.
    const CellWeights unweighted{{2, 1, 4, 2}, false, {}};
    const MeansGrid u = buildMeansGrid(d, means, {1, 2}, false, 0, 0, &unweighted);
    EXPECT_EQ(u.cells.size(), 4u);
    EXPECT_EQ(u.cells.front().back(), "Marginal");
    EXPECT_EQ(u.countCells.back(), (std::vector<std::string>{"Total", "6", "3", "9"}));
    EXPECT_EQ(u.notes, marginNotes(false));
    // Without sizes nothing is added.
    EXPECT_TRUE(buildMeansGrid(d, means, {1, 2}, false).countCells.empty());
}

TEST(PairMeans, WeightedMarginsOverAThirdFactorAndInPanels)
{
    // A x B x C, A fastest: cell means 2, 4, 6, 8 (C 1) and 4, 6, 8, 14 (C 2) of 1, 3, 3, 1 and
    // 3, 1, 1, 3 scores.
    const Design d = makeDesign({{"A", 2}, {"B", 2}, {"C", 2}});
    const std::vector<double> means{2, 4, 6, 8, 4, 6, 8, 14};
    const std::vector<long> counts{1, 3, 3, 1, 3, 1, 1, 3};
    const WeightedMargins all = weightedMargins(d, means, counts, 1, 2);
    EXPECT_EQ(all.count(1, 1), 4);
    EXPECT_EQ(all.countsA, (std::vector<long>{8, 8}));
    EXPECT_EQ(all.meansA, (std::vector<double>{40.0 / 8, 68.0 / 8}));
    EXPECT_EQ(all.meansB, (std::vector<double>{(2 + 12 + 12 + 6) / 8.0, (18 + 8 + 8 + 42) / 8.0}));
    EXPECT_EQ(all.grandMean, 108.0 / 16);
    // Level 2 of C only.
    const WeightedMargins panel = weightedMargins(d, means, counts, 1, 2, 3, 2);
    EXPECT_EQ(panel.meansA, (std::vector<double>{5, 12}));
    EXPECT_EQ(panel.total, 8);
    EXPECT_EQ(panel.grandMean, 8.5);

    // Counts that do not fit the values, or a value behind no score, are refused.
    EXPECT_THROW(weightedMargins(d, means, {1, 2, 3}, 1, 2), std::invalid_argument);
    std::vector<long> empty = counts;
    empty[4] = 0;
    EXPECT_THROW(weightedMargins(d, means, empty, 1, 2), std::invalid_argument);
    EXPECT_THROW(CellMeansBrowser(d, Scores(means.begin(), means.end()), {{1, 2}}, CellMeansMode::Means, false,
                                  CellWeights{{1, 2}, true, {}}),
                 std::invalid_argument);
}

TEST(PairSelector, ListsAndMessages)
{
    const Design four = nestedDesign({{"Alpha", 2}, {"Beta", 2}, {"Cue", 2}, {"Subj", 3}}, 4, {{'S', 'A'}});
    const PairSelector se(four, PairPurpose::SimpleEffects);
    // The nested subjects factor takes no part and does not take "All pairs" away.
    EXPECT_EQ(se.lines(), (std::vector<std::string>{"All pairs", "Alpha x Beta", "Alpha x Cue", "Beta x Cue"}));
    EXPECT_TRUE(se.asksUser());
    EXPECT_FALSE(se.unavailable());
    // Plots and tables offer the same pairs: the subjects factor takes part in neither.
    const PairSelector plots(four, PairPurpose::Graphs);
    EXPECT_EQ(plots.lines(), se.lines());
    const Design crossed = makeDesign({{"Alpha", 2}, {"Beta", 2}, {"Cue", 2}, {"Subj", 3}},
                                      AnovaType::RepeatedMeasures, 4);
    EXPECT_EQ(PairSelector(crossed, PairPurpose::Graphs).lines(), PairSelector(crossed, PairPurpose::Means).lines());
    EXPECT_EQ(PairSelector(crossed, PairPurpose::Graphs).pairs(), (std::vector<FactorPair>{{1, 2}, {1, 3}, {2, 3}}));

    const auto empty = se.choose({});
    ASSERT_FALSE(empty.ok());
    EXPECT_EQ(empty.error->title, "Select pairs of factors");
    EXPECT_EQ(empty.error->text, "Please indicate selection(s) by clicking");
    const auto both = se.choose({2, 0});
    ASSERT_FALSE(both.ok());
    EXPECT_EQ(both.error->title, "Selection Error!");
    EXPECT_EQ(both.error->text, "You have selected both 'All Pairs' and one or more specific pairs, which is a "
                                "contradiction.  Please click the unwanted choice(s) to de-select.");
    EXPECT_EQ(se.choose({0}).pairs, (std::vector<FactorPair>{{1, 2}, {1, 3}, {2, 3}}));
    EXPECT_EQ(se.choose({3, 1}).pairs, (std::vector<FactorPair>{{1, 2}, {2, 3}}));

    // Two substantive factors that are nested: "Not Available!"; more, all nested: "None Available!".
    const Design two = nestedDesign({{"Alpha", 2}, {"Beta", 2}, {"Subj", 3}}, 3, {{'B', 'A'}});
    const PairSelector notAvailable(two, PairPurpose::SimpleEffects);
    EXPECT_FALSE(notAvailable.asksUser());
    ASSERT_TRUE(notAvailable.unavailable());
    EXPECT_EQ(notAvailable.unavailable()->title, "Not Available!");
    EXPECT_EQ(notAvailable.unavailable()->text,
              "It is not appropriate to examine simple effects in this case.  Recall that the interaction between a "
              "nested factor and the factor under which it is nested is not defined.");
    // Tables of means keep the nested pair.
    EXPECT_EQ(PairSelector(two, PairPurpose::Means).pairs(), (std::vector<FactorPair>{{1, 2}}));

    const Design chain = nestedDesign({{"Alpha", 2}, {"Beta", 2}, {"Cue", 2}, {"Subj", 3}}, 4,
                                      {{'B', 'A'}, {'C', 'B'}, {'C', 'A'}});
    const auto noneAvailable = PairSelector(chain, PairPurpose::SimpleEffects).unavailable();
    ASSERT_TRUE(noneAvailable);
    EXPECT_EQ(noneAvailable->title, "None Available!");
    EXPECT_EQ(noneAvailable->text,
              "There are no pairs of factors for which examination of simple effects is appropriate.  Recall that "
              "the interaction between a nested factor and the factor under which it is nested is not defined.");
    const Design pairOnly = nestedDesign({{"Alpha", 2}, {"Beta", 2}}, 0, {{'B', 'A'}});
    const auto noGraphs = PairSelector(pairOnly, PairPurpose::Graphs).unavailable();
    ASSERT_TRUE(noGraphs);
    EXPECT_TRUE(noGraphs->text.starts_with("    Because of the specified nesting relationship, there are no "
                                           "two-way graphs to display.\n\r    The program will not show"))
        << noGraphs->text;

    // A two-factor design with its subjects factor offers its one pair, taken at once.
    const PairSelector single(makeDesign({{"Alpha", 2}, {"Subj", 3}}, AnovaType::RepeatedMeasures, 2),
                              PairPurpose::SimpleEffects);
    EXPECT_FALSE(single.asksUser());
    EXPECT_EQ(single.pairs(), (std::vector<FactorPair>{{1, 2}}));
}

}  // namespace
}  // namespace varisect
