// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/studentizedrange.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/quadrature/gauss.hpp>
#include <boost/math/tools/roots.hpp>

namespace varisect {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Beyond this many df the estimated standard deviation is the true one to well within the
// accuracy of the integrals: the range distribution is used as it is.
constexpr double kNormalDf = 1e7;

// As Copenhaver and Holland do, each integral is split into panels of equal width, each summed by
// a Gauss-Legendre rule: the integrands are smooth and bounded, so a fixed rule reaches full
// double precision without the adaptive rules' trouble with integrals that are (almost) 0.
using Rule = boost::math::quadrature::gauss<double, 20>;

template <class F>
double panels(const F& f, double a, double b, int count)
{
    const double width = (b - a) / count;
    double sum = 0;
    for (int i = 0; i < count; ++i)
        sum += Rule::integrate(f, a + i * width, a + (i + 1) * width);
    return sum;
}

double Phi(double z)
{
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

double phi(double z)
{
    constexpr double invRoot2Pi = 0.398942280401432677939946059934;
    return invRoot2Pi * std::exp(-0.5 * z * z);
}

// P(range > w) of k standard normal values: 1 - k * integral of phi(z) (Phi(z + w) - Phi(z))^(k-1)
// over the smallest value z. Past |z| = 9 the normal density is below 1e-18: nothing is lost by
// cutting the integral there.
double rangeUpperTail(double w, int k)
{
    if (w <= 0)
        return 1.0;
    if (k == 2)
        return std::erfc(w / 2.0);  // the difference of two normals has standard deviation sqrt(2)
    const auto f = [w, k](double z) {
        const double inside = Phi(z + w) - Phi(z);
        return inside <= 0 ? 0.0 : phi(z) * std::pow(inside, k - 1);
    };
    return std::clamp(1.0 - k * panels(f, -9.0, 9.0, 24), 0.0, 1.0);
}

bool usable(int k, double df)
{
    return k >= 2 && !std::isnan(df) && df > 0;
}

}  // namespace

double normalRangeProbability(double w, int k)
{
    if (k < 2 || std::isnan(w))
        return kNaN;
    return 1.0 - rangeUpperTail(w, k);
}

double studentizedRangeUpperTail(double q, int k, double df)
{
    if (!usable(k, df) || std::isnan(q))
        return kNaN;
    if (q <= 0)
        return 1.0;
    if (std::isinf(q))
        return 0.0;
    if (df >= kNormalDf)
        return rangeUpperTail(q, k);

    // s = sqrt(chi-square(df) / df), the estimated standard deviation in units of the true one,
    // has density 2 df s f(df s^2) with f the chi-square density; the range exceeds q s with the
    // probability rangeUpperTail(q s). The limits leave out 1e-15 of s at either end.
    const boost::math::chi_squared chi(df);
    const double lo = std::sqrt(boost::math::quantile(chi, 1e-15) / df);
    const double hi = std::sqrt(boost::math::quantile(boost::math::complement(chi, 1e-15)) / df);
    const auto f = [&](double s) {
        if (s <= 0)
            return 0.0;  // not reached: the lower limit is above 0
        const double density = 2 * df * s * boost::math::pdf(chi, df * s * s);
        return density * rangeUpperTail(q * s, k);
    };
    return std::clamp(panels(f, lo, hi, 32), 0.0, 1.0);
}

double studentizedRangeQuantile(double upperTail, int k, double df)
{
    if (!usable(k, df) || !(upperTail > 0 && upperTail < 1))
        return kNaN;
    const auto f = [&](double q) { return studentizedRangeUpperTail(q, k, df) - upperTail; };
    // The tail falls from 1 at q = 0: double the upper end until it has fallen below the level.
    double lo = 0, hi = 2;
    while (f(hi) > 0) {
        lo = hi;
        hi *= 2;
        if (hi > 1e6)
            return kNaN;
    }
    std::uintmax_t iterations = 200;
    const auto bracket = boost::math::tools::toms748_solve(
        f, lo, hi, boost::math::tools::eps_tolerance<double>(45), iterations);
    return 0.5 * (bracket.first + bracket.second);
}

}  // namespace varisect
