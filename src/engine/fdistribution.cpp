// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/fdistribution.h"

// The quantile of Boost's F distribution leaves a variable uninitialised on a path that its own
// checks rule out; the optimiser cannot see that.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/non_central_f.hpp>
#pragma GCC diagnostic pop

#include <cmath>

namespace varisect {

namespace {

namespace bm = boost::math;

// Errors come back as NaN (or the limit) instead of exceptions; the callers check the result.
using Quiet = bm::policies::policy<bm::policies::domain_error<bm::policies::ignore_error>,
                                   bm::policies::overflow_error<bm::policies::ignore_error>,
                                   bm::policies::evaluation_error<bm::policies::ignore_error>>;

bool usableDf(double df) { return std::isfinite(df) && df > 0; }

}  // namespace

double exactUpperTail(double df1, double df2, double F)
{
    if (!usableDf(df1) || !usableDf(df2) || std::isnan(F) || F <= 0)
        return 1.0;
    if (std::isinf(F))
        return 0.0;
    const double p = bm::cdf(bm::complement(bm::fisher_f_distribution<double, Quiet>(df1, df2), F));
    return std::isnan(p) ? 1.0 : std::fmin(1.0, std::fmax(0.0, p));
}

std::optional<double> exactPower(double df1, double df2, double alpha, double lambda)
{
    if (!usableDf(df1) || !usableDf(df2) || !(alpha > 0 && alpha < 1) || !std::isfinite(lambda) || lambda < 0)
        return std::nullopt;
    const double critical =
        bm::quantile(bm::complement(bm::fisher_f_distribution<double, Quiet>(df1, df2), alpha));
    if (!std::isfinite(critical))
        return std::nullopt;
    const double power =
        bm::cdf(bm::complement(bm::non_central_f_distribution<double, Quiet>(df1, df2, lambda), critical));
    if (!std::isfinite(power))
        return std::nullopt;
    return std::fmin(1.0, std::fmax(0.0, power));
}

}  // namespace varisect
