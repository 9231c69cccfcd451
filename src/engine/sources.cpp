// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/sources.h"

#include <algorithm>
#include <bit>
#include <functional>

#include "engine/design.h"

namespace varisect {

namespace {

// Calls f(indices) for every set of m indices out of 0..n-1, lexicographically.
void forEachCombination(int n, int m, const std::function<void(const std::vector<int>&)>& f)
{
    if (m > n || m <= 0)
        return;
    std::vector<int> idx(static_cast<size_t>(m));
    for (int i = 0; i < m; ++i)
        idx[size_t(i)] = i;
    while (true) {
        f(idx);
        int i = m - 1;
        while (i >= 0 && idx[size_t(i)] == n - m + i)
            --i;
        if (i < 0)
            return;
        ++idx[size_t(i)];
        for (int j = i + 1; j < m; ++j)
            idx[size_t(j)] = idx[size_t(j - 1)] + 1;
    }
}

SourceMask bit(int factor1) { return 1u << (factor1 - 1); }

// A group while it is built: member sets in order, no repeats.
using MaskGroup = std::vector<SourceMask>;

void appendUnique(MaskGroup& g, SourceMask m)
{
    if (std::find(g.begin(), g.end(), m) == g.end())
        g.push_back(m);
}

bool nestedUnder(const Design& d, int i, int j)  // 1-based factors
{
    const char a = d.factor(i).tableLabel;
    const char b = d.factor(j).tableLabel;
    return std::any_of(d.nestingMatrix.begin(), d.nestingMatrix.end(),
                       [&](const NestRelation& r) { return r.nested == a && r.nesting == b; });
}

}  // namespace

std::vector<SourceMask> enumerateSources(int factorCount)
{
    std::vector<SourceMask> out;
    for (int m = 1; m <= factorCount; ++m)
        forEachCombination(factorCount, m, [&](const std::vector<int>& idx) {
            SourceMask s = 0;
            for (int i : idx)
                s |= 1u << i;
            out.push_back(s);
        });
    return out;
}

std::string sourceLabel(const Design& design, SourceMask source)
{
    std::string label;
    for (int k = 1; k <= design.factorCount(); ++k) {
        if (!(source & bit(k)))
            continue;
        if (!label.empty())
            label += 'x';
        label += design.factor(k).tableLabel;
    }
    return label;
}

SourceMask sourceOfLabel(const Design& design, const std::string& label)
{
    SourceMask s = 0;
    for (char c : label) {
        if (c == 'x' || c == ' ')
            continue;
        const int k = design.factorIndexOfLabel(c);
        if (k == 0)
            return 0;
        s |= bit(k);
    }
    return s;
}

void NormalizeGroupLabels(const Design& design, PoolingGroup& group)
{
    MaskGroup masks;
    for (const std::string& member : group)
        appendUnique(masks, sourceOfLabel(design, member));
    group.clear();
    for (SourceMask m : masks)
        group.push_back(sourceLabel(design, m));
}

void DropDuplicateGroup(const std::vector<PoolingGroup>& earlier, PoolingGroup& group)
{
    for (const PoolingGroup& e : earlier)
        for (const std::string& m : e)
            if (std::find(group.begin(), group.end(), m) != group.end()) {
                group.clear();
                return;
            }
}

std::vector<PoolingGroup> BuildPoolingGroups(const Design& design)
{
    const int nf = design.factorCount();
    std::vector<MaskGroup> groups;

    // Each factor with every non-empty combination of the factors it is nested under.
    for (int i = 1; i <= nf; ++i) {
        std::vector<int> outer;
        for (const NestRelation& r : design.nestingMatrix)
            if (r.nested == design.factor(i).tableLabel) {
                const int j = design.factorIndexOfLabel(r.nesting);
                if (j != 0 && j != i)
                    outer.push_back(j);
            }
        MaskGroup g{bit(i)};
        const int maxSize = std::min(static_cast<int>(outer.size()), nf - 1);
        for (int m = 1; m <= maxSize; ++m)
            forEachCombination(static_cast<int>(outer.size()), m, [&](const std::vector<int>& idx) {
                SourceMask s = bit(i);
                for (int x : idx)
                    s |= bit(outer[size_t(x)]);
                appendUnique(g, s);
            });
        groups.push_back(std::move(g));
    }
    const std::vector<MaskGroup> mainGroups = groups;
    std::vector<bool> owned(size_t(1) << nf, false);  // member of some group so far
    for (const MaskGroup& g : groups)
        for (SourceMask m : g)
            owned[m] = true;

    // Every combination of one member from each factor's group; emptied when it repeats a
    // member of an earlier group.
    auto addGroup = [&](const std::vector<int>& factors) {
        MaskGroup product{0};
        for (int f : factors) {
            MaskGroup next;
            std::vector<bool> seen(size_t(1) << nf, false);
            for (SourceMask a : product)
                for (SourceMask b : mainGroups[size_t(f - 1)])
                    if (!seen[a | b]) {
                        seen[a | b] = true;
                        next.push_back(a | b);
                    }
            product = std::move(next);
        }
        if (std::any_of(product.begin(), product.end(), [&](SourceMask m) { return owned[m]; }))
            product.clear();
        for (SourceMask m : product)
            owned[m] = true;
        groups.push_back(std::move(product));
    };
    auto isNested = [&](int f) { return mainGroups[size_t(f - 1)].size() > 1; };
    bool under[kMaxFactors + 1][kMaxFactors + 1] = {};
    for (int i = 1; i <= nf; ++i)
        for (int j = 1; j <= nf; ++j)
            under[i][j] = i != j && nestedUnder(design, i, j);

    // Crossed combinations of a nested factor with other factors. Pairs: the nested factor
    // first, not nested under the second. Larger combinations: at least one nested factor and
    // no factor nested under another of the same combination (any other combination only
    // repeats members of a group made from a smaller one). The order of the factors inside a
    // combination does not change its members, so each set of factors is taken once.
    if (nf >= 3) {
        for (int i = 1; i <= nf; ++i)
            for (int j = 1; j <= nf; ++j)
                if (i != j && isNested(i) && !under[i][j])
                    addGroup({i, j});
        for (int size = 3; size <= nf - 1; ++size)
            forEachCombination(nf, size, [&](const std::vector<int>& idx) {
                std::vector<int> factors;
                bool anyNested = false;
                for (int x : idx) {
                    const int f = x + 1;
                    for (int g : factors)
                        if (under[f][g] || under[g][f])
                            return;
                    anyNested = anyNested || isNested(f);
                    factors.push_back(f);
                }
                if (anyNested)
                    addGroup(factors);
            });
    }

    std::vector<PoolingGroup> out;
    out.reserve(groups.size());
    for (const MaskGroup& g : groups) {
        PoolingGroup labels;
        for (SourceMask m : g)
            labels.push_back(sourceLabel(design, m));
        out.push_back(std::move(labels));
    }
    return out;
}

}  // namespace varisect
