// SPDX-License-Identifier: GPL-3.0-or-later
// The largest design the benchmarks measure: 16256 scores, seven factors of 2 levels and a
// designated factor S of 127, with reproducible normal scores.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <random>

#include "data/datafile.h"
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

// The scores of the file VARISECT_BENCH_SCORES names, when it is set (so that a comparison with
// another program can use the same data); else reproducible normal scores. A file that cannot be
// read, or holds another number of scores, stops the benchmark with its message.
inline Scores scoresFor(const Design& d)
{
    if (const char* path = std::getenv("VARISECT_BENCH_SCORES"); path && *path) {
        PlainScoresResult read = readPlainScoresFile(path);
        if (!read.ok() || static_cast<long>(read.values.size()) != d.scoreCount()) {
            std::fprintf(stderr, "VARISECT_BENCH_SCORES: %s\n",
                         read.ok() ? "the file does not hold the design's number of scores" : read.error->message.c_str());
            std::exit(2);
        }
        return std::move(read.values);
    }
    std::mt19937 rng(2026);
    std::normal_distribution<double> dist(100, 15);
    Scores s(size_t(d.scoreCount()));
    for (float& x : s)
        x = static_cast<float>(dist(rng));
    return s;
}

}  // namespace varisect::bench
