// SPDX-License-Identifier: GPL-3.0-or-later
// The subjects of a repeated-measures design one by one: which factors they are nested under and
// which are crossed with them, and each subject's mean at the levels of a factor. Contrasts and
// pairwise comparisons on a within-subject factor are tested against the spread of the subjects'
// own contrast scores (the contrast x subjects error) built from these means.
#pragma once

#include <string>
#include <vector>

#include "engine/design.h"

namespace varisect {

// The subjects are the designated factor of a repeated-measures design, nested under the
// between-subject factors (if any); the other factors are crossed with them (within-subject).
struct SubjectLayout {
    int subjects = 0;      // 1-based designated factor, 0 when there is no layout
    unsigned between = 0;  // bit k - 1 for factor k
    unsigned within = 0;
    std::string unavailable;  // why there is no layout

    bool usable() const { return subjects > 0; }
    bool isWithin(int factor) const { return factor >= 1 && (within & (1u << (factor - 1))) != 0; }
    bool isBetween(int factor) const { return factor >= 1 && (between & (1u << (factor - 1))) != 0; }
};

// The layout of `design`; unusable (with the reason) unless the design is repeated measures and
// the only nesting is of the subjects under other factors.
SubjectLayout subjectLayout(const Design& design);

// Every subject's mean score at each level of one factor.
struct SubjectLevelMeans {
    // [subject][level - 1]; a level a subject was not observed at (the factor is between
    // subjects) has count 0 and mean 0.
    std::vector<std::vector<double>> means;
    std::vector<std::vector<double>> counts;
    // [subject]: the group (combination of between-subject levels), 0-based, and the 1-based
    // levels of every factor of the subject's first score ([subject][factor - 1]), of which those
    // of the subjects and the between-subject factors are the subject's own.
    std::vector<int> group;
    std::vector<std::vector<int>> levels;
    int groups = 1;
};

// The means over the scores where factor `by` (0: none) is at level `byLevel` (1-based).
SubjectLevelMeans subjectLevelMeans(const Design& design, const SubjectLayout& layout, const Scores& scores,
                                    int factor, int by = 0, int byLevel = 0);

// The spread of one value per subject about the mean of the subject's group, pooled over the
// groups: the error of a contrast x subjects. `include` picks the subjects (empty: all).
struct PooledSpread {
    double mean = 0;     // of all the subjects included
    double ss = 0;       // about the group means
    int df = 0;          // subjects included minus their groups
    int n = 0;           // subjects included
    double variance() const { return df > 0 ? ss / df : 0.0; }
};
PooledSpread pooledSpread(const std::vector<double>& values, const std::vector<int>& group,
                          const std::vector<bool>& include = {});

}  // namespace varisect
