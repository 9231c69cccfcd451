// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the "Two-way Plot" window: what a plot request holds, what one plot shows (the
// categories, the series with their names, the title, error bars on the means), and the plot
// list walked with "&Next set", flipped and split into panels for a third factor. The window
// draws `plot()` and shows the messages returned here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/prompts.h"
#include "graphs/plotaxis.h"
#include "means/pairselector.h"

namespace varisect {

inline constexpr const char* kGrapherTitle = "Two-way Plot";
inline constexpr const char* kUnweightedMarker = "Unweighted **";

// What the plotted values are: cell means, or the cell sizes of an unequal-cell-size design
// while its test for random attrition is pending.
enum class PlotValues { CellMeans, CellSizes };

// Where the pairs come from: the pair selector (or the one pair there is), every pair without
// asking, or the pairs given.
enum class PlotPairs { Ask, All, Given };

// Bars drawn on the means (off unless chosen in the window's menu).
enum class ErrorBars { None, StandardError, Confidence95 };

// Everything the plot window needs, as values: it keeps its own copies.
struct PlotRequest {
    Design design;
    Scores scores;  // one per cell of `design`
    PlotPairs which = PlotPairs::Ask;
    // PlotPairs::Given: the pairs in order; the first factor of each is drawn along the
    // horizontal axis (it need not be the lower-numbered one).
    std::vector<FactorPair> pairs;
    bool useLevelLabels = false;
    PlotValues values = PlotValues::CellMeans;
    bool unweighted = false;  // after an unweighted-means analysis: "Unweighted **" after the title
    // The smallest and largest score of the data set; empty: those of `scores`.
    std::optional<DataRange> range;
    YAxisMode axisMode = YAxisMode::OwnRange;
    std::string problemLabel;
};

// The smallest and largest of the scores (0..0 for none).
DataRange rangeOf(const Scores& scores);

// The series name of a level: the level label when labels are in use and it is not empty, else
// the first letter of the factor's name and the level number in parentheses ("B(2)").
std::string seriesName(const Design& design, int factor, int level, bool useLevelLabels);

// "Cell Means for " (or "Cell Sizes for ") + name(x) + " x " + name(s); for a panel ", for " +
// the third factor's name + " - " + its level; after an unweighted-means analysis two blanks and
// "Unweighted **".
std::string plotTitle(const Design& design, int xFactor, int seriesFactor, PlotValues values, bool unweighted,
                      int panelFactor = 0, const std::string& panelLevel = {});

// True when the bars of (x, s) are within-subject bars: a repeated-measures design whose
// subjects factor is neither of the two nor the panel factor, and crossed with both.
bool withinSubjectBars(const Design& design, int xFactor, int seriesFactor, int panelFactor = 0);

// The half-lengths of the bars on the means of x (levels i) by s (levels j), at (j - 1) * Lx +
// (i - 1), over all scores or at level `panelLevel` of `panelFactor`. Between subjects a cell's
// bar comes from the scores behind its mean: the standard error sd / sqrt(n) or t(.975, n - 1)
// times it. Within subjects (see withinSubjectBars) each subject's mean over the plotted cells is
// taken out and the grand mean put back before the cell's sd is taken over the subjects
// (Cousineau), its variance multiplied by C / (C - 1) for the C = Lx * Ls plotted cells (Morey).
// NaN where a bar cannot be formed (fewer than two scores or subjects). Throws
// std::invalid_argument as PairMeans does.
std::vector<double> errorBarLengths(const Design& design, const Scores& scores, int xFactor, int seriesFactor,
                                    ErrorBars kind, int panelFactor = 0, int panelLevel = 0);

// One line of the plot: a level of the series factor.
struct PlotSeries {
    std::string name;
    std::vector<double> values;  // one per category
    std::vector<double> errors;  // empty, or one bar half-length per category (NaN: none)
};

// One plot as the window draws it.
struct PlotData {
    int xFactor = 0;       // 1-based; its levels are the categories
    int seriesFactor = 0;  // its levels are the series
    int panelFactor = 0;   // 0: all the data
    int panelLevel = 0;
    std::string title;
    std::string xFactorName;
    std::string seriesFactorName;
    std::vector<std::string> categories;
    std::vector<PlotSeries> series;
    ErrorBars bars = ErrorBars::None;

    // The smallest and largest value drawn, bars included.
    DataRange valueRange() const;
};

PlotData buildPlot(const PlotRequest& request, int xFactor, int seriesFactor, ErrorBars bars, int panelFactor = 0,
                   int panelLevel = 0);

// The message after the last plot of the list.
Message graphsShownMessage();

// The state of the open window.
class PlotBrowser {
public:
    // `pairs` not empty (throws std::invalid_argument otherwise).
    PlotBrowser(PlotRequest request, std::vector<FactorPair> pairs);

    const PlotRequest& request() const { return request_; }
    const PlotData& plot() const { return plot_; }
    int plotNumber() const { return index_ + 1; }
    int plotCount() const { return static_cast<int>(pairs_.size()); }
    DataRange dataRange() const { return range_; }

    // "&Next set": the next pair, unflipped and without panels; after the last one the message
    // "The requested set of graphs has been shown." and the plot stays.
    std::optional<Message> nextSet();

    // "F&lip" / "Re&vert": the two factors change roles.
    void flip();
    bool flipped() const { return flipped_; }

    // The panels: the third factor is the lowest-numbered of panelFactors (never the subjects or
    // replicates factor); 0 when there is none, and the panels button is then disabled.
    int panelFactor() const;
    bool panelsShown() const { return plot_.panelFactor != 0; }
    // "Show &Panels for third factor": level 1 of the third factor.
    void showPanels();
    // "Next &Level": the next level; after the last one all the data again.
    void nextLevel();

    void setErrorBars(ErrorBars bars);
    ErrorBars errorBars() const { return bars_; }

private:
    void redraw();

    PlotRequest request_;
    std::vector<FactorPair> pairs_;
    DataRange range_;
    int index_ = 0;
    bool flipped_ = false;
    int panelFactor_ = 0;
    int panelLevel_ = 0;
    ErrorBars bars_ = ErrorBars::None;
    PlotData plot_;
};

}  // namespace varisect
