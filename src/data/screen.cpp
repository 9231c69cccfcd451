// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/screen.h"

#include <algorithm>
#include <cstdio>

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

long screenedCount(const Scores& scores, const ScreenRule& rule)
{
    return static_cast<long>(std::count_if(scores.begin(), scores.end(), [&](float x) { return meetsCondition(x, rule); }));
}

namespace {

std::string shortNumber(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", static_cast<double>(value));
    return text;
}

}  // namespace

std::string screenStepText(const ScreenRule& rule, long replaced)
{
    std::string which;
    switch (rule.condition) {
    case ScreenCondition::Less: which = "values below " + shortNumber(rule.value); break;
    case ScreenCondition::Equal: which = "values equal to " + shortNumber(rule.value); break;
    case ScreenCondition::Greater: which = "values above " + shortNumber(rule.value); break;
    case ScreenCondition::Between:
        which = "values between " + shortNumber(rule.value) + " and " + shortNumber(rule.upper);
        break;
    }
    return which + " replaced by " + shortNumber(rule.replacement) + " (" + std::to_string(replaced)
           + (replaced == 1 ? " score)" : " scores)");
}

std::string replacedCountText(long replaced)
{
    if (replaced <= 0)
        return "No score met the condition; nothing was replaced.";
    return std::to_string(replaced) + (replaced == 1 ? " score replaced." : " scores replaced.");
}

}  // namespace varisect
