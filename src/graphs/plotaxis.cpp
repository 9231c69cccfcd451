// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphs/plotaxis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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

double valuePadding(int markerSize, int lineWidth)
{
    // The smallest plot area the window allows is about 250 pixels high.
    constexpr double smallestPlotHeight = 250;
    const double pixels = std::max(0, markerSize) / 2.0 + std::max(0, lineWidth) + 2;
    return std::clamp(pixels / smallestPlotHeight, 0.05, 0.25);
}

FixedScale automaticScale(double low, double high, double pad)
{
    if (!std::isfinite(low) || !std::isfinite(high))
        return FixedScale{0, 1, 1, 1};
    if (high < low)
        std::swap(low, high);
    if (!(high > low)) {
        // One value only: a range round it.
        const double half = low == 0 ? 1.0 : std::abs(low) * 0.1;
        low -= half;
        high += half;
    } else {
        const double span = high - low;
        low -= pad * span;
        high += pad * span;
    }
    const double span = high - low;
    const double magnitude = std::pow(10.0, std::floor(std::log10(span / 5)));
    double step = 10 * magnitude;
    for (double m : {1.0, 2.0, 2.5, 5.0}) {
        if (span / (m * magnitude) <= 6) {
            step = m * magnitude;
            break;
        }
    }
    const double min = std::floor(low / step) * step;
    const double max = std::ceil(high / step) * step;
    const int divisions = std::max(1, static_cast<int>(std::lround((max - min) / step)));
    return FixedScale{min == 0 ? 0.0 : min, max == 0 ? 0.0 : max, divisions, 1};
}

std::optional<LogScale> logarithmicScale(double low, double high, double pad)
{
    if (!(low > 0) || !std::isfinite(low) || !std::isfinite(high))
        return std::nullopt;
    if (high < low)
        std::swap(low, high);
    double a = std::log10(low);
    double b = std::log10(high);
    const bool one = !(b > a);
    const double span = one ? 0.1 : b - a;  // one value: a tenth of a decade round it
    a -= (one ? 0.5 : pad) * span;
    b += (one ? 0.5 : pad) * span;
    const double decades = b - a;
    // Round values of each decade, finer the fewer decades the scale spans.
    std::vector<double> mantissas;
    if (decades <= 0.5)
        mantissas = {1, 1.2, 1.4, 1.6, 1.8, 2, 2.5, 3, 3.5, 4, 5, 6, 7, 8, 9};
    else if (decades <= 1.2)
        mantissas = {1, 1.5, 2, 3, 4, 5, 7};
    else if (decades <= 4)
        mantissas = {1, 2, 5};
    else
        mantissas = {1};
    // Candidates from the decade below the lower bound to the one above the upper bound.
    const int first = static_cast<int>(std::floor(a)) - 1;
    const int last = static_cast<int>(std::ceil(b)) + 1;
    std::vector<double> candidates;
    for (int k = first; k <= last; ++k)
        for (double m : mantissas)
            candidates.push_back(m * std::pow(10.0, k));
    const double lower = std::pow(10.0, a);
    const double upper = std::pow(10.0, b);
    LogScale scale;
    // A value within a part in a million of a candidate counts as on it (no floor of 9.99999).
    const auto below = std::find_if(candidates.rbegin(), candidates.rend(),
                                    [&](double c) { return c <= lower * (1 + 1e-6); });
    const auto above = std::find_if(candidates.begin(), candidates.end(),
                                    [&](double c) { return c >= upper * (1 - 1e-6); });
    scale.min = below != candidates.rend() ? *below : lower;
    scale.max = above != candidates.end() ? *above : upper;
    for (double c : candidates)
        if (c >= scale.min && c <= scale.max)
            scale.ticks.push_back(c);
    scale.labels = logTickLabels(scale.ticks);
    return scale;
}

DataRange logarithmicSpan(const DataRange& drawn, const std::optional<DataRange>& forced)
{
    if (forced && forced->min > 0 && forced->max >= forced->min && std::isfinite(forced->max))
        return *forced;
    return drawn;
}

LogScale withAssignedTicks(const LogScale& scale, int majorDivisions)
{
    LogScale out = scale;
    const int divisions = std::max(1, majorDivisions);
    const double a = std::log10(scale.min);
    const double b = std::log10(scale.max);
    out.ticks.clear();
    out.ticks.push_back(scale.min);
    for (int i = 1; i < divisions; ++i)
        out.ticks.push_back(std::pow(10.0, a + (b - a) * i / divisions));
    out.ticks.push_back(scale.max);
    out.labels = logTickLabels(out.ticks);
    return out;
}

namespace {

// `number` without the zeros that end its decimal places, nor a point left with none.
std::string withoutTrailingZeros(std::string number)
{
    if (number.find('.') != std::string::npos) {
        number.erase(number.find_last_not_of('0') + 1);
        if (number.back() == '.')
            number.pop_back();
    }
    return number;
}

// `value` (above zero) to `digits` significant digits, without trailing zeros.
std::string significant(double value, int digits)
{
    char buf[64];
    if (value >= 1e-4 && value < 1e6) {
        // The places after the point that keep `digits` digits; rounding may carry into one more
        // digit before the point (9.996 -> 10.0), which then keeps one place too many and loses
        // it with the trailing zeros.
        const int magnitude = static_cast<int>(std::floor(std::log10(value)));
        const int places = std::max(0, digits - 1 - magnitude);
        std::snprintf(buf, sizeof buf, "%.*f", places, value);
        return withoutTrailingZeros(buf);
    }
    std::snprintf(buf, sizeof buf, "%.*e", digits - 1, value);
    const std::string text = buf;
    const auto e = text.find('e');
    return withoutTrailingZeros(text.substr(0, e)) + text.substr(e);
}

}  // namespace

std::vector<std::string> logTickLabels(const std::vector<double>& ticks)
{
    std::vector<std::string> labels;
    for (int digits = 3; digits <= 6; ++digits) {
        labels.clear();
        for (double t : ticks)
            labels.push_back(significant(t, digits));
        if (std::adjacent_find(labels.begin(), labels.end()) == labels.end())
            break;
    }
    return labels;
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
