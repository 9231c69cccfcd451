// SPDX-License-Identifier: GPL-3.0-or-later
// Eta squared, partial eta squared and generalized eta squared of the rows of a table with
// F-ratios, and the confidence intervals of the partial effect sizes, found by inverting the
// noncentral F distribution.
#pragma once

#include <optional>
#include <utility>

#include "engine/effectsize.h"

namespace varisect {

struct AnovaTable;

// Every row with an F-ratio gets, by `kind`:
// - eta squared: SS / SS of "Total";
// - partial eta squared: SS / (SS + SS of the error row its F was formed against);
// - generalized eta squared (Olejnik and Algina, 2003), every factor taken as manipulated except
//   the replicates or subjects, which are measured: SS / (SS + the SS of every source that
//   involves the subjects), those being the error rows of the table and a subjects row of its
//   own (the row other than "Total" without a mean square). In an independent-groups table it
//   equals partial eta squared.
// Each value has its 90% interval (estimateInterval with the df of the row and of its error row).
// The columns take the places of MS and F: the value, and the interval as "[lower, upper]".
EffectSizes computeEtaSquared(const AnovaTable& table, EffectSizeKind kind);

// The interval of the noncentrality lambda that F(df1, df2) leaves at `confidence`, each bound
// given as the partial eta squared of the F of df1, df2 and noncentrality lambda, that is
// lambda / (lambda + df2).
std::optional<std::pair<double, double>> partialEtaInterval(double F, double df1, double df2,
                                                            double confidence = kEffectSizeConfidence);

// The interval of an estimate of a proportion of variance (omega squared, partial omega squared,
// the eta squareds) of an effect whose F has df1 and df2: that of partialEtaInterval for the F
// that has the estimate as its partial eta squared, (estimate / df1) / ((1 - estimate) / df2),
// an estimate below 0 taken as 0. For partial eta squared that F is the F of the table.
std::optional<std::pair<double, double>> estimateInterval(double estimate, double df1, double df2,
                                                          double confidence = kEffectSizeConfidence);

}  // namespace varisect
