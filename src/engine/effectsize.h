// SPDX-License-Identifier: GPL-3.0-or-later
// Effect sizes, post hoc power and the fixed-place cell texts of the table.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varisect {

struct AnovaTable;
struct Design;

double HaysOmegaSquared(double ss, int df, double mse, double ssTotal);
double PartialOmegaSquared(double ss, int df, double mse, long scoreCount);
// sqrt(n * omega2 / (1 - omega2)); only meaningful for 0 < omega2 < 1.
double Phi(double omega2, int scoresPerCell);

// P(F(df1, df2) > F) for integer df >= 1, by the closed forms (pi taken as 3.14159).
double UpperTailF(double F, int df1, int df2);

// Power of the F test at alpha against noncentrality (df1 + 1) * phi^2 by the program's own
// routine: the critical value by a secant search on UpperTailF, then the Poisson mixture of
// central tails. Empty where that routine fails: the search or the sum does not settle, would
// need df1 + 2j > 32767, a tail cannot be evaluated in double precision (a series overflows or
// its power factor underflows), or the result leaves [0, 1].
std::optional<double> seriesPostHocPower(int df1, int df2, double alpha, double phi);

// The power the table shows: seriesPostHocPower where it succeeds, else the exact noncentral F
// tail (exactPower). Empty only for unusable input (df below 1, phi not positive).
std::optional<double> PostHocPower(int df1, int df2, double alpha, double phi);

// Text of a table cell with `places` decimals (see the table's cell formats): p style with 3
// places gives "<.001" below .001 and " 1. " for 1.
std::string FormatFixed(double value, int places, bool pStyle);
// FormatFixed without p style, widened one place at a time (up to 15) while the text would read
// as 0: the table's SS cells.
std::string widenedFixed(double value, int places);
// A mean square as the table's MS cells show it, `places` being the table's display decimals:
// widened when positive, so that a small MS does not show as 0.
std::string meanSquareText(double ms, int places);

// Hays and Partial: omega squared of an ordinary independent-groups table. The eta-squared kinds
// (eta squared, partial eta squared, generalized eta squared) belong to every table with F-ratios.
enum class EffectSizeKind { Hays, Partial, Eta, PartialEta, GeneralizedEta };

// The confidence of the intervals of the effect sizes.
inline constexpr double kEffectSizeConfidence = 0.90;

// One entry per table row (index 0 = header row); empty optionals for rows without a value.
struct EffectSizes {
    EffectSizeKind kind = EffectSizeKind::Hays;
    std::vector<std::optional<double>> omega2;  // Hays or partial omega squared
    std::vector<std::optional<double>> phi;     // Hays only, where omega2 > 0
    std::vector<std::optional<double>> power;   // Hays only
    std::vector<std::optional<double>> eta2;    // the eta-squared kinds
    // The 90% confidence interval of the row's effect size (estimateInterval in etasquared.h),
    // where one exists.
    std::vector<std::optional<double>> ciLower;
    std::vector<std::optional<double>> ciUpper;
    // Cell texts that take the place of MS and F in each row, and their headers in element 0.
    std::vector<std::string> column3;
    std::vector<std::string> column4;
};

// Effect sizes of an ordinary independent-groups table: every source row before the error row.
// Reads df and SS from the table texts, MSe from the pooled error, SStotal from the last row, N
// and n from the design. The eta-squared kinds are those of computeEtaSquared (etasquared.h).
EffectSizes computeEffectSizes(const AnovaTable& table, const Design& design, EffectSizeKind kind);

}  // namespace varisect
