// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/effectsize.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/etasquared.h"
#include "engine/fdistribution.h"
#include "engine/numbertext.h"

namespace varisect {

namespace {

constexpr double kPi = 3.14159;  // the closed forms were tuned with this value
constexpr int kMaxDf = 32767;    // the df of the tail function are 16-bit integers
constexpr int kMaxSecantSteps = 200;
constexpr double kTailSlack = 1e-5;  // how far the rounded pi can carry a tail outside [0, 1]

bool isBlankText(const std::string& s)
{
    return s.find_first_not_of(' ') == std::string::npos;
}

// 1 + t1 + t2 + ... with t0 = 1, tk = t(k-1) * (base + 2(k-1)) * factor / (2k), k = 1 .. last.
double evenSeries(int base, double factor, int last)
{
    double term = 1.0;
    double sum = 1.0;
    for (int k = 1; k <= last; ++k) {
        term = term * (base + 2.0 * (k - 1)) * factor / (2.0 * k);
        sum += term;
    }
    return sum;
}

}  // namespace

double HaysOmegaSquared(double ss, int df, double mse, double ssTotal)
{
    return (ss - df * mse) / (ssTotal + mse);
}

double PartialOmegaSquared(double ss, int df, double mse, long scoreCount)
{
    return (ss - df * mse) / (ss + (static_cast<double>(scoreCount) - df) * mse);
}

double Phi(double omega2, int scoresPerCell)
{
    return std::sqrt(scoresPerCell * omega2 / (1.0 - omega2));
}

namespace {

// The closed forms of UpperTailF. `failed` is set where they cannot be evaluated in double
// precision: a series overflows, its power factor underflows while the series is large (the
// product would be lost), or the result lies clearly outside [0, 1].
double closedFormTail(double F, int df1, int df2, bool& failed)
{
    // The product of a series sum and a power that underflowed cannot be trusted, unless the
    // series is 1 and the tail really is that small.
    const auto lost = [](double power, double series) {
        return !std::isfinite(series) || (power < DBL_MIN && series > 1.0);
    };
    double result = 0;
    if (df1 % 2 == 0) {
        const double x = df2 / (df1 * F + df2);
        const double s = evenSeries(df2, 1.0 - x, df1 / 2 - 1);
        const double xp = std::pow(x, df2 / 2.0);
        failed = failed || lost(xp, s);
        result = xp * s;
    } else if (df2 % 2 == 0) {
        const double y = 1.0 - df2 / (df1 * F + df2);
        const double s = evenSeries(df1, 1.0 - y, df2 / 2 - 1);
        const double yp = std::pow(y, df1 / 2.0);
        failed = failed || lost(yp, s);
        result = 1.0 - yp * s;
    } else {
        const double theta = std::atan(std::sqrt(df1 * F / df2));
        const double sn = std::sin(theta);
        const double cs = std::cos(theta);
        double a = 0;
        if (df2 == 1) {
            a = 2.0 * theta / kPi;
        } else {
            double u = 1.0;
            double c = 1.0;
            for (int k = 1; 2 * k + 1 < df2; ++k) {
                u = u * (2.0 * k) * cs * cs / (2.0 * k + 1.0);
                c += u;
            }
            a = (2.0 / kPi) * (theta + sn * cs * c);
        }
        double b = 0;
        if (df1 != 1) {
            double v = 1.0;
            double d = 1.0;
            for (int k = 1; 2 * k + 1 < df1; ++k) {
                v = v * (df2 + 2.0 * k - 1.0) * sn * sn / (2.0 * k + 1.0);
                d += v;
            }
            double g = 2.0 / kPi;
            const double half = (df2 - 1) / 2.0;
            for (int m = 0; half - m > 0; ++m)
                g *= (half - m) / (df2 / 2.0 - 1.0 - m);
            const double cp = std::pow(cs, df2);
            failed = failed || lost(cp, d * g);
            b = d * g * sn * cp;
        }
        result = 1.0 - a + b;
    }
    // The rounded pi carries a far tail a hair outside [0, 1]; more than that is a failure.
    failed = failed || !std::isfinite(result) || result < -kTailSlack || result > 1.0 + kTailSlack;
    return std::clamp(result, 0.0, 1.0);
}

}  // namespace

double UpperTailF(double F, int df1, int df2)
{
    bool failed = false;
    return closedFormTail(F, df1, df2, failed);
}

std::optional<double> seriesPostHocPower(int df1, int df2, double alpha, double phi)
{
    if (df1 < 1 || df2 < 1 || df1 > kMaxDf || df2 > kMaxDf)
        return std::nullopt;
    const double lambda = (df1 + 1) * phi * phi;
    if (!std::isfinite(lambda) || lambda <= 0)
        return std::nullopt;
    // The Poisson sum stops no earlier than j >= lambda: beyond the df limit it cannot stop.
    if (df1 + 2.0 * std::ceil(lambda) > kMaxDf)
        return std::nullopt;
    bool failed = false;
    const auto tail = [&](double F, int d1) { return closedFormTail(F, d1, df2, failed); };

    // Critical value: secant search for the F whose upper tail is alpha.
    double x1 = 0, y1 = 1;
    double x2 = 1, y2 = tail(1.0, df1);
    double fcrit = 0;
    bool settled = false;
    for (int step = 0; step < kMaxSecantSteps && !failed; ++step) {
        const double x3 = x1 + (x2 - x1) * (alpha - y1) / (y2 - y1);
        if (!std::isfinite(x3))
            return std::nullopt;
        const double y3 = tail(x3, df1);
        if (!std::isfinite(y3))
            return std::nullopt;
        x1 = x2;
        y1 = y2;
        x2 = x3;
        y2 = y3;
        if (std::fabs(y3 - alpha) <= 5e-6) {
            fcrit = x3;
            settled = true;
            break;
        }
    }
    if (!settled || failed)
        return std::nullopt;

    // Poisson mixture of central tails: the noncentral chi-square of the numerator is a
    // Poisson(lambda / 2) mixture of central ones with df1 + 2j degrees of freedom.
    auto weightedTail = [](double tail, double logWeight) {
        if (!(tail > 0))
            return 0.0;
        const double t = std::log(tail) + logWeight;
        return t <= -87 ? 0.0 : std::exp(t);
    };
    // A tail is at most 1, so a term whose log weight is -87 or less is 0 without evaluating it.
    const double L = std::log(lambda / 2.0);
    double w = -lambda / 2.0;
    double power = w <= -87 ? 0.0 : weightedTail(tail(fcrit, df1), w);
    for (int j = 1;; ++j) {
        const int df = df1 + 2 * j;
        if (df > kMaxDf || failed)
            return std::nullopt;
        w = w + L + std::log(1.0 / j);
        const double term = w <= -87 ? 0.0 : weightedTail(tail(df1 * fcrit / df, df), w);
        power += term;
        if (term <= 5e-6 && 4.0 * std::exp(L) <= 2.0 * j)
            break;
    }
    if (failed || !(power >= 0.0 && power <= 1.0))
        return std::nullopt;
    return power;
}

std::optional<double> PostHocPower(int df1, int df2, double alpha, double phi)
{
    if (const auto power = seriesPostHocPower(df1, df2, alpha, phi))
        return power;
    if (df1 < 1 || df2 < 1 || !std::isfinite(phi) || phi <= 0)
        return std::nullopt;
    return exactPower(df1, df2, alpha, (df1 + 1) * phi * phi);
}

std::string FormatFixed(double value, int places, bool pStyle)
{
    if (pStyle && places == 3) {
        if (value < 0.001)
            return "<.001";
        if (value == 1)
            return " 1. ";
    }
    // Powers of ten up to 10^22 are exact doubles, as pow gives them.
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11};
    const double scale = places >= 0 && places < 12 ? kPowersOfTen[places] : std::pow(10.0, places);
    const double units = std::floor(0.5 + value * scale);
    // As printf's %.15G of units / scale: the general form with 15 digits, in upper case. A
    // rounding without an exponent in its text is written from its whole number of units.
    char buf[64];
    const bool plain = places >= 0 && places < 12 && std::fabs(units) < 1e15
                       && (units == 0 || places < 4 || std::fabs(units) >= kPowersOfTen[places - 4]);
    std::string s(buf, plain ? generalFifteenOfUnits(buf, buf + sizeof buf, units, places)
                             : generalFifteen(buf, buf + sizeof buf, units / scale));
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    if (s.rfind("0.", 0) == 0)
        s.erase(0, 1);
    else if (s.rfind("-0.", 0) == 0)
        s.erase(1, 1);

