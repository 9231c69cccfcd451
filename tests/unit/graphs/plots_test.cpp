// SPDX-License-Identifier: GPL-3.0-or-later
// The two-way plots without windows: the scale of the vertical axis, the tick count and the
// bounds dialogues, the texts of a plot, the plot list, and the error bars against hand-worked
// values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>

#include "graphs/plotaxis.h"
#include "graphs/twowayplot.h"
#include "platform/dialogs.h"

namespace varisect {
namespace {

// Input boxes and questions answered from queues, every one of them recorded.
class Script : public Dialogs {
public:
    DialogAnswer message(const Message& m, std::optional<DialogAnswer> = {}) override
    {
        shown.push_back(m.title + "|" + m.text);
        if (answers.empty())
            return DialogAnswer::Ok;
        const DialogAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> inputBox(const std::string& title, const std::string& prompt,
                                        const std::string& = {}) override
    {
        shown.push_back(title + "|" + prompt);
        if (inputs.empty())
            return std::nullopt;
        auto a = inputs.front();
        inputs.pop_front();
        return a;
    }
    std::optional<std::string> openFile(const FileDialogOptions&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const FileDialogOptions&) override { return std::nullopt; }

    std::deque<std::optional<std::string>> inputs;
    std::deque<DialogAnswer> answers;
    std::vector<std::string> shown;
};

Design design(const std::vector<std::pair<std::string, int>>& factors)
{
    Design d;
    for (const auto& [name, levels] : factors)
        d.factors.push_back(Factor{name, name[0], levels, {}});
    return d;
}

TEST(PlotAxis, MajorDivisionsFollowTheSpanWithHalvesToEvenAndAtLeastOne)
{
    EXPECT_EQ(majorDivisions(12, 62), 4);   // span 50: 5 - 1
    EXPECT_EQ(majorDivisions(-5, 30), 2);   // across zero the span is the maximum: 3 - 1
    EXPECT_EQ(majorDivisions(0, 35), 2);    // 2.5 -> 2
    EXPECT_EQ(majorDivisions(0, 45), 4);    // 3.5 -> 4
    EXPECT_EQ(majorDivisions(0, 99), 9);    // 8.9 -> 9
    EXPECT_EQ(majorDivisions(0, 10), 1);    // a power of ten gives 0 by the formula
    EXPECT_EQ(majorDivisions(3, 3.1), 1);   // span .1
    EXPECT_EQ(majorDivisions(-40, -12), 2); // below zero: max - min = 28
    EXPECT_EQ(majorDivisions(7, 7), 1);     // no span at all
    const FixedScale s = fixedScale(12, 62);
    EXPECT_EQ(s.min, 12);
    EXPECT_EQ(s.max, 62);
    EXPECT_EQ(s.minorDivisions, 1);
}

TEST(PlotAxis, AutomaticRangesKeepTheEndMarkersAndBarsWhole)
{
    const double pad = valuePadding(7, 2);
    EXPECT_GE(pad, 0.05);
    EXPECT_GT(valuePadding(40, 2), pad);  // a larger marker needs more room
    // Means 10 to 21.6 (a round lowest mean, which nice numbers alone would put on the axis).
    for (auto [low, high] : {std::pair{10.0, 21.6}, {10.0, 20.0}, {0.0, 1.0}, {-3.0, -1.0}, {-2.5, 7.5},
                             {1e6, 1e6 + 3}, {0.001, 0.002}}) {
        const FixedScale s = automaticScale(low, high, pad);
        const double room = pad * (high - low);
        EXPECT_LE(s.min, low - room * 0.999) << low << ".." << high;
        EXPECT_GE(s.max, high + room * 0.999) << low << ".." << high;
        // Not more than the round numbers need: less than twice the padded span, 1 to 8 steps.
        EXPECT_LT(s.max - s.min, 2.2 * (high - low + 2 * room)) << low << ".." << high;
        EXPECT_GE(s.majorDivisions, 1);
        EXPECT_LE(s.majorDivisions, 8);
    }
    const FixedScale means = automaticScale(10, 21.6, 0.05);
    EXPECT_DOUBLE_EQ(means.min, 7.5);
    EXPECT_DOUBLE_EQ(means.max, 22.5);
    EXPECT_EQ(means.majorDivisions, 6);
    // One value: a range round it; no value at all is never an empty range.
    const FixedScale one = automaticScale(7, 7, pad);
    EXPECT_LT(one.min, 7);
    EXPECT_GT(one.max, 7);
    const FixedScale zero = automaticScale(0, 0, pad);
    EXPECT_LT(zero.min, 0);
    EXPECT_GT(zero.max, 0);
    EXPECT_LT(automaticScale(NAN, 3, pad).min, automaticScale(NAN, 3, pad).max);
}

TEST(PlotAxis, LogarithmicBoundsComeFromTheDataNotWholeDecades)
{
    // Means 10 to 21.6 once ran on a 10 to 100 axis, three quarters of it empty.
    const auto s = logarithmicScale(10, 21.6, 0.05);
    ASSERT_TRUE(s);
    EXPECT_DOUBLE_EQ(s->min, 9);
    EXPECT_DOUBLE_EQ(s->max, 25);
    EXPECT_EQ(s->ticks.front(), s->min);
    EXPECT_EQ(s->ticks.back(), s->max);
    EXPECT_NE(std::find(s->ticks.begin(), s->ticks.end(), 10.0), s->ticks.end());
    // Three decades of values: 1, 2, 5 a decade, a little beyond the values at each end.
    const auto wide = logarithmicScale(1, 1000, 0.05);
    ASSERT_TRUE(wide);
    EXPECT_DOUBLE_EQ(wide->min, 0.5);
    EXPECT_DOUBLE_EQ(wide->max, 2000);
    EXPECT_EQ(wide->ticks.size(), 12u);  // .5 1 2 5 10 ... 2000
    for (auto [low, high] : {std::pair{0.02, 0.03}, {3.0, 3.0}, {1.0, 1e9}, {123.0, 4567.0}}) {
        const auto r = logarithmicScale(low, high, 0.05);
        ASSERT_TRUE(r) << low;
        EXPECT_LT(r->min, low) << low;
        EXPECT_GT(r->max, high) << high;
        EXPECT_LT(std::log10(r->max / r->min), std::log10(high / low) * 1.6 + 0.3) << low << ".." << high;
        EXPECT_TRUE(std::is_sorted(r->ticks.begin(), r->ticks.end()));
        EXPECT_GE(r->ticks.size(), 2u) << low << ".." << high;
    }
    // Values at or below zero have no logarithmic scale.
    EXPECT_FALSE(logarithmicScale(0, 5, 0.05));
    EXPECT_FALSE(logarithmicScale(-1, 5, 0.05));
    // A range forced on every plot spans the scale when it is above zero; one reaching zero or
    // below cannot, and the plot's own values do.
    const DataRange drawn{12, 20};
    EXPECT_EQ(logarithmicSpan(drawn, DataRange{10, 26}).max, 26);
    EXPECT_EQ(logarithmicSpan(drawn, DataRange{0, 30}).min, 12);
    EXPECT_EQ(logarithmicSpan(drawn, std::nullopt).max, 20);
}

// "How many ticks" on a logarithmic scale: that many from the lower to the upper bound, evenly
// spaced in log units, each labelled legibly and every label its own.
TEST(PlotAxis, AssignedTicksOnALogScaleAreEvenInLogUnits)
{
    const auto s = logarithmicScale(10, 21.6, 0.05);  // 9 to 25
    ASSERT_TRUE(s);
    const LogScale five = withAssignedTicks(*s, 4);
    EXPECT_EQ(five.min, s->min);
    EXPECT_EQ(five.max, s->max);
    ASSERT_EQ(five.ticks.size(), 5u);
    EXPECT_EQ(five.ticks.front(), 9);
    EXPECT_EQ(five.ticks.back(), 25);
    for (std::size_t i = 1; i < five.ticks.size(); ++i)
        EXPECT_NEAR(std::log10(five.ticks[i] / five.ticks[i - 1]), std::log10(25.0 / 9) / 4, 1e-12) << i;
    // 9 * (25/9)^(k/4): 11.619, 15, 19.365.
    EXPECT_EQ(five.labels, (std::vector<std::string>{"9", "11.6", "15", "19.4", "25"}));

    const auto wide = logarithmicScale(1, 1000, 0.05);  // 0.5 to 2000
    ASSERT_TRUE(wide);
    EXPECT_EQ(withAssignedTicks(*wide, 2).labels, (std::vector<std::string>{"0.5", "31.6", "2000"}));

    // The most ticks allowed over the narrowest scale (a tenth of a decade round one value).
    const auto one = logarithmicScale(3, 3, 0.05);
    ASSERT_TRUE(one);
    const LogScale most = withAssignedTicks(*one, 100);
    ASSERT_EQ(most.ticks.size(), 101u);
    ASSERT_EQ(most.labels.size(), 101u);
    EXPECT_TRUE(std::adjacent_find(most.ticks.begin(), most.ticks.end(), std::greater_equal<>()) == most.ticks.end());
    EXPECT_TRUE(std::adjacent_find(most.labels.begin(), most.labels.end()) == most.labels.end());

    // More digits only where neighbours would read alike; powers of ten for the very large.
    EXPECT_EQ(logTickLabels({1.0001, 1.0002, 2}), (std::vector<std::string>{"1.0001", "1.0002", "2"}));
    EXPECT_EQ(logTickLabels({0.000125, 2.5e7, 1e9}), (std::vector<std::string>{"0.000125", "2.5e+07", "1e+09"}));
    EXPECT_EQ(logTickLabels({9.996, 99.96}), (std::vector<std::string>{"10", "100"}));
}

TEST(PlotAxis, TickCountAtLeastThree)
{
    EXPECT_EQ(readTickCount("3").majorDivisions, 2);
    EXPECT_EQ(readTickCount(" 11 ").majorDivisions, 10);
    for (const char* refused : {"2", "0", "-4", "abc"}) {
        const TickAnswer a = readTickCount(std::string(refused));
        ASSERT_TRUE(a.problem) << refused;
        EXPECT_FALSE(a.majorDivisions);
        EXPECT_EQ(a.problem->title, "Input Error!");
        EXPECT_EQ(a.problem->text, "There must be at least three ticks (counting the two end ticks).");
    }
    EXPECT_TRUE(readTickCount("100000").problem);  // more ticks than can be told apart
    for (const auto& nothing : {std::optional<std::string>{}, std::optional<std::string>{"  "}}) {
        const TickAnswer a = readTickCount(nothing);
        EXPECT_FALSE(a.problem);
        EXPECT_FALSE(a.majorDivisions);
    }
}

TEST(PlotAxis, BoundsForAllPlots)
{
    const DataRange range{12, 62};
    {   // Equal bounds are refused and asked again; then bounds round the data are taken.
        Script s;
        s.inputs = {"5", "5", "10", "70"};
        const AxisChoice c = askBoundsForAllPlots(s, range);
        EXPECT_EQ(c.mode, YAxisMode::Entered);
        EXPECT_EQ(c.bounds.lower, 10);
        EXPECT_EQ(c.bounds.upper, 70);
        ASSERT_EQ(s.shown.size(), 5u);
        EXPECT_EQ(s.shown[0], std::string(kAllPlotsBoundsTitle) + "|Lower Bound");
        EXPECT_EQ(s.shown[1], std::string(kAllPlotsBoundsTitle) + "|Upper Bound");
        EXPECT_EQ(s.shown[2], "Input Error!|The upper bound must be a larger number than the lower bound.  "
                              "Please re-enter the end points.");
    }
    {   // An empty answer falls back to the data range.
        Script s;
        s.inputs = {"10", ""};
        EXPECT_EQ(askBoundsForAllPlots(s, range).mode, YAxisMode::DataRange);
    }
    {   // Scores outside: Yes tries another method, No keeps the bounds.
        Script s;
        s.inputs = {"20", "50", "20", "50"};
        s.answers = {DialogAnswer::Yes, DialogAnswer::No};
        EXPECT_EQ(askBoundsForAllPlots(s, range).mode, YAxisMode::DataRange);
        EXPECT_EQ(s.shown.back(), "Possible Problem!|   At least one of the scores is outside of the bounds "
                                  "specified.  This can produce a peculiar graph.  Do you want to try a different "
                                  "method of range determination?");
        EXPECT_EQ(askBoundsForAllPlots(s, range).mode, YAxisMode::Entered);
    }
}

TEST(PlotAxis, BoundsForOnePlot)
{
    const DataRange range{12, 62};
    Script s;
    s.inputs = {"0", "100", "20", "50", "20", "50"};
    s.answers = {DialogAnswer::Yes, DialogAnswer::No};
    const auto inside = askBoundsForOnePlot(s, range);
    ASSERT_TRUE(inside);
    EXPECT_EQ(inside->upper, 100);
    EXPECT_EQ(s.shown[0], "Please enter the bounds to be used for the plot.  |Lower Bound");
    EXPECT_EQ(s.shown[1], "Please enter the bounds to be used for the plot:  |Upper Bound");
    EXPECT_FALSE(askBoundsForOnePlot(s, range));  // Yes: the default method
    EXPECT_TRUE(s.shown.back().ends_with("graph, although it need not do so if the means are within bounds.\r"
                                         "   The program's default method avoids that problem.  Do you want to "
                                         "use the default method?"));
    EXPECT_TRUE(askBoundsForOnePlot(s, range));  // No: the bounds
}

TEST(TwoWayPlot, LabelsAndTitles)
{
    Design d = design({{"Drug", 2}, {"Blocks", 3}, {"Time", 2}});
    EXPECT_EQ(seriesName(d, 2, 2, false), "B(2)");
    d.factors[1].levelLabels = {"low", "", "high"};
    EXPECT_EQ(seriesName(d, 2, 3, true), "high");
    EXPECT_EQ(seriesName(d, 2, 2, true), "B(2)");  // an empty label
    EXPECT_EQ(seriesName(d, 2, 3, false), "B(3)");
    EXPECT_EQ(plotTitle(d, 1, 2, PlotValues::CellMeans, false), "Cell Means for Drug x Blocks");
    EXPECT_EQ(plotTitle(d, 2, 1, PlotValues::CellSizes, false), "Cell Sizes for Blocks x Drug");
    EXPECT_EQ(plotTitle(d, 1, 2, PlotValues::CellMeans, true, 3, "2"),
              "Cell Means for Drug x Blocks, for Time - 2  Unweighted **");

    // The plot list: categories and series, flip, panels, the end of the set.
    PlotRequest r;
    r.design = d;
    r.useLevelLabels = true;
    for (int k = 0; k < 12; ++k)
        r.scores.push_back(float(k));
    PlotBrowser b(r, {{1, 2}, {1, 3}});
    EXPECT_EQ(b.dataRange().max, 11);
    EXPECT_EQ(b.plot().categories, (std::vector<std::string>{"1", "2"}));
    ASSERT_EQ(b.plot().series.size(), 3u);
    EXPECT_EQ(b.plot().series[2].name, "high");
    // Drug 2, Blocks 3: positions 2 + 4 = 6 (Time 1) and 12 (Time 2): scores 5 and 11.
    EXPECT_DOUBLE_EQ(b.plot().series[2].values[1], 8.0);
    b.flip();
    EXPECT_EQ(b.plot().title, "Cell Means for Blocks x Drug");
    EXPECT_EQ(b.plot().categories, (std::vector<std::string>{"low", "2", "high"}));
    b.showPanels();
    EXPECT_EQ(b.plot().title, "Cell Means for Blocks x Drug, for Time - 1");
    EXPECT_DOUBLE_EQ(b.plot().series[1].values[2], 5.0);
    b.nextLevel();
    EXPECT_EQ(b.plot().panelLevel, 2);
    b.nextLevel();
    EXPECT_FALSE(b.panelsShown());
    EXPECT_FALSE(b.nextSet());
    EXPECT_FALSE(b.flipped());
    EXPECT_EQ(b.plot().title, "Cell Means for Drug x Time");
    EXPECT_EQ(b.panelFactor(), 2);
    const auto end = b.nextSet();
    ASSERT_TRUE(end);
    EXPECT_EQ(end->title, "Cell Means");
    EXPECT_EQ(end->text, "The requested set of graphs has been shown.");
    EXPECT_EQ(b.plotNumber(), 2);
}

// The panels split a plot by a third substantive factor, as the tables of cell means do: never by
// the subjects (or replicates) factor, even when it is the lowest-numbered factor left.
TEST(TwoWayPlot, PanelsNeverSplitBySubjects)
{
    PlotRequest r;
    r.design = design({{"Subj", 2}, {"Drug", 2}, {"Time", 2}, {"Cue", 2}});
    r.design.anovaType = AnovaType::RepeatedMeasures;
    r.design.designatedFactor = 1;
    for (int k = 0; k < 16; ++k)
        r.scores.push_back(float(k));
    PlotBrowser b(r, {{2, 3}});
    EXPECT_EQ(b.panelFactor(), 4);
    b.showPanels();
    EXPECT_EQ(b.plot().title, "Cell Means for Drug x Time, for Cue - 1");
    EXPECT_EQ(panelFactors(r.design, {2, 3}), (std::vector<int>{4}));

    // Subjects and two factors: nothing to split by, and asking for panels changes nothing.
    r.design = design({{"Subj", 2}, {"Drug", 2}, {"Time", 2}});
    r.design.anovaType = AnovaType::RepeatedMeasures;
    r.design.designatedFactor = 1;
    r.scores.resize(8);
    PlotBrowser three(r, {{2, 3}});
    EXPECT_EQ(three.panelFactor(), 0);
    three.showPanels();
    EXPECT_FALSE(three.panelsShown());
    EXPECT_EQ(three.plot().title, "Cell Means for Drug x Time");
}

TEST(TwoWayPlot, ErrorBarsAgainstHandWorkedValues)
{
    // A (2) x B (2) x S (3), A cycling fastest; per subject the cells a1b1, a2b1, a1b2, a2b2.
    Design d = design({{"A", 2}, {"B", 2}, {"S", 3}});
    d.designatedFactor = 3;
    const Scores scores{3, 5, 4, 8, 6, 7, 6, 11, 2, 6, 5, 9};
    const double t2 = 4.302652729911275;  // t(.975, 2)

    // Independent groups: sd / sqrt(n) of the three scores of a cell (a1b1: 3, 6, 2).
    d.anovaType = AnovaType::IndependentGroups;
    EXPECT_FALSE(withinSubjectBars(d, 1, 2));
    auto se = errorBarLengths(d, scores, 1, 2, ErrorBars::StandardError);
    const double between[] = {1.2018504251546631, 0.5773502691896258, 0.5773502691896258, 0.881917103688197};
    for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(se[size_t(c)], between[c], 1e-12) << c;
    auto ci = errorBarLengths(d, scores, 1, 2, ErrorBars::Confidence95);
    EXPECT_NEAR(ci[0], between[0] * t2, 1e-9);

    // Repeated measures: Cousineau's normalisation, Morey's C / (C - 1) with C = 4.
    d.anovaType = AnovaType::RepeatedMeasures;
    EXPECT_TRUE(withinSubjectBars(d, 1, 2));
    EXPECT_FALSE(withinSubjectBars(d, 1, 2, 3));  // panels by subject
    se = errorBarLengths(d, scores, 1, 2, ErrorBars::StandardError);
    const double within[] = {0.693888666488711, 1.0 / 3, 1.0 / 3, 0.19245008972987526};
    for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(se[size_t(c)], within[c], 1e-12) << c;
    ci = errorBarLengths(d, scores, 1, 2, ErrorBars::Confidence95);
    EXPECT_NEAR(ci[3], within[3] * t2, 1e-9);

    // Subjects nested under A: not within-subject bars.
    d.nested = true;
    d.nestingMatrix = {{'S', 'A'}};
    EXPECT_FALSE(withinSubjectBars(d, 1, 2));
    // One score behind a cell: no bar.
    const auto single = errorBarLengths(d, scores, 1, 2, ErrorBars::StandardError, 3, 1);
    EXPECT_TRUE(std::isnan(single[0]));
}

}  // namespace
}  // namespace varisect
