// SPDX-License-Identifier: GPL-3.0-or-later
// The largest design the benchmarks measure: 16256 scores, seven factors of 2 levels and a
// designated factor S of 127, with reproducible normal scores.
#pragma once

#include <random>

#include "engine/design.h"

namespace varisect::bench {

inline Design largestDesign(AnovaType type)
{
    Design d;
    const char* names[] = {"A", "B", "C", "D", "E", "F", "G", "S"};
    for (int k = 0; k < 8; ++k)
        d.factors.push_back(Factor{names[k], names[k][0], k < 7 ? 2 : 127, {}});
    d.anovaType = type;
    d.designatedFactor = type == AnovaType::NoFRatios ? 0 : 8;
    return d;
}

inline Scores scoresFor(const Design& d)
{
    std::mt19937 rng(2026);
    std::normal_distribution<double> dist(100, 15);
    Scores s(size_t(d.scoreCount()));
    for (float& x : s)
        x = static_cast<float>(dist(rng));
    return s;
}

}  // namespace varisect::bench
