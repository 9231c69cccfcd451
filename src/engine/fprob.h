// SPDX-License-Identifier: GPL-3.0-or-later
// Upper-tail probability of an F-ratio by Paulson's normal approximation.
#pragma once

namespace varisect {

class Prompts;

struct ProbabilityContext {
    bool quietZeroF = false;         // an F of 0 is expected (a data set of 0s and 1s): no warning
    bool unequalCellMode = false;    // asked from the Unequal Cell Size window: "No" returns there
    bool exact = false;              // the exact upper tail (exactUpperTail) instead of the approximation
};

// The smallest F the table writes: a positive F below it is written as this value and its p is 1,
// so an F shown as this value stands for "0 or nearly so" and has p 1, exact or approximated.
inline constexpr double kSmallestShownF = 1e-9;

// The exact upper tail of an F as the table shows it: 1 for an F at or below kSmallestShownF
// (which may stand for any smaller F), else exactUpperTail.
double exactTailOfShownF(double df1, double df2, double F);

// The approximation itself (df rounded to 16-bit integers inside), for F > 0 and df >= 1.
// A positive F below 1e-9 gives 1.
double paulsonUpperTail(double df1, double df2, double F);

// p for F with df1 and df2. When df1 * df2 * F is 0 (and quietZeroF is not set) the user is
// warned with "Warning!!!": Yes gives p = 1, No sets abortFlag and returns 0. A positive F
// at or below kSmallestShownF is rewritten to it and gives 1. Otherwise p is the approximation, or the exact
// tail when the context asks for it.
double FRatioProbability(double df1, double df2, double& F, Prompts& prompts,
                         const ProbabilityContext& context, bool& abortFlag);

}  // namespace varisect
