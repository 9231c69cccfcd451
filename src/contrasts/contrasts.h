// SPDX-License-Identifier: GPL-3.0-or-later
// Planned comparisons and trend tests on the marginal means of one factor: the orthogonal
// polynomial coefficients, the checks of typed coefficients and level values, and the factors on
// offer. The sum of squares of a contrast and its row in the table are the analysis layer's
// (analysis/contrastrows.h); analyseWithContrasts (analysis/analysisservice.h) runs the whole.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/contrastrows.h"
#include "engine/design.h"
#include "engine/prompts.h"

namespace varisect {

enum class ContrastKind { Comparison, Trend };

// ---- Trends

// Orthogonal polynomial coefficients for the level values: element k - 1 holds the polynomial of
// degree k (k = 1 .. L - 1), orthogonal to the constant and to every lower degree, with a positive
// leading term. Each is scaled to small whole numbers where that is possible (-3 -1 1 3), else so
// that its largest coefficient is 1. The values must be distinct (see readLevelValues).
std::vector<std::vector<double>> orthogonalPolynomials(const std::vector<double>& values);

// "linear", "quadratic", "cubic", then "order 4", "order 5", ...
std::string trendName(int degree);

// The trend contrasts of degree 1 .. highestDegree (at most L - 1) for `factor`.
std::vector<Contrast> trendContrasts(int factor, const std::vector<double>& values, int highestDegree);

// One line per contrast, "name:" then its coefficients in right-aligned columns, for showing a
// set of contrasts on one factor.
std::vector<std::string> coefficientLines(const std::vector<Contrast>& contrasts);

// The lines that go under a table with trend rows: the coefficients of every trend, factor by
// factor ("  Trend coefficients", then "   D: linear     -3  -1   1   3"). Empty without trends.
std::vector<std::string> trendLegend(const Design& design, const std::vector<Contrast>& contrasts);

// The default level values: 1, 2, ..., levels.
std::vector<double> equallySpacedValues(int levels);

// ---- Reading what the user typed

// Numbers read from texts, or the problem with them.
struct ReadNumbers {
    std::vector<double> values;
    std::optional<Message> problem;
};

// Splits a list typed as "1, 2, 4" or "1 2 4" (commas and blanks separate) into its items.
std::vector<std::string> splitNumberList(const std::string& text);

// Level values of a factor for its trends: one number per level, all distinct.
ReadNumbers readLevelValues(const std::vector<std::string>& texts, const Factor& factor);

// The coefficients of contrast `number` (1-based, for the messages) on `factor`: one per level,
// an empty text counting as 0, not all 0, adding up to 0.
ReadNumbers readCoefficients(const std::vector<std::string>& texts, const Factor& factor, int number);

// The coefficients as the row label shows them: "1 -1 0", "0.5 0.5 -1".
std::string coefficientText(const std::vector<double>& coefficients);

// The label of user contrast `number` (1-based): "c1 (1 -1 0)".
std::string comparisonName(int number, const std::vector<double>& coefficients);

// ---- Which factors

// The factors (1-based) on offer: neither the designated factor nor a nested one; for trends
// only factors with three levels or more.
std::vector<int> eligibleFactors(const Design& design, ContrastKind kind);

// Why no factor of the design can be given contrasts of this kind, when none can.
std::optional<Message> noEligibleFactor(const Design& design, ContrastKind kind);

}  // namespace varisect
