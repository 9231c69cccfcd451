// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/multiplicity.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numeric>

namespace varisect {

std::vector<double> adjustedP(const std::vector<double>& p, Adjustment adjustment)
{
    std::vector<double> out = p;
    if (adjustment == Adjustment::None)
        return out;
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < p.size(); ++i)
        if (!std::isnan(p[i]))
            order.push_back(i);
    const double m = static_cast<double>(order.size());
    if (adjustment == Adjustment::Bonferroni) {
        for (const std::size_t i : order)
            out[i] = std::min(1.0, p[i] * m);
        return out;
    }
    std::stable_sort(order.begin(), order.end(), [&p](std::size_t a, std::size_t b) { return p[a] < p[b]; });
    double running = 0;
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        const std::size_t i = order[rank];
        running = std::max(running, std::min(1.0, p[i] * (m - static_cast<double>(rank))));
        out[i] = running;
    }
    return out;
}

std::string adjustmentKey(Adjustment adjustment)
{
    switch (adjustment) {
    case Adjustment::Holm:
        return "holm";
    case Adjustment::Bonferroni:
        return "bonferroni";
    case Adjustment::None:
        break;
    }
    return "none";
}

bool adjustmentOfKey(const std::string& key, Adjustment& adjustment)
{
    std::string k = key;
    std::transform(k.begin(), k.end(), k.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const Adjustment a : {Adjustment::None, Adjustment::Holm, Adjustment::Bonferroni})
        if (k == adjustmentKey(a)) {
            adjustment = a;
            return true;
        }
    return false;
}

std::string adjustmentLegend(Adjustment adjustment, int count, const std::string& what)
{
    const std::string family = "the " + std::to_string(count) + " " + what;
    switch (adjustment) {
    case Adjustment::Holm:
        return "p adjusted for " + family + " by Holm's step-down method";
    case Adjustment::Bonferroni:
        return "p adjusted for " + family + " by the Bonferroni method";
    case Adjustment::None:
        break;
    }
    return "p not adjusted for multiplicity (" + family + ")";
}

Adjustment intervalAdjustment(Adjustment adjustment)
{
    return adjustment == Adjustment::Holm ? Adjustment::Bonferroni : adjustment;
}

double intervalAlpha(Adjustment adjustment, int count, double alpha)
{
    if (intervalAdjustment(adjustment) == Adjustment::Bonferroni && count > 1)
        return alpha / count;
    return alpha;
}

std::string intervalLegend(Adjustment adjustment, const std::string& what)
{
    switch (adjustment) {
    case Adjustment::Holm:
        return "Intervals: Bonferroni-adjusted 95% confidence intervals of " + what +
               " (Holm's step-down method has none of its own)";
    case Adjustment::Bonferroni:
        return "Intervals: Bonferroni-adjusted 95% confidence intervals of " + what;
    case Adjustment::None:
        break;
    }
    return "Intervals: 95% confidence intervals of " + what + ", not adjusted for multiplicity";
}

}  // namespace varisect
