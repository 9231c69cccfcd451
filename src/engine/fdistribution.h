// SPDX-License-Identifier: GPL-3.0-or-later
// The exact central and noncentral F distributions (Boost.Math), beside the program's own
// approximations: the exact p that can stand in the p column, and post hoc power where the
// series of the power routine cannot be evaluated.
#pragma once

#include <optional>
#include <utility>

namespace varisect {

// P(F(df1, df2) > F). 1 for F <= 0 or a df that is not positive, 0 for an infinite F.
double exactUpperTail(double df1, double df2, double F);

// Power of the F test at `alpha` against the noncentrality `lambda`: the upper tail of the
// noncentral F(df1, df2, lambda) beyond the central critical value. Empty for unusable input.
std::optional<double> exactPower(double df1, double df2, double alpha, double lambda);

// The two-sided `confidence` interval of the noncentrality lambda of F(df1, df2, lambda) given an
// observed F: the lambda that leaves F at its (1 + confidence) / 2 quantile and the one that
// leaves it at its (1 - confidence) / 2 quantile; a bound is 0 where even lambda = 0 puts F
// below that quantile. Empty for unusable input or where the search does not settle.
std::optional<std::pair<double, double>> noncentralityInterval(double F, double df1, double df2, double confidence);

}  // namespace varisect
