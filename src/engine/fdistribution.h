// SPDX-License-Identifier: GPL-3.0-or-later
// The exact central and noncentral F distributions (Boost.Math), beside the program's own
// approximations: the exact p that can stand in the p column, and post hoc power where the
// series of the power routine cannot be evaluated.
#pragma once

#include <optional>

namespace varisect {

// P(F(df1, df2) > F). 1 for F <= 0 or a df that is not positive, 0 for an infinite F.
double exactUpperTail(double df1, double df2, double F);

// Power of the F test at `alpha` against the noncentrality `lambda`: the upper tail of the
// noncentral F(df1, df2, lambda) beyond the central critical value. Empty for unusable input.
std::optional<double> exactPower(double df1, double df2, double alpha, double lambda);

}  // namespace varisect
