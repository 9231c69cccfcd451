// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/subjectmeans.h"

#include <map>

namespace varisect {

namespace {

unsigned bit(int factor)
{
    return 1u << (factor - 1);
}

}  // namespace

SubjectLayout subjectLayout(const Design& design)
{
    SubjectLayout out;
    const int subjects = design.designatedFactor;
    if (design.anovaType != AnovaType::RepeatedMeasures || subjects < 1 || subjects > design.factorCount()) {
        out.unavailable = "The design is not a repeated-measures design with a subjects factor.";
        return out;
    }
    const char subjectLabel = design.factor(subjects).tableLabel;
    unsigned between = 0;
    if (design.nested) {
        for (const NestRelation& rel : design.nestingMatrix)
            if (rel.nested == subjectLabel && design.factorIndexOfLabel(rel.nesting) > 0)
                between |= bit(design.factorIndexOfLabel(rel.nesting));
        for (const NestRelation& rel : design.nestingMatrix) {
            const int k = design.factorIndexOfLabel(rel.nested);
            if (k != subjects && !(between & bit(k))) {
                out.unavailable = "A factor other than the subjects is nested.";
                return out;
            }
        }
    }
    out.subjects = subjects;
    out.between = between;
    out.within = ((1u << design.factorCount()) - 1) & ~between & ~bit(subjects);
    return out;
}

SubjectLevelMeans subjectLevelMeans(const Design& design, const SubjectLayout& layout, const Scores& scores,
                                    int factor, int by, int byLevel)
{
    SubjectLevelMeans out;
    if (!layout.usable() || factor < 1 || factor > design.factorCount())
        return out;
    const int subjectLevels = design.factor(layout.subjects).levels;
    for (int k = 1; k <= design.factorCount(); ++k)
        if (layout.isBetween(k))
            out.groups *= design.factor(k).levels;
    const std::size_t people = static_cast<std::size_t>(subjectLevels) * static_cast<std::size_t>(out.groups);
    const std::size_t levels = static_cast<std::size_t>(design.factor(factor).levels);
    out.means.assign(people, std::vector<double>(levels, 0.0));
    out.counts.assign(people, std::vector<double>(levels, 0.0));
    out.group.assign(people, 0);
    out.levels.assign(people, {});

    // Flat order: factor 1 cycles fastest; `level` holds the 0-based levels of score p.
    std::vector<int> level(static_cast<std::size_t>(design.factorCount()), 0);
    for (std::size_t p = 0; p < scores.size(); ++p) {
        long group = 0, scale = 1;
        for (int k = 1; k <= design.factorCount(); ++k)
            if (layout.isBetween(k)) {
                group += level[static_cast<std::size_t>(k - 1)] * scale;
                scale *= design.factor(k).levels;
            }
        const std::size_t person = static_cast<std::size_t>(level[static_cast<std::size_t>(layout.subjects - 1)]) +
            static_cast<std::size_t>(subjectLevels) * static_cast<std::size_t>(group);
        if (out.levels[person].empty()) {
            out.group[person] = static_cast<int>(group);
            for (const int l : level)
                out.levels[person].push_back(l + 1);
        }
        if (by == 0 || level[static_cast<std::size_t>(by - 1)] + 1 == byLevel) {
            const auto i = static_cast<std::size_t>(level[static_cast<std::size_t>(factor - 1)]);
            out.means[person][i] += scores[p];
            out.counts[person][i] += 1;
        }
        for (int k = 0; k < design.factorCount(); ++k) {
            int& l = level[static_cast<std::size_t>(k)];
            if (++l < design.factor(k + 1).levels)
                break;
            l = 0;
        }
    }
    for (std::size_t person = 0; person < people; ++person)
        for (std::size_t i = 0; i < levels; ++i)
            if (out.counts[person][i] > 0)
                out.means[person][i] /= out.counts[person][i];
    return out;
}

PooledSpread pooledSpread(const std::vector<double>& values, const std::vector<int>& group,
                          const std::vector<bool>& include)
{
    std::map<int, std::pair<double, int>> groups;  // sum, count
    PooledSpread out;
    double total = 0;
    for (std::size_t i = 0; i < values.size() && i < group.size(); ++i) {
        if (!include.empty() && !(i < include.size() && include[i]))
            continue;
        auto& g = groups[group[i]];
        g.first += values[i];
        g.second += 1;
        total += values[i];
        ++out.n;
    }
    if (out.n == 0)
        return out;
    out.mean = total / out.n;
    for (std::size_t i = 0; i < values.size() && i < group.size(); ++i) {
        if (!include.empty() && !(i < include.size() && include[i]))
            continue;
        const auto& g = groups[group[i]];
        const double d = values[i] - g.first / g.second;
        out.ss += d * d;
    }
    out.df = out.n - static_cast<int>(groups.size());
    return out;
}

}  // namespace varisect
