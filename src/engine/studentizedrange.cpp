// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/studentizedrange.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/quadrature/gauss.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <boost/math/tools/roots.hpp>

namespace varisect {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Beyond this many df the estimated standard deviation is the true one to well within the
// accuracy of the integrals: the range distribution is used as it is.
constexpr double kNormalDf = 1e7;

// As Copenhaver and Holland do, both integrals are sums of Gauss-Legendre panels over the stretch
// where the integrand is not negligible: the integrands are smooth and bounded, so a fixed rule
// reaches full double precision without the adaptive rules' trouble with integrals that are
// (almost) 0. The panels are few and placed where the mass is; everything that does not depend on
// the range w is worked out once per node.

// Nodes and weights of the rule over [a, a + width), appended to the given arrays.
template <class Rule, class Nodes>
void addPanel(double a, double width, Nodes& x, Nodes& w, int& count)
{
    const auto& abscissa = Rule::abscissa();  // the non-negative half of the symmetric rule
    const auto& weight = Rule::weights();
    const double half = width / 2, mid = a + half;
    for (std::size_t i = 0; i < abscissa.size(); ++i) {
        x[count] = mid + half * abscissa[i];
        w[count++] = half * weight[i];
        if (abscissa[i] != 0) {
            x[count] = mid - half * abscissa[i];
            w[count++] = half * weight[i];
        }
    }
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

// The smallest of the k values z runs from -8.5, where the normal density is below 1e-16 and its
// tail below 1e-17, so that nothing the sums can hold is lost by cutting there. To the right the
// integrand is at most k phi(z) (1 - Phi(z))^(k-1), whose integral from z on is (1 - Phi(z))^k: the
// integral stops where that falls below 1e-16, at 4.4 for 3 values, 2 for 10, 0 for 50. The
// panels are 17/8 wide, as many as the stretch needs.
constexpr double kZ = 8.5;
constexpr double kInnerWidth = 2 * kZ / 8;
constexpr int kMaxInnerPanels = 8;
constexpr int kInnerPoints = 16;
using InnerRule = boost::math::quadrature::gauss<double, kInnerPoints>;

struct InnerNodes {
    int k = 2;
    int count = 0;
    std::array<double, kMaxInnerPanels * kInnerPoints> z{}, weight{}, Phi{};

    explicit InnerNodes(int values) : k(values)
    {
        if (k < 3)
            return;  // two values have a closed form
        const double rightTail = std::pow(10.0, -16.0 / k);
        const double hi = std::clamp(std::sqrt(2.0) * boost::math::erfc_inv(2 * rightTail), 1 - kZ, kZ);
        const int panels = std::clamp(int(std::ceil((hi + kZ) / kInnerWidth)), 1, kMaxInnerPanels);
        const double width = (hi + kZ) / panels;
        std::array<double, kMaxInnerPanels * kInnerPoints> x{}, w{};
        for (int p = 0; p < panels; ++p)
            addPanel<InnerRule>(-kZ + p * width, width, x, w, count);
        for (int i = 0; i < count; ++i) {
            z[i] = x[i];
            weight[i] = w[i] * phi(x[i]);  // the density of the smallest value folded in
            this->Phi[i] = varisect::Phi(x[i]);
        }
    }
};

// P(range < w) of the k standard normal values of `nodes`: k times the integral of
// phi(z) (Phi(z + w) - Phi(z))^(k-1) over the smallest value z. Ranges so small or so large that
// the answer is 0 or 1 to double precision skip the integral: P(range < w) <= k (w phi(0))^(k-1),
// and P(range >= w) is at most the k (k - 1) ordered pairs' chance of differing by w or more.
double rangeLowerTail(double w, const InnerNodes& nodes)
{
    if (w <= 0)
        return 0.0;
    const int k = nodes.k;
    if (k == 2)
        return std::erf(w / 2.0);  // the difference of two normals has standard deviation sqrt(2)
    const double km1 = k - 1;
    if (km1 * std::log(w * 0.398942280401432677939946059934) + std::log(double(k)) < -40)
        return 0.0;
    if (double(k) * km1 * 0.5 * std::erfc(w / 2.0) < 1e-18)
        return 1.0;
    double sum = 0;
    for (int i = 0; i < nodes.count; ++i) {
        const double inside = Phi(nodes.z[i] + w) - nodes.Phi[i];
        if (inside > 0)
            sum += nodes.weight[i] * std::exp(km1 * std::log(inside));
    }
    return std::clamp(k * sum, 0.0, 1.0);
}

bool usable(int k, double df)
{
    return k >= 2 && !std::isnan(df) && df > 0;
}

// The outer integral runs over t = ln s, s = sqrt(chi-square(df) / df) the estimated standard
// deviation in units of the true one. In t the density, df^(df/2) exp(df t - df e^(2t) / 2) /
// (2^(df/2 - 1) Gamma(df / 2)), is smooth for every df (in s it has a pole at 0 for df < 1), peaks
// at t = 0 with spread about 1 / sqrt(2 df), falls as exp(df t) to the left and far faster to the
// right. The limits leave out 1e-14 of the mass at either end; the panels are about three spreads
// wide near the peak and grow in the slowly falling left tail.
using OuterRule = boost::math::quadrature::gauss<double, 12>;
constexpr int kOuterPoints = 12;
constexpr int kMaxOuterNodes = 24 * kOuterPoints;

struct OuterNodes {
    std::array<double, kMaxOuterNodes> s{}, weight{};
    int count = 0;
};

OuterNodes outerNodes(double df)
{
    const boost::math::chi_squared chi(df);
    const double lo = 0.5 * std::log(boost::math::quantile(chi, 1e-14) / df);
    const double hi = 0.5 * std::log(boost::math::quantile(boost::math::complement(chi, 1e-14)) / df);
    const double spread = 1 / std::sqrt(2 * df);
    const double width = std::min(3 * spread, 1.0);

    OuterNodes out;
    std::array<double, kMaxOuterNodes> t{}, w{};
    // Right of the peak region: equal panels up to hi.
    const double peakLo = std::max(lo, -3 * spread);
    const int rightPanels = std::clamp(int(std::ceil((hi - peakLo) / width)), 1, 12);
    const double rightWidth = (hi - peakLo) / rightPanels;
    for (int p = 0; p < rightPanels; ++p)
        addPanel<OuterRule>(peakLo + p * rightWidth, rightWidth, t, w, out.count);
    // Left of it the density is nearly exp(df t): panels that double in width down to lo.
    double right = peakLo, step = width;
    while (right > lo && out.count + kOuterPoints <= kMaxOuterNodes) {
        const double left = std::max(lo, right - step);
        addPanel<OuterRule>(left, right - left, t, w, out.count);
        right = left;
        step *= 2;
    }
    const double logNorm =
        (df / 2) * std::log(df) - (df / 2 - 1) * std::log(2.0) - boost::math::lgamma(df / 2);
    // Nodes of negligible weight are dropped: as 0 <= P(range < w) <= 1, the sum changes by less
    // than their weight.
    int kept = 0;
    for (int i = 0; i < out.count; ++i) {
        const double s = std::exp(t[i]);
        const double weight = w[i] * std::exp(logNorm + df * t[i] - df * s * s / 2);
        if (weight > 1e-16) {
            out.s[kept] = s;
            out.weight[kept++] = weight;
        }
    }
    out.count = kept;
    return out;
}

// The range exceeds q s with the chance 1 - P(range < q s), integrated over the density of s.
// q > 0 and finite.
double upperTail(double q, const InnerNodes& inner, const OuterNodes& nodes)
{
    double below = 0;
    for (int i = 0; i < nodes.count; ++i)
        below += nodes.weight[i] * rangeLowerTail(q * nodes.s[i], inner);
    return std::clamp(1.0 - below, 0.0, 1.0);
}

}  // namespace

double normalRangeProbability(double w, int k)
{
    if (k < 2 || std::isnan(w))
        return kNaN;
    return rangeLowerTail(w, InnerNodes(k));
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
        return 1.0 - rangeLowerTail(q, InnerNodes(k));
    return upperTail(q, InnerNodes(k), outerNodes(df));
}

double studentizedRangeQuantile(double upperTail, int k, double df)
{
    if (!usable(k, df) || !(upperTail > 0 && upperTail < 1))
        return kNaN;
    // The nodes of both integrals are laid out once for the search.
    const bool normal = df >= kNormalDf;
    const InnerNodes inner(k);
    const OuterNodes outer = normal ? OuterNodes{} : outerNodes(df);
    const auto f = [&](double q) {
        return (normal ? 1.0 - rangeLowerTail(q, inner) : varisect::upperTail(q, inner, outer)) - upperTail;
    };
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
