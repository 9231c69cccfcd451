// SPDX-License-Identifier: GPL-3.0-or-later
// Screening the accepted scores: every score that meets a condition ("<", "=", ">" or
// "between" two limits) is replaced by a value the user gives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/design.h"
#include "engine/prompts.h"

namespace varisect {

// The condition chosen in the "Screen Data" window, by its code.
enum class ScreenCondition : std::int16_t { Less = 0, Equal = 1, Greater = 2, Between = 3 };

inline constexpr const char* kScreenTitle = "Screen Data";

struct ScreenRule {
    ScreenCondition condition = ScreenCondition::Less;
    float value = 0;        // the comparison value; the lower limit for Between
    float upper = 0;        // the upper limit, Between only
    float replacement = 0;  // what a score that meets the condition becomes
};

// Whether `x` meets the condition: "=" within 1E-5 (both bounds rounded to single precision),
// "between" with both limits excluded.
bool meetsCondition(float x, const ScreenRule& rule);

// "Limits Reversed!": Between with the upper limit below the lower one.
bool limitsReversed(const ScreenRule& rule);
Message limitsReversedMessage();

// What keeps a screen from being applied: reversed limits. Nothing when it can be applied.
std::optional<Message> screenProblem(const ScreenRule& rule);

// The scores with every one that meets the condition replaced.
Scores screenScores(const Scores& scores, const ScreenRule& rule);

// How many of `scores` meet the condition.
long screenedCount(const Scores& scores, const ScreenRule& rule);

// A screen as the table's legend names it: "values above 30 replaced by 30 (2 scores)"; "below",
// "equal to", "between 1 and 5".
std::string screenStepText(const ScreenRule& rule, long replaced);

// What the screen window says after a screen: "2 scores replaced." ("1 score replaced."), or
// "No score met the condition; nothing was replaced."
std::string replacedCountText(long replaced);

}  // namespace varisect
