// SPDX-License-Identifier: GPL-3.0-or-later
// The transformations of the accepted scores: logarithm, rank order, arcsine, adding or
// multiplying by a constant and raising to a power, with the checks that keep every result a
// finite single-precision number, and the "#0.00#" text in which transformed scores are shown.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/design.h"
#include "engine/prompts.h"

namespace varisect {

// The operation chosen in the "Data Transformation" window, by its code.
enum class Transformation : std::int16_t {
    Logarithm = 0,
    RankOrder = 1,
    Arcsin = 2,
    AddConstant = 3,
    MultiplyByConstant = 4,
    RaiseToPower = 5,
    None = 10,
};

inline constexpr const char* kTransformationTitle = "Data Transformation";

// The check made as soon as an operation is chosen, and again before it is applied: a
// logarithm needs every score > 0, an arcsine every score in 0 .. 1. The message asks whether
// to open the help page (Yes/No, No the default); either way the choice is cleared.
std::optional<Message> choiceProblem(Transformation transformation, const Scores& scores);

// "Raising to the zero power ...": asked before an exponent of 0 is applied.
Message zeroPowerQuestion();

enum class TransformStatus {
    Done,        // `scores` holds the transformed scores
    OutOfRange,  // a score is outside the domain of the chosen operation (see choiceProblem)
    Halted,      // the exponent cannot be used with these scores; nothing changes
    Overflow,    // a result is not a finite single-precision number; the OK'd scores come back
};

struct TransformResult {
    TransformStatus status = TransformStatus::Done;
    Scores scores;
    // What the window shows when the status is not Done, and the same problem in one sentence
    // without the window's offer of help or restoring (for the command line).
    std::optional<Message> message;
    std::string reason;

    bool ok() const { return status == TransformStatus::Done; }
};

// Applies `transformation` with `constant` (the constant or exponent, unused by logarithm, rank
// order and arcsine) to every score. Never returns an infinite or NaN score. None returns the
// scores unchanged.
TransformResult transformScores(const Scores& scores, Transformation transformation, float constant);

// A transformation as the table's legend names it: "natural log", "rank order", "arcsine",
// "5 added", "multiplied by 10", "raised to the power 2" (constants with up to 7 significant
// digits). Empty for None.
std::string transformStepText(Transformation transformation, float constant);

// The legend line of the steps applied to the scores, in order: "  Scores transformed: natural
// log, then values above 30 replaced by 30 (2 scores)."; empty without steps.
std::string dataStepsNote(const std::vector<std::string>& steps);
// The steps applied since "Data OK" as the transform and screen windows list them: "Applied since
// Data OK: natural log, then 10 added."; "Nothing applied since Data OK." without steps.
std::string stepsSinceOkText(const std::vector<std::string>& steps);
// What the transform window says of "Logarithm": which logarithm it takes.
inline constexpr const char* kNaturalLogarithmNote = "natural logarithm, ln(x)";

// The ranks of the scores (1 = smallest); tied scores share the mean of the ranks they occupy.
Scores rankOrder(const Scores& scores);

// `value` in single precision, or nothing when it is infinite, NaN or beyond the largest single.
std::optional<float> singleValue(double value);

// A number typed into a value box of the transformation or screening window, read by the
// ordinary decimal reader (an empty box reads as 0). Nothing when it is beyond single precision.
std::optional<float> typedValue(std::string_view text);
// "Program Limitation!": a typed value beyond single precision.
Message valueTooLargeMessage();

// A transformed or screened score as the grid shows it, "#0.00#": at least one digit before the
// point and two or three decimals ("0.50", "2.303", "-1.00").
std::string scoreDisplayText(float score);

}  // namespace varisect
