// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the pair selector ("Select pairs of factors"): which pairs of factors are offered,
// whether "All pairs" heads the list, the messages when nothing can be offered, and the checks of
// the user's selection. The window shows `lines()` and the messages these rules return.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/prompts.h"

namespace varisect {

// What the pairs are for: tables of means (from the grid), simple effects (from the Anova design
// window) or two-way plots.
enum class PairPurpose { Means, SimpleEffects, Graphs };

// Two factors, 1-based, `first` the lower-numbered.
struct FactorPair {
    int first = 0;
    int second = 0;
    bool operator==(const FactorPair&) const = default;
};

inline constexpr const char* kPairsSelTitle = "Select pairs of factors";
inline constexpr const char* kAllPairsLine = "All pairs";

// True when factor x is nested under factor y (1-based) in the design's nesting.
bool isNestedUnder(const Design& design, int x, int y);
// True when one factor of the pair is nested under the other.
bool isNestedPair(const Design& design, FactorPair pair);

// The factors that take part in pairs, the same for tables of means, simple effects and plots:
// every factor but the replicates or subjects factor, unless that would leave fewer than two (a
// two-factor design then offers its one pair).
std::vector<int> pairFactors(const Design& design);
// The factors a view of `pair` may be split into panels by, the same for tables of means and
// plots: those taking part in pairs other than the two of the pair, and never the replicates or
// subjects factor (a panel per subject or replicate is no cell mean). Empty when none is left.
std::vector<int> panelFactors(const Design& design, FactorPair pair);

class PairSelector {
public:
    PairSelector(const Design& design, PairPurpose purpose);

    // Every pair i < j of the taking part factors, in factor order; for simple effects and plots
    // a pair in which one factor is nested under the other is left out.
    const std::vector<FactorPair>& pairs() const { return pairs_; }

    // "All pairs" heads the list when the taking part factors, less those nested under another
    // factor, are more than two.
    bool offersAllPairs() const { return allPairs_; }

    // The list box: "All pairs" (when offered), then name + " x " + name for every pair.
    std::vector<std::string> lines() const;

    // True when the user picks from the list: more than two factors take part and a pair is
    // left. Otherwise the one pair is taken at once (or nothing can be shown).
    bool asksUser() const { return factors_.size() > 2 && !pairs_.empty(); }

    // When no pair can be offered: the message to show instead of opening the window.
    std::optional<Message> unavailable() const;

    // OK with the list lines `selected` (0-based indices into `lines()`): the pairs chosen, in
    // list order, or the message to show while the selector stays open.
    struct Choice {
        std::vector<FactorPair> pairs;
        std::optional<Message> error;
        bool ok() const { return !error.has_value(); }
    };
    Choice choose(std::vector<int> selected) const;

private:
    std::vector<std::string> names_;
    PairPurpose purpose_;
    std::vector<int> factors_;
    std::vector<FactorPair> pairs_;
    bool allPairs_ = false;
    size_t nestingRelations_ = 0;
};

}  // namespace varisect
