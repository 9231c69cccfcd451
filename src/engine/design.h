// SPDX-License-Identifier: GPL-3.0-or-later
// The factorial design and the flat order of its scores.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varisect {

inline constexpr int kMinFactors = 2;
inline constexpr int kMaxFactors = 8;
inline constexpr long kMaxScores = 16352;

enum class AnovaType { IndependentGroups = 1, RepeatedMeasures = 2, NoFRatios = 3 };

struct Factor {
    std::string name;          // full name as typed
    char tableLabel = 'A';     // first letter of the name, upper case; builds every source label
    int levels = 2;
    std::vector<std::string> levelLabels;  // optional; unused by the engine
};

// "nested is nested under nesting", both given by table label.
struct NestRelation {
    char nested = 0;
    char nesting = 0;
    bool operator==(const NestRelation&) const = default;
};

struct Design {
    std::vector<Factor> factors;   // factor 1 first
    AnovaType anovaType = AnovaType::NoFRatios;
    int designatedFactor = 0;      // 1-based replicates/subjects factor, 0 = none
    bool nested = false;
    std::vector<NestRelation> nestingMatrix;  // transitively closed, no pair in both directions
    int imputedCount = 0;
    bool labelsTruncated = false;

    int factorCount() const { return static_cast<int>(factors.size()); }
    long scoreCount() const;               // product of the level counts
    const Factor& factor(int k) const { return factors.at(static_cast<size_t>(k - 1)); }  // 1-based
    int factorIndexOfLabel(char label) const;  // 1-based, 0 when no factor has that label
};

// Scores of the full factorial, one per cell, factor 1 cycling fastest.
using Scores = std::vector<float>;

// Every factor's table label from its name: the first character upper-cased (a factor without a
// name keeps its label). labelsTruncated then says whether any name is longer than its label.
// Safe to call again.
void setTableLabelsFromNames(Design& design);

// 1-based flat position of a cell given its 1-based level indices (factor 1 first).
long flatPosition(const Design& design, const std::vector<int>& cell);
// The inverse: 1-based level indices of the cell at 1-based flat position p.
std::vector<int> cellAtPosition(const Design& design, long p);

// Number of scores behind one cell of the marginal table of the factors in `mask`
// (bit k-1 set for factor k).
long scoresPerMarginalCell(const Design& design, unsigned mask);

}  // namespace varisect
