// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/sourcetransform.h"

#include <cmath>
#include <cstddef>
#include <memory>

namespace varisect {

namespace {

using std::size_t;

// The cell array seen as `outer` blocks of `levels` slices of `inner` cells: the slices of one
// block are the levels of the factor being worked on, the `inner` cells within a slice the
// cells of the factors below it.
struct Axis {
    size_t outer;
    size_t levels;
    size_t inner;
};

// Sums and differences over R neighbouring factors of 2 levels at once (the lowest at stride
// `inner`), so that each cell is loaded and stored once for all R of them. Position m of a block
// of 2^R slices ends up holding the difference in the factors of the bits set in m. Left
// unscaled: every basis vector has the squared length 2 per factor, which the caller divides
// out once, exactly. From `scores` (less `mean`) when given, else in place.
template <int R, bool FromScores>
void sumsAndDifferences(double* a, const float* scores, double mean, size_t outer, size_t inner)
{
    constexpr size_t m = size_t(1) << R;
    for (size_t o = 0; o < outer; ++o) {
        double* block = a + o * m * inner;
        const float* from = FromScores ? scores + o * m * inner : nullptr;
        for (size_t i = 0; i < inner; ++i) {
            double v[m];
            for (size_t k = 0; k < m; ++k)
                v[k] = FromScores ? static_cast<double>(from[k * inner + i]) - mean : block[k * inner + i];
            for (size_t step = 1; step < m; step *= 2)
                for (size_t k = 0; k < m; ++k)
                    if (!(k & step)) {
                        const double u = v[k], w = v[k + step];
                        v[k] = u + w;
                        v[k + step] = u - w;
                    }
            for (size_t k = 0; k < m; ++k)
                block[k * inner + i] = v[k];
        }
    }
}

void sumsAndDifferences(int factors, double* a, const float* scores, double mean, size_t outer, size_t inner)
{
    if (scores) {
        switch (factors) {
        case 1: sumsAndDifferences<1, true>(a, scores, mean, outer, inner); return;
        case 2: sumsAndDifferences<2, true>(a, scores, mean, outer, inner); return;
        default: sumsAndDifferences<3, true>(a, scores, mean, outer, inner); return;
        }
    }
    switch (factors) {
    case 1: sumsAndDifferences<1, false>(a, scores, mean, outer, inner); return;
    case 2: sumsAndDifferences<2, false>(a, scores, mean, outer, inner); return;
    default: sumsAndDifferences<3, false>(a, scores, mean, outer, inner); return;
    }
}

// 1 / the length of each Helmert basis vector: sqrt(L) for the constant, sqrt(j (j + 1)) for
// contrast j.
std::unique_ptr<double[]> helmertWeights(size_t l)
{
    auto weight = std::make_unique<double[]>(l);
    weight[0] = 1 / std::sqrt(static_cast<double>(l));
    for (size_t j = 1; j < l; ++j)
        weight[j] = 1 / std::sqrt(static_cast<double>(j) * static_cast<double>(j + 1));
    return weight;
}

// The normalized Helmert basis: level j >= 1 becomes (x_0 + ... + x_{j-1} - j x_j) / sqrt(j (j + 1)),
// level 0 the sum of all levels / sqrt(L). Slice 0 holds the running sum meanwhile.
void helmert(double* a, const Axis& axis)
{
    const size_t inner = axis.inner;
    const size_t l = axis.levels;
    const auto weight = helmertWeights(l);
    for (size_t o = 0; o < axis.outer; ++o, a += l * inner) {
        double* __restrict running = a;
        for (size_t j = 1; j < l; ++j) {
            double* __restrict x = a + j * inner;
            const double dj = static_cast<double>(j);
            const double w = weight[j];
            for (size_t i = 0; i < inner; ++i) {
                const double v = x[i];
                x[i] = (running[i] - dj * v) * w;
                running[i] += v;
            }
        }
        const double w0 = weight[0];
        for (size_t i = 0; i < inner; ++i)
            running[i] *= w0;
    }
}

// The last factor's transform with the squares summed at once: slice 0 gets the square of the
// constant part, slice 1 the sum of the squares of all the other levels, for every cell below.
void lastFactorSquares(double* a, const Axis& axis)
{
    const size_t inner = axis.inner;
    const size_t l = axis.levels;
    double* __restrict constant = a;
    double* __restrict rest = a + inner;
    if (l == 2) {
        for (size_t i = 0; i < inner; ++i) {
            const double u = constant[i], v = rest[i];
            constant[i] = (u + v) * (u + v);
            rest[i] = (u - v) * (u - v);
        }
        return;
    }
    const auto weight = helmertWeights(l);
    for (size_t i = 0; i < inner; ++i) {
        const double v = rest[i];
        const double y = (constant[i] - v) * weight[1];
        constant[i] += v;
        rest[i] = y * y;
    }
    for (size_t j = 2; j < l; ++j) {
        const double* __restrict x = a + j * inner;
        const double dj = static_cast<double>(j);
        const double w = weight[j];
        for (size_t i = 0; i < inner; ++i) {
            const double v = x[i];
            const double y = (constant[i] - dj * v) * w;
            constant[i] += v;
            rest[i] += y * y;
        }
    }
    const double w0 = weight[0];
    for (size_t i = 0; i < inner; ++i)
        constant[i] = constant[i] * w0 * (constant[i] * w0);
}

// Levels 1 .. L-1 of the factor summed into level 1, the blocks closed up behind each other:
// (outer, L, inner) becomes (outer, 2, inner). Every cell is written at or before the place it
// is read from, and read before anything is written over it.
void foldLevels(double* a, const Axis& axis)
{
    const size_t inner = axis.inner;
    const size_t l = axis.levels;
    if (l == 2)
        return;  // already in place
    for (size_t o = 0; o < axis.outer; ++o) {
        const double* src = a + o * l * inner;
        double* dst = a + o * 2 * inner;
        for (size_t i = 0; i < inner; ++i)
            dst[i] = src[i];
        double* sum = dst + inner;
        for (size_t i = 0; i < inner; ++i)
            sum[i] = src[inner + i];
        for (size_t j = 2; j < l; ++j) {
            const double* __restrict x = src + j * inner;
            double* __restrict s = sum;
            for (size_t i = 0; i < inner; ++i)
                s[i] += x[i];
        }
    }
}

}  // namespace

void transformedSourceSS(const std::vector<int>& levels, const Scores& scores, double mean,
                         std::vector<double>& ss)
{
    const size_t nf = levels.size();
    const size_t n = scores.size();
    // Every cell is written before it is read: no zeroing.
    const auto work = std::make_unique_for_overwrite<double[]>(n);
    double* a = work.get();
    const float* from = scores.data();  // until the scores have been taken in, centred

    int twoLevelFactors = 0;
    size_t inner = 1;
    size_t k = 0;
    // Every factor but the last; runs of factors of 2 levels three at a time.
    while (k + 1 < nf) {
        const size_t l = static_cast<size_t>(levels[k]);
        if (l == 2) {
            int run = 1;
            while (run < 3 && k + run + 1 < nf && levels[k + run] == 2)
                ++run;
            const size_t block = inner << run;
            sumsAndDifferences(run, a, from, mean, n / block, inner);
            from = nullptr;
            twoLevelFactors += run;
            inner = block;
            k += static_cast<size_t>(run);
            continue;
        }
        if (from) {
            for (size_t i = 0; i < n; ++i)
                a[i] = static_cast<double>(from[i]) - mean;
            from = nullptr;
        }
        helmert(a, Axis{n / (inner * l), l, inner});
        inner *= l;
        ++k;
    }
    if (from)
        for (size_t i = 0; i < n; ++i)
            a[i] = static_cast<double>(from[i]) - mean;
    // The last factor, squared and folded to its constant and the rest on the way.
    const size_t last = static_cast<size_t>(levels[nf - 1]);
    if (last == 2)
        ++twoLevelFactors;
    lastFactorSquares(a, Axis{1, last, inner});
    // Fold the other factors from the top down: once all are folded, cell m holds the sum of the
    // squares of source m, each factor k at bit k - 1.
    size_t outer = 2;
    for (size_t f = nf - 1; f-- > 0;) {
        const size_t l = static_cast<size_t>(levels[f]);
        inner /= l;
        foldLevels(a, Axis{outer, l, inner});
        outer *= 2;
    }

    ss.assign(outer, 0.0);
    for (size_t m = 1; m < outer; ++m)
        ss[m] = std::ldexp(a[m], -twoLevelFactors);
}

}  // namespace varisect