    const auto n = s.size();
    if (places == 2) {
        const auto dot = s.find('.');
        if (dot == std::string::npos)
            s += ".00";
        else if (dot == n - 1)
            s += "00";
        else if (dot == n - 2)
            s += "0";
    } else if (places == 3) {
        if (n >= 3 && s[n - 3] == '.')
            s += "0";
        else if (n == 1)
            s += ".000";
        else if (n == 2)
            s += s[0] == '.' ? "00" : ".000";
        else if (s.back() == '.')
            s += "00";
    }
    return s;
}

namespace {

// Whether a FormatFixed text reads as 0: no digit but 0 before its exponent, if it has one.
bool readsAsZero(std::string_view text)
{
    for (const char c : text) {
        if (c == 'E')
            break;
        if (c >= '1' && c <= '9')
            return false;
    }
    return true;
}

}  // namespace

std::string widenedFixed(double value, int places)
{
    constexpr int kMaxWidenedPlaces = 15;
    std::string text = FormatFixed(value, places, false);
    while (readsAsZero(text) && places < kMaxWidenedPlaces) {
        ++places;
        text = FormatFixed(value, places, false);
    }
    return text;
}

std::string meanSquareText(double ms, int places)
{
    return ms > 0 ? widenedFixed(ms, places) : FormatFixed(ms, places, false);
}

