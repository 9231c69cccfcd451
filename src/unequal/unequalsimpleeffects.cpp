// SPDX-License-Identifier: GPL-3.0-or-later
#include "unequal/unequalsimpleeffects.h"

#include <stdexcept>

#include "unequal/groupsizes.h"

namespace varisect {

namespace {

// The cells of the analyses whose sizes are one per cell, with the sums of squares that every
// cell-based simple effect needs: within cells (deviations from the cell means) and total
// (deviations from the grand mean), both free of the cancellation of raw sums.
struct CellSums {
    UnequalCells cells;
    double withinSS = 0;
    int withinDf = 0;
    double totalSS = 0;
};

CellSums cellSums(const Design& full, const std::vector<long>& sizes, const Scores& scores)
{
    CellSums out;
    out.cells.cellDesign = substantiveDesign(full);
    const long cells = cellCount(full);
    if (static_cast<long>(sizes.size()) != cells)
        throw std::invalid_argument("one size per cell is needed");
    if (firstEmptySize(sizes) != 0)
        throw std::invalid_argument("every cell needs a score");
    const long n = checkedScoreTotal(sizes, 1, scores.size());
    double grand = 0;
    for (float x : scores)
        grand += x;
    grand /= static_cast<double>(n);
    size_t next = 0;
    for (long c = 0; c < cells; ++c) {
        const long size = sizes[static_cast<size_t>(c)];
        const size_t first = next;
        double total = 0;
        for (long k = 0; k < size; ++k)
            total += scores[next++];
        const double mean = total / static_cast<double>(size);
        for (size_t i = first; i < next; ++i) {
            out.withinSS += (scores[i] - mean) * (scores[i] - mean);
            out.totalSS += (scores[i] - grand) * (scores[i] - grand);
        }
        out.cells.means.push_back(mean);
        out.cells.counts.push_back(size);
    }
    out.withinDf = static_cast<int>(n - cells);
    return out;
}

// The 0-based level of every factor of `design` at its 0-based cell `cell` (factor 1 fastest).
std::vector<int> levelsOfCell(const Design& design, long cell)
{
    std::vector<int> level(static_cast<size_t>(design.factorCount()));
    for (int f = 1; f <= design.factorCount(); ++f) {
        const int l = design.factor(f).levels;
        level[static_cast<size_t>(f - 1)] = static_cast<int>(cell % l);
        cell /= l;
    }
    return level;
}

// The pair's cells, each gathering the design's cells at its levels of a and b: the sum of their
// means, of their totals and of their sizes. Index (j - 1) * La + (i - 1) for level i of a and
// level j of b.
struct PairCells {
    int levelsA = 0, levelsB = 0;
    std::vector<double> meanSum, total;
    std::vector<long> count, cellsBehind;
    size_t at(int i, int j) const { return static_cast<size_t>((j - 1) * levelsA + (i - 1)); }
};

PairCells pairCells(const UnequalCells& u, int a, int b)
{
    PairCells p;
    p.levelsA = u.cellDesign.factor(a).levels;
    p.levelsB = u.cellDesign.factor(b).levels;
    const size_t size = static_cast<size_t>(p.levelsA) * static_cast<size_t>(p.levelsB);
    p.meanSum.assign(size, 0.0);
    p.total.assign(size, 0.0);
    p.count.assign(size, 0);
    p.cellsBehind.assign(size, 0);
    for (size_t c = 0; c < u.means.size(); ++c) {
        const std::vector<int> level = levelsOfCell(u.cellDesign, static_cast<long>(c));
        const size_t x = p.at(level[static_cast<size_t>(a - 1)] + 1, level[static_cast<size_t>(b - 1)] + 1);
        p.meanSum[x] += u.means[c];
        p.total[x] += u.means[c] * static_cast<double>(u.counts[c]);
        p.count[x] += u.counts[c];
        p.cellsBehind[x] += 1;
    }
    return p;
}

// The SS of the effect whose levels are the `values` (with `weights`): the weighted sum of
// squared deviations from their weighted mean.
double spread(const std::vector<double>& values, const std::vector<double>& weights)
{
    double weight = 0, mean = 0;
    for (size_t x = 0; x < values.size(); ++x) {
        weight += weights[x];
        mean += weights[x] * values[x];
    }
    mean /= weight;
    double ss = 0;
    for (size_t x = 0; x < values.size(); ++x)
        ss += weights[x] * (values[x] - mean) * (values[x] - mean);
    return ss;
}

// SS of a at every level of b (`columnAtRow`) and of b at every level of a: `value(i, j)` is the
// pair cell's figure, `weight(i, j)` its weight.
template <typename Value, typename Weight>
void fillEffects(const PairCells& p, SimpleEffectSums& sums, Value value, Weight weight)
{
    for (int j = 1; j <= p.levelsB; ++j) {
        std::vector<double> v, w;
        for (int i = 1; i <= p.levelsA; ++i) {
            v.push_back(value(i, j));
            w.push_back(weight(i, j));
        }
        sums.columnAtRow.push_back(spread(v, w));
    }
    for (int i = 1; i <= p.levelsA; ++i) {
        std::vector<double> v, w;
        for (int j = 1; j <= p.levelsB; ++j) {
            v.push_back(value(i, j));
            w.push_back(weight(i, j));
        }
        sums.rowAtColumn.push_back(spread(v, w));
    }
}

void checkPair(const Design& cellDesign, int a, int b)
{
    const int nf = cellDesign.factorCount();
    if (a < 1 || a > nf || b < 1 || b > nf || a == b)
        throw std::invalid_argument("simple effects need two different substantive factors");
}

}  // namespace

UnequalCells unequalCells(UnequalAnalysisMode mode, const Design& full, const std::vector<long>& sizes,
                          const Scores& scores)
{
    switch (mode) {
    case UnequalAnalysisMode::Attrition:
        break;
    case UnequalAnalysisMode::UnweightedMeans:
    case UnequalAnalysisMode::Proportional:
        return cellSums(full, sizes, scores).cells;
    case UnequalAnalysisMode::GroupSizes: {
        const std::optional<GroupRoles> roles = groupRoles(full);
        if (!roles)
            throw std::invalid_argument("the design is not one of unequal group sizes");
        const int a = full.factor(roles->grouping).levels;
        const int b = full.factor(roles->crossed).levels;
        if (static_cast<long>(sizes.size()) != a || firstEmptySize(sizes) != 0)
            throw std::invalid_argument("one size of at least 1 per group is needed");
        checkedScoreTotal(sizes, b, scores.size());
        UnequalCells u;
        u.cellDesign = substantiveDesign(full);
        u.means.assign(static_cast<size_t>(a) * static_cast<size_t>(b), 0.0);
        u.counts.assign(u.means.size(), 0);
        const bool groupingFirst = roles->grouping < roles->crossed;
        size_t next = 0;
        for (int i = 0; i < a; ++i) {
            const long size = sizes[static_cast<size_t>(i)];
            for (int j = 0; j < b; ++j) {
                double total = 0;
                for (long k = 0; k < size; ++k)
                    total += scores[next++];
                const size_t cell = static_cast<size_t>(groupingFirst ? i + a * j : j + b * i);
                u.means[cell] = total / static_cast<double>(size);
                u.counts[cell] = size;
            }
        }
        return u;
    }
    }
    throw std::invalid_argument("the test for random attrition has no cell means");
}

SimpleEffectsOutcome unequalSimpleEffects(UnequalAnalysisMode mode, const Design& full, const std::vector<long>& sizes,
                                          const Scores& scores, const std::vector<bool>& imputed, int columnFactor,
                                          int rowFactor, Prompts& prompts, bool exactP)
{
    if (mode == UnequalAnalysisMode::GroupSizes) {
        checkPair(substantiveDesign(full), columnFactor, rowFactor);
        SimpleEffectsOutcome out;
        out.table = groupSizesSimpleEffects(full, sizes, scores, imputed, prompts, exactP);
        return out;
    }
    if (mode == UnequalAnalysisMode::Attrition)
        throw std::invalid_argument("the test for random attrition has no simple effects");

    const CellSums c = cellSums(full, sizes, scores);
    checkPair(c.cells.cellDesign, columnFactor, rowFactor);
    const PairCells p = pairCells(c.cells, columnFactor, rowFactor);
    SimpleEffectSums sums;
    sums.withinSS = c.withinSS;
    sums.withinDf = c.withinDf;
    sums.totalSS = c.totalSS;
    if (mode == UnequalAnalysisMode::UnweightedMeans) {
        // Every cell mean counts alike, as if each stood on the harmonic mean number of scores.
        double reciprocals = 0;
        for (long n : c.cells.counts)
            reciprocals += 1.0 / static_cast<double>(n);
        const double harmonic = static_cast<double>(c.cells.counts.size()) / reciprocals;
        fillEffects(
            p, sums, [&](int i, int j) { return p.meanSum[p.at(i, j)] / static_cast<double>(p.cellsBehind[p.at(i, j)]); },
            [&](int i, int j) { return harmonic * static_cast<double>(p.cellsBehind[p.at(i, j)]); });
    } else {
        // Each cell mean weighted by its number of scores.
        fillEffects(
            p, sums, [&](int i, int j) { return p.total[p.at(i, j)] / static_cast<double>(p.count[p.at(i, j)]); },
            [&](int i, int j) { return static_cast<double>(p.count[p.at(i, j)]); });
    }
    return simpleEffectsFromSums(c.cells.cellDesign, columnFactor, rowFactor, sums, prompts, exactP);
}

}  // namespace varisect
