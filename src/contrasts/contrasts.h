// SPDX-License-Identifier: GPL-3.0-or-later
// Planned comparisons and trend tests on the marginal means of one factor: the orthogonal
// polynomial coefficients, the checks of typed coefficients and level values, the sum of squares
// of a contrast, and its rows in the analysis of variance table, each tested against the error
// term of its factor's main effect.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/prompts.h"

namespace varisect {

enum class ContrastKind { Comparison, Trend };

// One contrast among the levels of a factor.
struct Contrast {
    int factor = 0;                    // 1-based
    std::string name;                  // "linear", "c1 (1 -1 0)": the row reads "  A: " + name
    std::vector<double> coefficients;  // one per level
    bool trend = false;                // a polynomial trend, whose label does not show them
};

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

// ---- The sums

// The marginal means of a factor's levels and the number of scores behind each.
struct FactorMeans {
    std::vector<double> means;
    std::vector<double> counts;
};
FactorMeans marginalMeans(const Design& design, const Scores& scores, int factor);

// (sum of c_i * M_i)^2 / (sum of c_i^2 / n_i).
double contrastSS(const std::vector<double>& coefficients, const FactorMeans& means);

// ---- The table

// Inserts one row per contrast, indented under its factor's main-effect row (after any contrasts
// already there): df 1, SS, MS = SS, and, when the main effect has an F, F against the same error
// row with p formed as the table forms it (exact when the table's p column is). A contrast whose
// factor has no main-effect row in the table is refused with a message, the table untouched.
// `design` is the design the table was made from (table labels set).
std::optional<Message> insertContrastRows(AnovaTable& table, const Design& design, const Scores& scores,
                                          const std::vector<Contrast>& contrasts);

// The whole analysis with its contrast rows: the ordinary table (through analyseDesign), then
// insertContrastRows. Empty when the analysis was abandoned or a contrast refused (the message
// went through `prompts`).
std::optional<AnovaTable> analyseWithContrasts(const Design& design, const Scores& scores,
                                               const std::vector<Contrast>& contrasts, Prompts& prompts,
                                               bool exactP = false);

}  // namespace varisect