EffectSizes computeEffectSizes(const AnovaTable& table, const Design& design, EffectSizeKind kind)
{
    if (kind != EffectSizeKind::Hays && kind != EffectSizeKind::Partial)
        return computeEtaSquared(table, kind);
    EffectSizes out;
    out.kind = kind;
    const size_t rows = table.rows.size();
    out.omega2.assign(rows, std::nullopt);
    out.phi.assign(rows, std::nullopt);
    out.power.assign(rows, std::nullopt);
    out.ciLower.assign(rows, std::nullopt);
    out.ciUpper.assign(rows, std::nullopt);
    out.column3.assign(rows, std::string());
    out.column4.assign(rows, std::string());
    if (rows == 0)
        return out;

    if (kind == EffectSizeKind::Hays) {
        out.column3[0] = "Omega\u00B2";
        out.column4[0] = "P-h Pwr";
    } else {
        out.column3[0] = "Partial O\u00B2";
        out.column4[0] = "F";
    }

    const double mse = table.pooledErrorSS / table.pooledErrorDf;
    const double ssTotal = table.number(table.rowCount(), ColSS);
    const long scoreCount = design.scoreCount();
    const int perCell = design.designatedFactor >= 1 && design.designatedFactor <= design.factorCount()
        ? design.factor(design.designatedFactor).levels
        : 1;

    // Source rows are table rows 2 .. lastRow - 1; lastRow is the error row.
    const int lastSource = std::min(table.lastRow - 1, static_cast<int>(rows) - 1);
    for (int r = 2; r <= lastSource; ++r) {
        const size_t i = static_cast<size_t>(r - 1);
        const AnovaTable::Row& row = table.rows[i];
        const double ss = table.number(r, ColSS);
        const int df = static_cast<int>(std::lround(table.number(r, ColDf)));
        if (kind == EffectSizeKind::Hays) {
            const double omega2 = HaysOmegaSquared(ss, df, mse, ssTotal);
            out.omega2[i] = omega2;
            out.column3[i] = FormatFixed(omega2, 3, false);
            if (const auto ci = estimateInterval(omega2, df, table.pooledErrorDf)) {
                out.ciLower[i] = ci->first;
                out.ciUpper[i] = ci->second;
            }
            if (omega2 <= 0) {
                out.power[i] = 0.0;
                out.column4[i] = ".00";
            } else if (omega2 < 1) {
                const double phi = Phi(omega2, perCell);
                out.phi[i] = phi;
                const auto power = PostHocPower(df, table.pooledErrorDf, 0.05, phi);
                out.power[i] = power;
                if (power)
                    out.column4[i] = FormatFixed(*power, 2, false);
            }
        } else {
            const double omega2 = PartialOmegaSquared(ss, df, mse, scoreCount);
            out.omega2[i] = omega2;
            out.column3[i] = FormatFixed(omega2, 3, false);
            if (const auto ci = estimateInterval(omega2, df, table.pooledErrorDf)) {
                out.ciLower[i] = ci->first;
                out.ciUpper[i] = ci->second;
            }
            const std::string& fText = row[ColF - 1];
            if (!isBlankText(fText)) {
                const double f = table.number(r, ColF);
                out.column4[i] = f < 1 ? "<1" : FormatFixed(f, 2, true);
            }
        }
    }
    return out;
}

}  // namespace varisect
