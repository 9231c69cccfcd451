// SPDX-License-Identifier: GPL-3.0-or-later
// The vertical axis of the two-way plots: how its range is chosen for all plots ("Y-axis style"),
// the scale of a fixed range (how many major divisions), the number of ticks the user assigns,
// and the checks of bounds typed by the user with their messages.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "engine/prompts.h"

namespace varisect {

class Dialogs;

// How the plots get their vertical range.
enum class YAxisMode {
    OwnRange = 1,   // "Allow each plot to have its own range"
    DataRange = 2,  // "Force all plots to use a range based on all of the data"
    Entered = 3,    // "Force all plots to use limits to be entered"
};

inline constexpr const char* kOwnRangeCaption = "Allow each plot to have its own range";
inline constexpr const char* kDataRangeCaption = "Force all plots to use a range based on all of the data";
inline constexpr const char* kEnteredRangeCaption = "Force all plots to use limits to be entered";
// The explanation of the Y-axis style dialog, two paragraphs.
extern const char* const kAxisStyleExplanation1;
extern const char* const kAxisStyleExplanation2;

// The smallest and largest score of the data set.
struct DataRange {
    double min = 0;
    double max = 0;
};

// A fixed vertical scale: the range, and the number of major divisions (ticks - 1) and minor
// divisions per major one (1: no ticks between the major ones).
struct FixedScale {
    double min = 0;
    double max = 0;
    int majorDivisions = 1;
    int minorDivisions = 1;
};

// Rounds to the nearest whole number, halves to the even one (2.5 -> 2, 3.5 -> 4).
double roundHalfToEven(double x);

// The number of major divisions of the range min..max: span = max - min, or max alone when the
// range runs from below to above zero; k = floor(log10(span)); span / 10^k - 1 rounded, halves to
// even; at least 1 (a span of exactly a power of ten gives 0 by the formula). A span that is not
// positive gets 1.
int majorDivisions(double min, double max);
// The range with its divisions.
FixedScale fixedScale(double min, double max);

// The part of a plot's height kept free beyond its lowest and highest value drawn, so that a
// marker of `markerSize` pixels or the cap of a bar drawn with `lineWidth` there is whole.
double valuePadding(int markerSize, int lineWidth);

// The automatic linear scale of one plot: the values drawn (means with their bars) from `low` to
// `high`, padded by `pad` of their span at each end, then widened to whole multiples of a round
// step (1, 2, 2.5 or 5 times a power of ten) of which there are at most 8. A single value gets a
// range round it.
FixedScale automaticScale(double low, double high, double pad);

// A logarithmic scale: its bounds and the values at which it is labelled.
struct LogScale {
    double min = 1;
    double max = 10;
    std::vector<double> ticks;        // ascending, within min..max
    std::vector<std::string> labels;  // one for each tick (logTickLabels)
};
// The logarithmic scale of values from `low` to `high` (both above zero): padded by `pad` of the
// span of their logarithms at each end, then widened to the nearest round values of a series fine
// enough for that span (1, 2, 5 per decade over several decades, finer over less than one), so
// that the scale covers the values and not whole decades of empty space. Empty when `low` is not
// above zero.
std::optional<LogScale> logarithmicScale(double low, double high, double pad);
// The values a logarithmic scale is made for: the range forced on every plot of the set (all the
// data, or the limits entered), as on the linear scale, when there is one and it is above zero;
// else the values `drawn` in this plot.
DataRange logarithmicSpan(const DataRange& drawn, const std::optional<DataRange>& forced);
// The same bounds with the number of ticks the user assigned: `majorDivisions` + 1 ticks from the
// lower to the upper bound, evenly spaced in log units (the end ticks are the bounds themselves).
LogScale withAssignedTicks(const LogScale& scale, int majorDivisions);
// The labels of ascending positive tick values: each value to three significant digits, or more
// (up to six) where two neighbouring ticks would otherwise read alike; plain decimals from 0.0001
// to below a million, powers of ten beyond ("2.5e+07").
std::vector<std::string> logTickLabels(const std::vector<double>& ticks);

// The user's answer to "How many ticks (including the two end ticks)?": nothing to change (empty
// or cancelled), the message to show, or the new number of major divisions (ticks - 1).
struct TickAnswer {
    std::optional<int> majorDivisions;
    std::optional<Message> problem;
};
TickAnswer readTickCount(const std::optional<std::string>& answer);
inline constexpr const char* kTicksTitle = "Please enter the number of ticks";
inline constexpr const char* kTicksPrompt = "How many ticks (including the two end ticks)?";

// Bounds typed by the user.
struct Bounds {
    double lower = 0;
    double upper = 0;
};

// "Input Error!": the upper bound is not above the lower one.
Message boundsOrderMessage();
// True when a score lies outside the bounds.
bool dataOutside(const DataRange& range, const Bounds& bounds);
// "Possible Problem!" for the bounds of all plots (Yes: use the data range instead) and for the
// bounds of one plot (Yes: keep the default scale).
Message boundsForAllPlotsQuestion();
Message boundsForOnePlotQuestion();

inline constexpr const char* kAllPlotsBoundsTitle = "Please enter the bounds to be used for all of the plots.  ";
inline constexpr const char* kOnePlotLowerTitle = "Please enter the bounds to be used for the plot.  ";
inline constexpr const char* kOnePlotUpperTitle = "Please enter the bounds to be used for the plot:  ";
inline constexpr const char* kLowerBoundPrompt = "Lower Bound";
inline constexpr const char* kUpperBoundPrompt = "Upper Bound";

// The Y-axis style chosen: the mode, with the bounds when it is Entered.
struct AxisChoice {
    YAxisMode mode = YAxisMode::OwnRange;
    Bounds bounds;
};

// The dialogue behind choosing "Force all plots to use limits to be entered": the two bounds are
// asked (again after "Input Error!"); an empty or cancelled answer falls back to the data range;
// scores outside the bounds bring the "Possible Problem!" question, whose Yes also falls back to
// the data range.
AxisChoice askBoundsForAllPlots(Dialogs& dialogs, const DataRange& range);

// "&Designate Min and Max": the bounds of one plot, or nothing (cancelled, or Yes to keeping the
// default scale).
std::optional<Bounds> askBoundsForOnePlot(Dialogs& dialogs, const DataRange& range);

}  // namespace varisect
