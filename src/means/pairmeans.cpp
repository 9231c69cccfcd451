// SPDX-License-Identifier: GPL-3.0-or-later
#include "means/pairmeans.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace varisect {

namespace {

void checkFactor(const Design& design, int factor)
{
    if (factor < 1 || factor > design.factorCount())
        throw std::invalid_argument("the means table names a factor the design does not have");
}

// Totals of a by b over the scores whose factor c is at level k (c = 0: every score).
MeansTable meansOf(const Design& design, const Scores& scores, int a, int b, int c, int k)
{
    checkFactor(design, a);
    checkFactor(design, b);
    if (a == b)
        throw std::invalid_argument("the means table needs two different factors");
    if (c != 0) {
        checkFactor(design, c);
        if (c == a || c == b)
            throw std::invalid_argument("the panel factor must not be one of the pair");
        if (k < 1 || k > design.factor(c).levels)
            throw std::invalid_argument("the panel level is outside the factor");
    }
    if (static_cast<long>(scores.size()) != design.scoreCount())
        throw std::invalid_argument("the number of scores does not match the design");

    MeansTable t;
    t.a = a;
    t.b = b;
    t.levelsA = design.factor(a).levels;
    t.levelsB = design.factor(b).levels;
    const size_t cells = static_cast<size_t>(t.levelsA) * static_cast<size_t>(t.levelsB);
    t.totals.assign(cells, 0.0);

    // Walk the scores in their order with a counter of the level of every factor.
    const int nf = design.factorCount();
    std::vector<int> level(static_cast<size_t>(nf), 0);  // 0-based
    for (const float score : scores) {
        if (c == 0 || level[size_t(c - 1)] == k - 1)
            t.totals[size_t(level[size_t(b - 1)] * t.levelsA + level[size_t(a - 1)])] += static_cast<double>(score);
        for (int f = 0; f < nf; ++f) {
            if (++level[size_t(f)] < design.factors[size_t(f)].levels)
                break;
            level[size_t(f)] = 0;
        }
    }

    double perCell = static_cast<double>(design.scoreCount()) / static_cast<double>(cells);
    if (c != 0)
        perCell /= design.factor(c).levels;
    t.n = perCell;
    t.means.resize(cells);
    for (size_t x = 0; x < cells; ++x)
        t.means[x] = t.totals[x] / perCell;

    t.marginalA.assign(size_t(t.levelsA), 0.0);
    t.marginalB.assign(size_t(t.levelsB), 0.0);
    double grand = 0;
    for (int i = 1; i <= t.levelsA; ++i) {
        double sum = 0;
        for (int j = 1; j <= t.levelsB; ++j)
            sum += t.total(i, j);
        t.marginalA[size_t(i - 1)] = sum / (perCell * t.levelsB);
        grand += sum;
    }
    for (int j = 1; j <= t.levelsB; ++j) {
        double sum = 0;
        for (int i = 1; i <= t.levelsA; ++i)
            sum += t.mean(i, j);
        t.marginalB[size_t(j - 1)] = sum / t.levelsA;
    }
    t.grandMean = grand / (perCell * static_cast<double>(cells));
    return t;
}

// Fixed decimals, trailing zeros dropped down to `minPlaces`; with `leadingZero` false a zero
// integer part is left out (".5"). A value that rounds to zero shows no minus sign.
std::string patternText(double value, int minPlaces, int maxPlaces, bool leadingZero)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? "NaN" : (value > 0 ? "Inf" : "-Inf");
    const int size = std::snprintf(nullptr, 0, "%.*f", maxPlaces, value);
    std::string text(static_cast<size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*f", maxPlaces, value);
    text.resize(static_cast<size_t>(size));

    const size_t point = text.find('.');
    size_t end = text.size();
    while (end > point + 1 + static_cast<size_t>(minPlaces) && text[end - 1] == '0')
        --end;
    text.resize(end);
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    if (!leadingZero) {
        const size_t digits = text[0] == '-' ? 1 : 0;
        if (text.compare(digits, 2, "0.") == 0)
            text.erase(digits, 1);
    }
    return text;
}

}  // namespace

MeansTable PairMeans(const Design& design, const Scores& scores, int a, int b)
{
    return meansOf(design, scores, a, b, 0, 0);
}

MeansTable PanelMeans(const Design& design, const Scores& scores, int a, int b, int c, int k)
{
    if (c == 0)
        throw std::invalid_argument("the panel factor is missing");
    return meansOf(design, scores, a, b, c, k);
}

WeightedMargins weightedMargins(const Design& design, const std::vector<double>& means, const std::vector<long>& counts,
                                int a, int b, int c, int k)
{
    const MeansTable shape = meansOf(design, Scores(means.size()), a, b, c, k);  // checks the pair, panel and size
    if (counts.size() != means.size())
        throw std::invalid_argument("one count per value is needed");
    WeightedMargins w;
    w.levelsA = shape.levelsA;
    w.levelsB = shape.levelsB;
    w.counts.assign(static_cast<size_t>(w.levelsA) * static_cast<size_t>(w.levelsB), 0);
    w.countsA.assign(static_cast<size_t>(w.levelsA), 0);
    w.countsB.assign(static_cast<size_t>(w.levelsB), 0);
    std::vector<double> totalA(w.countsA.size(), 0.0), totalB(w.countsB.size(), 0.0);
    double grand = 0;
    const int nf = design.factorCount();
    std::vector<int> level(static_cast<size_t>(nf), 0);  // 0-based
    for (size_t x = 0; x < means.size(); ++x) {
        const long n = counts[x];
        if (n < 1)
            throw std::invalid_argument("every value stands for at least one score");
        if (c == 0 || level[size_t(c - 1)] == k - 1) {
            const size_t i = size_t(level[size_t(a - 1)]);
            const size_t j = size_t(level[size_t(b - 1)]);
            const double total = means[x] * static_cast<double>(n);
            w.counts[j * size_t(w.levelsA) + i] += n;
            w.countsA[i] += n;
            w.countsB[j] += n;
            w.total += n;
            totalA[i] += total;
            totalB[j] += total;
            grand += total;
        }
        for (int f = 0; f < nf; ++f) {
            if (++level[size_t(f)] < design.factors[size_t(f)].levels)
                break;
            level[size_t(f)] = 0;
        }
    }
    for (size_t i = 0; i < totalA.size(); ++i)
        w.meansA.push_back(totalA[i] / static_cast<double>(w.countsA[i]));
    for (size_t j = 0; j < totalB.size(); ++j)
        w.meansB.push_back(totalB[j] / static_cast<double>(w.countsB[j]));
    w.grandMean = grand / static_cast<double>(w.total);
    return w;
}

std::string formatTwoToThreePlaces(double value) { return patternText(value, 2, 3, true); }

std::string formatOneToTwoPlaces(double value) { return patternText(value, 1, 2, false); }

std::string meanText(double mean)
{
    return std::fabs(mean) < 1 ? formatTwoToThreePlaces(mean) : formatOneToTwoPlaces(mean);
}

}  // namespace varisect
