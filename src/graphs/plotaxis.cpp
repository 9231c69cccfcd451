// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphs/plotaxis.h"

#include <cmath>

#include "engine/numbertext.h"
#include "platform/dialogs.h"

namespace varisect {

const char* const kAxisStyleExplanation1 =
    "    Because more than one plot will be drawn for this data set, you may wish to depart from the standard "
    "method used to specify the Y-axis. The standard approach uses the range of the cell means being plotted to "
    "determine the range for a plot.  This method allows each plot to have a scale keyed to the values in it.";
const char* const kAxisStyleExplanation2 =
    "    The other two methods force all of the plots to use the same range.  These methods facilitate comparison "
    "across plots.  You may either use the overall range of the data to determine the range for the plots, or you "
    "may specify particular values to determine the range (for example, the end points of a response scale might "
    "be used).";

namespace {

// More ticks than this cannot be told apart on any screen or page.
constexpr int kMostTicks = 101;

bool blank(const std::optional<std::string>& answer)
{
    return !answer || answer->find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

double roundHalfToEven(double x)
{
    const double down = std::floor(x);
    const double fraction = x - down;
    if (fraction < 0.5)
        return down;
    if (fraction > 0.5)
        return down + 1;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

int majorDivisions(double min, double max)
{
    const double span = (min < 0 && max > 0) ? max : max - min;
    if (!(span > 0) || !std::isfinite(span))
        return 1;
    const double k = std::floor(std::log10(span));
    const double divisions = roundHalfToEven(span / std::pow(10.0, k) - 1);
    return divisions < 1 ? 1 : static_cast<int>(divisions);
}

FixedScale fixedScale(double min, double max)
{
    return FixedScale{min, max, majorDivisions(min, max), 1};
}

TickAnswer readTickCount(const std::optional<std::string>& answer)
{
    TickAnswer out;
    if (blank(answer))
        return out;
    const double ticks = roundHalfToEven(parseNumber(*answer));
    if (ticks < 3) {
        out.problem = Message{"Input Error!", "There must be at least three ticks (counting the two end ticks).",
                              MessageButtons::Ok, MessageIcon::Exclamation};
        return out;
    }
    if (ticks > kMostTicks) {
        out.problem = Message{"Input Error!",
                              "There can be at most " + std::to_string(kMostTicks) +
                                  " ticks (counting the two end ticks).",
                              MessageButtons::Ok, MessageIcon::Exclamation};
        return out;
    }
    out.majorDivisions = static_cast<int>(ticks) - 1;
    return out;
}

Message boundsOrderMessage()
{
    return Message{"Input Error!",
                   "The upper bound must be a larger number than the lower bound.  Please re-enter the end points.",
                   MessageButtons::Ok, MessageIcon::Exclamation};
}

bool dataOutside(const DataRange& range, const Bounds& bounds)
{
    return range.min < bounds.lower || range.max > bounds.upper;
}

Message boundsForAllPlotsQuestion()
{
    return Message{"Possible Problem!",
                   "   At least one of the scores is outside of the bounds specified.  This can produce a peculiar "
                   "graph.  Do you want to try a different method of range determination?",
                   MessageButtons::YesNo, MessageIcon::Question};
}

Message boundsForOnePlotQuestion()
{
    return Message{"Possible Problem!",
                   "   At least one of the scores is outside of the bounds specified.  This can produce a peculiar "
                   "graph, although it need not do so if the means are within bounds.\r"
                   "   The program's default method avoids that problem.  Do you want to use the default method?",
                   MessageButtons::YesNo, MessageIcon::Question};
}

namespace {

// The two bounds, asked until they are in order; empty when an answer was empty or cancelled.
std::optional<Bounds> askBounds(Dialogs& dialogs, const char* lowerTitle, const char* upperTitle)
{
    for (;;) {
        const auto lower = dialogs.inputBox(lowerTitle, kLowerBoundPrompt);
        if (blank(lower))
            return std::nullopt;
        const auto upper = dialogs.inputBox(upperTitle, kUpperBoundPrompt);
        if (blank(upper))
            return std::nullopt;
        const Bounds bounds{parseNumber(*lower), parseNumber(*upper)};
        if (std::isfinite(bounds.lower) && std::isfinite(bounds.upper) && bounds.upper > bounds.lower)
            return bounds;
        dialogs.message(boundsOrderMessage());
    }
}

}  // namespace

AxisChoice askBoundsForAllPlots(Dialogs& dialogs, const DataRange& range)
{
    const auto bounds = askBounds(dialogs, kAllPlotsBoundsTitle, kAllPlotsBoundsTitle);
    if (!bounds)
        return AxisChoice{YAxisMode::DataRange, {}};
    if (dataOutside(range, *bounds) && dialogs.message(boundsForAllPlotsQuestion()) == DialogAnswer::Yes)
        return AxisChoice{YAxisMode::DataRange, {}};
    return AxisChoice{YAxisMode::Entered, *bounds};
}

std::optional<Bounds> askBoundsForOnePlot(Dialogs& dialogs, const DataRange& range)
{
    const auto bounds = askBounds(dialogs, kOnePlotLowerTitle, kOnePlotUpperTitle);
    if (!bounds)
        return std::nullopt;
    if (dataOutside(range, *bounds) && dialogs.message(boundsForOnePlotQuestion()) == DialogAnswer::Yes)
        return std::nullopt;
    return bounds;
}

}  // namespace varisect
