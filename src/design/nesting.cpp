// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/nesting.h"

#include <algorithm>
#include <string>

namespace varisect {

namespace {

Message nestingMessage(std::string title, std::string text)
{
    Message m;
    m.title = std::move(title);
    m.text = std::move(text);
    m.buttons = MessageButtons::Ok;
    m.icon = MessageIcon::Critical;
    return m;
}

NestingOutcome failure(Message message)
{
    NestingOutcome outcome;
    outcome.error = std::move(message);
    return outcome;
}

bool contains(const std::vector<NestRelation>& list, NestRelation pair)
{
    return std::find(list.begin(), list.end(), pair) != list.end();
}

std::string text(char label) { return std::string(1, label); }

}  // namespace

std::vector<char> tableLabelsOf(const Design& design)
{
    std::vector<char> labels;
    for (const Factor& f : design.factors)
        labels.push_back(f.tableLabel);
    return labels;
}

NestingOutcome closeNesting(const std::vector<char>& tableLabels,
                            const std::vector<NestRelation>& selected, bool unequalGroupSizes)
{
    if (selected.empty())
        return failure(nestingMessage("Please indicate selection(s) by clicking",
                                      "Select factors involved in nesting!"));

    const auto known = [&](char label) {
        return std::find(tableLabels.begin(), tableLabels.end(), label) != tableLabels.end();
    };
    for (const NestRelation& pair : selected) {
        for (const char label : {pair.nested, pair.nesting})
            if (!known(label))
                return failure(nestingMessage("Nesting Error!", "There is no factor " + text(label) +
                                                                    " in this design."));
        if (pair.nested == pair.nesting)
            return failure(nestingMessage(
                "Nesting Error!", "You have designated " + text(pair.nested) + " as nested under " +
                                      text(pair.nesting) +
                                      ". A factor cannot be nested under itself. Please correct the "
                                      "designation."));
    }

    for (std::size_t i = 0; i < selected.size(); ++i) {
        const NestRelation reverse{selected[i].nesting, selected[i].nested};
        if (std::find(selected.begin() + static_cast<long>(i) + 1, selected.end(), reverse) !=
            selected.end()) {
            const std::string x = text(selected[i].nested);
            const std::string y = text(selected[i].nesting);
            return failure(nestingMessage(
                "Nesting Error!", "You have designated " + x + " as nested under " + y + " and " + y +
                                      " as nested under " + x +
                                      ". Nesting is a one-way relationship. Please correct the "
                                      "designation."));
        }
    }

    NestingOutcome outcome;
    for (const NestRelation& pair : selected)
        if (!contains(outcome.matrix, pair))
            outcome.matrix.push_back(pair);

    // Every pass over the list either adds a pair not yet in it or ends the loop; with at most
    // 8 labels there are at most 56 distinct pairs, so the loop always ends. A cycle always
    // shows up as an implied pair meeting a selected one in the other direction: every pair of
    // a cycle is selected or implied, and the closure reaches the reverse of each selected one.
    bool changed = true;
    while (changed) {
        changed = false;
        for (std::size_t i = 0; i < outcome.matrix.size(); ++i) {
            for (std::size_t j = 0; j < outcome.matrix.size(); ++j) {
                const NestRelation first = outcome.matrix[i];
                const NestRelation second = outcome.matrix[j];
                if (first.nesting != second.nested || first.nested == second.nesting)
                    continue;
                const NestRelation implied{first.nested, second.nesting};
                if (contains(outcome.matrix, implied))
                    continue;
                if (contains(selected, NestRelation{implied.nesting, implied.nested})) {
                    const std::string x = text(implied.nested);
                    const std::string z = text(implied.nesting);
                    return failure(nestingMessage(
                        "Nesting Error",
                        "The hierarchical structure in your choices implies that " + x +
                            " is nested under " + z + " ,but you have specified that " + z +
                            " is nested under " + x +
                            ". This is a contradiction. Please correct the designation."));
                }
                outcome.matrix.push_back(implied);
                changed = true;
            }
        }
    }

    if (unequalGroupSizes && outcome.matrix.size() != 1)
        return failure(nestingMessage("Error!",
                                      "There must be one nested factor in the Unequal Group Sizes design."));
    return outcome;
}

}  // namespace varisect
