// SPDX-License-Identifier: GPL-3.0-or-later
// The other way to the sums of squares, kept here to be measured against the engine's
// orthogonal transform: the bracket method over the lattice of marginal tables, each table
// summed from its parent into one reused arena (the first slice written instead of zeroing, the
// reduced factor chosen for the longest contiguous runs, the squares summed while the last
// slice is added), depth first so that only one chain of tables is held at a time.
#pragma once

#include <bit>
#include <cstddef>
#include <vector>

#include "engine/design.h"
#include "engine/sources.h"

namespace varisect::bench {

class MarginalLattice {
public:
    explicit MarginalLattice(const std::vector<int>& levels) : levels_(levels) {}

    // Brackets of the centred scores ([S] without the correction), then the SS of every source
    // by subtracting the SS of each smaller source it contains.
    void sourceSS(const Scores& scores, double mean, std::vector<double>& ss)
    {
        const int nf = static_cast<int>(levels_.size());
        const std::size_t n = scores.size();
        const unsigned full = (1u << nf) - 1;
        bracket_.assign(std::size_t(full) + 1, 0.0);
        arena_.resize(2 * n + 64);
        double total = 0, squares = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double v = static_cast<double>(scores[i]) - mean;
            arena_[i] = v;
            total += v;
            squares += v * v;
        }
        bracket_[full] = squares;
        scoreCount_ = n;
        descend(full, 0, n, nf);
        const double c = total * total / static_cast<double>(n);
        ss.assign(std::size_t(full) + 1, 0.0);
        const std::vector<SourceMask> order = enumerateSources(nf);
        for (SourceMask s : order) {
            double v = bracket_[s];
            for (SourceMask sub : order) {
                if (std::popcount(sub) >= std::popcount(s))
                    break;
                if ((sub & s) == sub)
                    v -= ss[sub];
            }
            ss[s] = v - c;
        }
    }

private:
    // The table of `set` stands at `at` with `size` cells; its children drop one factor above the
    // highest factor missing from it, so that the dropped factor's slices are long runs.
    void descend(unsigned set, std::size_t at, std::size_t size, int nf)
    {
        int highestMissing = -1;
        for (int k = nf - 1; k >= 0; --k)
            if (!(set & (1u << k))) {
                highestMissing = k;
                break;
            }
        for (int d = nf - 1; d > highestMissing; --d) {
            const unsigned child = set & ~(1u << d);
            if (child == 0)
                continue;
            std::size_t stride = 1;
            for (int k = 0; k < d; ++k)
                if (set & (1u << k))
                    stride *= static_cast<std::size_t>(levels_[std::size_t(k)]);
            const std::size_t l = static_cast<std::size_t>(levels_[std::size_t(d)]);
            const std::size_t outer = size / (stride * l);
            const std::size_t childSize = stride * outer;
            const std::size_t childAt = at + size;
            const double* from = arena_.data() + at;
            double* to = arena_.data() + childAt;
            double squares = 0;
            for (std::size_t hi = 0; hi < outer; ++hi) {
                const double* src = from + hi * l * stride;
                double* dst = to + hi * stride;
                for (std::size_t lo = 0; lo < stride; ++lo)
                    dst[lo] = src[lo];
                for (std::size_t j = 1; j + 1 < l; ++j)
                    for (std::size_t lo = 0; lo < stride; ++lo)
                        dst[lo] += src[j * stride + lo];
                const double* last = src + (l - 1) * stride;
                for (std::size_t lo = 0; lo < stride; ++lo) {
                    const double v = dst[lo] + last[lo];
                    dst[lo] = v;
                    squares += v * v;
                }
            }
            bracket_[child] = squares / static_cast<double>(scoreCount_ / childSize);
            descend(child, childAt, childSize, nf);
        }
    }

    std::vector<int> levels_;
    std::vector<double> arena_;
    std::vector<double> bracket_;
    std::size_t scoreCount_ = 0;
};

}  // namespace varisect::bench
