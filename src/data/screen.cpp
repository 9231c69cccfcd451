// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/screen.h"

namespace varisect {

bool meetsCondition(float x, const ScreenRule& rule)
{
    switch (rule.condition) {
    case ScreenCondition::Less:
        return x < rule.value;
    case ScreenCondition::Equal: {
        const auto low = static_cast<float>(static_cast<double>(rule.value) - 1E-5);
        const auto high = static_cast<float>(static_cast<double>(rule.value) + 1E-5);
        return low < x && x < high;
    }
    case ScreenCondition::Greater:
        return x > rule.value;
    case ScreenCondition::Between:
        return rule.value < x && x < rule.upper;
    }
    return false;
}

bool limitsReversed(const ScreenRule& rule)
{
    return rule.condition == ScreenCondition::Between && rule.upper < rule.value;
}

Message limitsReversedMessage()
{
    return {"Limits Reversed!",
            "Please enter the lower limit in the left (>) box and the upper limit in the right (<) box.",
            MessageButtons::Ok, MessageIcon::Critical};
}

std::optional<Message> screenProblem(const ScreenRule& rule)
{
    if (limitsReversed(rule))
        return limitsReversedMessage();
    return std::nullopt;
}

Scores screenScores(const Scores& scores, const ScreenRule& rule)
{
    Scores out = scores;
    for (float& x : out)
        if (meetsCondition(x, rule))
            x = rule.replacement;
    return out;
}

}  // namespace varisect
