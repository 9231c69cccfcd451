// SPDX-License-Identifier: GPL-3.0-or-later
// Independent reference computations for the engine tests: sums of squares from marginal means
// by inclusion-exclusion, without the bracket arithmetic the program uses.
#pragma once

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/design.h"

namespace varisect::testing {

inline Design makeDesign(const std::vector<std::pair<std::string, int>>& factors, AnovaType type = AnovaType::NoFRatios,
                         int designated = 0)
{
    Design d;
    for (const auto& [name, levels] : factors) {
        Factor f;
        f.name = name;
        f.levels = levels;
        d.factors.push_back(f);
    }
    truncateLabels(d);
    d.anovaType = type;
    d.designatedFactor = designated;
    return d;
}

inline Scores randomScores(const Design& d, unsigned seed, double mean = 50, double spread = 10)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> dist(mean, spread);
    Scores s(static_cast<size_t>(d.scoreCount()));
    for (float& x : s)
        x = static_cast<float>(std::round(dist(rng) * 10) / 10);
    return s;
}

// Means of the marginal table of `mask`, indexed by the cell's flat position among the factors
// of the mask (lowest factor fastest).
inline std::vector<long double> marginalMeans(const Design& d, const Scores& s, unsigned mask)
{
    const int nf = d.factorCount();
    long cells = 1;
    for (int k = 0; k < nf; ++k)
        if (mask & (1u << k))
            cells *= d.factors[size_t(k)].levels;
    std::vector<long double> sum(size_t(cells), 0);
    std::vector<long> count(size_t(cells), 0);
    for (long p = 1; p <= d.scoreCount(); ++p) {
        const std::vector<int> cell = cellAtPosition(d, p);
        long index = 0;
        long stride = 1;
        for (int k = 0; k < nf; ++k)
            if (mask & (1u << k)) {
                index += stride * (cell[size_t(k)] - 1);
                stride *= d.factors[size_t(k)].levels;
            }
        sum[size_t(index)] += s[size_t(p - 1)];
        ++count[size_t(index)];
    }
    for (size_t i = 0; i < sum.size(); ++i)
        sum[i] /= count[i];
    return sum;
}

// SS of the source `mask`: n(S) times the sum over the cells of S of the squared effect, the
// effect being the alternating sum of the marginal means of every subset of S.
inline double referenceSS(const Design& d, const Scores& s, unsigned mask)
{
    const int nf = d.factorCount();
    std::vector<int> members;
    for (int k = 0; k < nf; ++k)
        if (mask & (1u << k))
            members.push_back(k);
    long cells = 1;
    for (int k : members)
        cells *= d.factors[size_t(k)].levels;
    std::vector<long double> effect(size_t(cells), 0);
    for (unsigned sub = 0; sub <= mask; ++sub) {
        if ((sub & mask) != sub)
            continue;
        const std::vector<long double> means = marginalMeans(d, s, sub);
        const int sign = (std::popcount(mask) - std::popcount(sub)) % 2 ? -1 : 1;
        for (long c = 0; c < cells; ++c) {
            long rest = c;
            long index = 0;
            long stride = 1;
            for (int k : members) {
                const int l = d.factors[size_t(k)].levels;
                if (sub & (1u << k)) {
                    index += stride * (rest % l);
                    stride *= l;
                }
                rest /= l;
            }
            effect[size_t(c)] += sign * means[size_t(index)];
        }
    }
    long double ss = 0;
    for (long double e : effect)
        ss += e * e;
    return static_cast<double>(ss * (d.scoreCount() / cells));
}

}  // namespace varisect::testing
