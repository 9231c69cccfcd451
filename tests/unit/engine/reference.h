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
    setTableLabelsFromNames(d);
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

// The exact F distribution, for judging the program's approximations: the regularized
// incomplete beta by its continued fraction (modified Lentz).
#include <cmath>

namespace varisect::testing {

inline double betaContinuedFraction(double a, double b, double x)
{
    auto guard = [](double v) { return std::fabs(v) < 1e-300 ? 1e-300 : v; };
    double c = 1.0;
    double d = 1.0 / guard(1.0 - (a + b) * x / (a + 1.0));
    double h = d;
    for (int m = 1; m <= 10000; ++m) {
        const double m2 = 2.0 * m;
        const double even = m * (b - m) * x / ((a - 1.0 + m2) * (a + m2));
        d = 1.0 / guard(1.0 + even * d);
        c = guard(1.0 + even / c);
        h *= d * c;
        const double odd = -(a + m) * (a + b + m) * x / ((a + m2) * (a + 1.0 + m2));
        d = 1.0 / guard(1.0 + odd * d);
        c = guard(1.0 + odd / c);
        h *= d * c;
        if (std::fabs(d * c - 1.0) < 1e-15)
            break;
    }
    return h;
}

// I_x(a, b), evaluated on the side of I_x(a, b) = 1 - I_(1-x)(b, a) where the fraction converges.
inline double incompleteBeta(double a, double b, double x)
{
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    const double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b)
                                  + a * std::log(x) + b * std::log1p(-x));
    if (x < (a + 1.0) / (a + b + 2.0))
        return front * betaContinuedFraction(a, b, x) / a;
    return 1.0 - front * betaContinuedFraction(b, a, 1.0 - x) / b;
}

// P(F(d1, d2) > f).
inline double exactUpperTailF(double f, double d1, double d2)
{
    return incompleteBeta(d2 / 2.0, d1 / 2.0, d2 / (d2 + d1 * f));
}

}  // namespace varisect::testing
