// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/fdistribution.h"

// The quantile of Boost's F distribution leaves a variable uninitialised on a path that its own
// checks rule out; the optimiser cannot see that.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/non_central_f.hpp>
#include <boost/math/tools/roots.hpp>
#pragma GCC diagnostic pop

#include <cmath>
#include <cstdint>

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

namespace {

// The lambda at which P(F' <= F | lambda) falls to `target`, the probability decreasing in lambda;
// 0 where it is already at or below `target` at lambda = 0.
std::optional<double> noncentralityAt(double F, double df1, double df2, double target)
{
    const auto below = [&](double lambda) {
        return bm::cdf(bm::non_central_f_distribution<double, Quiet>(df1, df2, lambda), F);
    };
    const double atZero = bm::cdf(bm::fisher_f_distribution<double, Quiet>(df1, df2), F);
    if (!std::isfinite(atZero))
        return std::nullopt;
    if (atZero <= target)
        return 0.0;
    double high = std::max(1.0, F * df1);
    double atHigh = below(high);
    for (int step = 0; std::isfinite(atHigh) && atHigh > target; ++step) {
        if (step == 60)
            return std::nullopt;
        high *= 2;
        atHigh = below(high);
    }
    if (!std::isfinite(atHigh))
        return std::nullopt;
    std::uintmax_t iterations = 200;
    const auto bracket = bm::tools::toms748_solve([&](double lambda) { return below(lambda) - target; }, 0.0, high,
                                                  atZero - target, atHigh - target,
                                                  bm::tools::eps_tolerance<double>(40), iterations, Quiet());
    const double lambda = (bracket.first + bracket.second) / 2;
    return std::isfinite(lambda) ? std::optional<double>(lambda) : std::nullopt;
}

}  // namespace

std::optional<std::pair<double, double>> noncentralityInterval(double F, double df1, double df2, double confidence)
{
    if (!usableDf(df1) || !usableDf(df2) || !std::isfinite(F) || F < 0 || !(confidence > 0 && confidence < 1))
        return std::nullopt;
    const double tail = (1 - confidence) / 2;
    const auto lower = noncentralityAt(F, df1, df2, 1 - tail);
    const auto upper = noncentralityAt(F, df1, df2, tail);
    if (!lower || !upper)
        return std::nullopt;
    return std::make_pair(*lower, *upper);
}

}  // namespace varisect
