// SPDX-License-Identifier: GPL-3.0-or-later
#include "means/pairselector.h"

#include <algorithm>
#include <stdexcept>

namespace varisect {

namespace {

const char* const kNoSimpleEffectsPairs =
    "There are no pairs of factors for which examination of simple effects is appropriate.  Recall that the "
    "interaction between a nested factor and the factor under which it is nested is not defined.";
const char* const kNoSimpleEffectsHere =
    "It is not appropriate to examine simple effects in this case.  Recall that the interaction between a "
    "nested factor and the factor under which it is nested is not defined.";

bool nestedUnderAny(const Design& design, int x)
{
    for (int y = 1; y <= design.factorCount(); ++y)
        if (y != x && isNestedUnder(design, x, y))
            return true;
    return false;
}

}  // namespace

bool isNestedUnder(const Design& design, int x, int y)
{
    if (!design.nested || x < 1 || y < 1 || x > design.factorCount() || y > design.factorCount())
        return false;
    const NestRelation relation{design.factor(x).tableLabel, design.factor(y).tableLabel};
    return std::find(design.nestingMatrix.begin(), design.nestingMatrix.end(), relation)
           != design.nestingMatrix.end();
}

bool isNestedPair(const Design& design, FactorPair pair)
{
    return isNestedUnder(design, pair.first, pair.second) || isNestedUnder(design, pair.second, pair.first);
}

std::vector<int> pairFactors(const Design& design)
{
    std::vector<int> factors;
    const int nf = design.factorCount();
    const int designated = design.designatedFactor;
    const bool leaveOut = designated >= 1 && designated <= nf && nf - 1 >= 2;
    for (int k = 1; k <= nf; ++k)
        if (!(leaveOut && k == designated))
            factors.push_back(k);
    return factors;
}

std::vector<int> panelFactors(const Design& design, FactorPair pair)
{
    std::vector<int> out;
    for (int k : pairFactors(design))
        if (k != pair.first && k != pair.second && k != design.designatedFactor)
            out.push_back(k);
    return out;
}

PairSelector::PairSelector(const Design& design, PairPurpose purpose)
    : purpose_(purpose), factors_(pairFactors(design))
{
    for (const Factor& f : design.factors)
        names_.push_back(f.name);
    if (design.nested)
        nestingRelations_ = design.nestingMatrix.size();
    const bool dropNested = purpose != PairPurpose::Means;
    for (size_t x = 0; x < factors_.size(); ++x)
        for (size_t y = x + 1; y < factors_.size(); ++y) {
            const FactorPair pair{factors_[x], factors_[y]};
            if (!(dropNested && isNestedPair(design, pair)))
                pairs_.push_back(pair);
        }
    // Counted over the factors that take part, so that a nested subjects factor, which takes no
    // part, does not take a further factor off the count.
    long free = 0;
    for (int k : factors_)
        if (!nestedUnderAny(design, k))
            ++free;
    allPairs_ = free > 2 && pairs_.size() > 1;
}

std::vector<std::string> PairSelector::lines() const
{
    std::vector<std::string> out;
    if (allPairs_)
        out.emplace_back(kAllPairsLine);
    for (const FactorPair& p : pairs_)
        out.push_back(names_[size_t(p.first - 1)] + " x " + names_[size_t(p.second - 1)]);
    return out;
}

std::optional<Message> PairSelector::unavailable() const
{
    if (!pairs_.empty())
        return std::nullopt;
    switch (purpose_) {
    case PairPurpose::SimpleEffects:
        if (factors_.size() == 2)
            return Message{"Not Available!", kNoSimpleEffectsHere, MessageButtons::Ok, MessageIcon::Information};
        return Message{"None Available!", kNoSimpleEffectsPairs, MessageButtons::Ok, MessageIcon::Information};
    case PairPurpose::Graphs:
        return Message{"Two-way Plot",
                       std::string(nestingRelations_ == 1
                                       ? "    Because of the specified nesting relationship, there are no two-way "
                                         "graphs to display."
                                       : "    Because of the specified nesting relationships, there are no two-way "
                                         "graphs to display.")
                           + kMessageLineBreak
                           + "    The program will not show the interaction between a nested source and a source "
                             "under which it is nested, since such interactions are undefined.  If you must see "
                             "graphs, go back through Anova Design to change the nesting specification and retry.",
                       MessageButtons::Ok, MessageIcon::Information};
    case PairPurpose::Means:
        break;
    }
    // Tables of means keep nested pairs, and at least two factors always take part.
    return std::nullopt;
}

PairSelector::Choice PairSelector::choose(std::vector<int> selected) const
{
    const int lineCount = static_cast<int>(pairs_.size()) + (allPairs_ ? 1 : 0);
    for (int line : selected)
        if (line < 0 || line >= lineCount)
            throw std::out_of_range("the selected line is not in the pair list");
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());

    Choice choice;
    if (selected.empty()) {
        choice.error = Message{kPairsSelTitle, "Please indicate selection(s) by clicking", MessageButtons::Ok,
                               MessageIcon::Information};
        return choice;
    }
    if (allPairs_ && selected.front() == 0) {
        if (selected.size() > 1) {
            choice.error = Message{"Selection Error!",
                                   "You have selected both 'All Pairs' and one or more specific pairs, which is a "
                                   "contradiction.  Please click the unwanted choice(s) to de-select.",
                                   MessageButtons::Ok, MessageIcon::Exclamation};
            return choice;
        }
        choice.pairs = pairs_;
        return choice;
    }
    const int offset = allPairs_ ? 1 : 0;
    for (int line : selected)
        choice.pairs.push_back(pairs_[size_t(line - offset)]);
    return choice;
}

}  // namespace varisect
