// SPDX-License-Identifier: GPL-3.0-or-later
#include "contrasts/contrasts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/numbertext.h"

namespace varisect {

namespace {

double dot(const std::vector<double>& a, const std::vector<double>& b)
{
    double s = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        s += a[i] * b[i];
    return s;
}

void normalise(std::vector<double>& v)
{
    const double length = std::sqrt(dot(v, v));
    if (length > 0)
        for (double& x : v)
            x /= length;
}

// Small whole numbers where a multiple of the vector gives them; else the largest coefficient
// becomes 1 in size.
std::vector<double> readableScale(std::vector<double> v)
{
    double largest = 0;
    for (const double x : v)
        largest = std::max(largest, std::fabs(x));
    if (largest == 0)
        return v;
    for (double& x : v) {
        x /= largest;
        if (std::fabs(x) < 1e-9)
            x = 0;
    }
    double smallest = 1;
    for (const double x : v)
        if (x != 0)
            smallest = std::min(smallest, std::fabs(x));
    for (int multiple = 1; multiple <= 64; ++multiple) {
        const double scale = multiple / smallest;
        if (scale > 1e6)
            break;
        bool whole = true;
        for (const double x : v) {
            const double y = x * scale;
            if (std::fabs(y - std::nearbyint(y)) > 1e-7 * scale) {
                whole = false;
                break;
            }
        }
        if (whole) {
            for (double& x : v)
                x = std::nearbyint(x * scale);
            return v;
        }
    }
    return v;
}

std::string numberWord(double value)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", value);
    return buf;
}

std::string levelWord(int levels)
{
    return std::to_string(levels) + (levels == 1 ? " level" : " levels");
}

Message problem(const char* title, std::string text)
{
    return Message{title, std::move(text), MessageButtons::Ok, MessageIcon::Exclamation};
}

}  // namespace

// ---- Trends

std::vector<std::vector<double>> orthogonalPolynomials(const std::vector<double>& values)
{
    const std::size_t L = values.size();
    std::vector<std::vector<double>> out;
    if (L < 2)
        return out;
    // Scaled first, so that the mean of values near the largest double does not overflow; then
    // centred and brought to a largest size of 1.
    std::vector<double> x = scaledDown(values);
    double mean = 0;
    for (const double v : x)
        mean += v;
    mean /= static_cast<double>(L);
    double spread = 0;
    for (std::size_t i = 0; i < L; ++i) {
        x[i] -= mean;
        spread = std::max(spread, std::fabs(x[i]));
    }
    if (spread > 0)
        for (double& v : x)
            v /= spread;

    // Gram-Schmidt on the powers of the centred values, each new power formed as x times the
    // previous polynomial (the same space, better conditioned), orthogonalised twice.
    std::vector<std::vector<double>> basis{std::vector<double>(L, 1.0 / std::sqrt(static_cast<double>(L)))};
    for (std::size_t degree = 1; degree < L; ++degree) {
        std::vector<double> v(L);
        for (std::size_t i = 0; i < L; ++i)
            v[i] = x[i] * basis.back()[i];
        for (int pass = 0; pass < 2; ++pass)
            for (const auto& q : basis) {
                const double c = dot(v, q);
                for (std::size_t i = 0; i < L; ++i)
                    v[i] -= c * q[i];
            }
        normalise(v);
        basis.push_back(v);
        out.push_back(readableScale(v));
    }
    return out;
}

std::string trendName(int degree)
{
    switch (degree) {
    case 1:
        return "linear";
    case 2:
        return "quadratic";
    case 3:
        return "cubic";
    default:
        return "order " + std::to_string(degree);
    }
}

std::vector<Contrast> trendContrasts(int factor, const std::vector<double>& values, int highestDegree)
{
    const std::vector<std::vector<double>> polynomials = orthogonalPolynomials(values);
    std::vector<Contrast> out;
    for (int degree = 1; degree <= highestDegree && degree <= static_cast<int>(polynomials.size()); ++degree)
        out.push_back({factor, trendName(degree), polynomials[static_cast<std::size_t>(degree - 1)], true});
    return out;
}

std::vector<std::string> coefficientLines(const std::vector<Contrast>& contrasts)
{
    std::size_t nameWidth = 0;
    std::size_t numberWidth = 0;
    for (const Contrast& c : contrasts) {
        nameWidth = std::max(nameWidth, c.name.size() + 1);
        for (const double v : c.coefficients)
            numberWidth = std::max(numberWidth, numberWord(v == 0 ? 0.0 : v).size());
    }
    std::vector<std::string> lines;
    for (const Contrast& c : contrasts) {
        std::string line = c.name + ":";
        line.append(nameWidth - line.size(), ' ');
        for (const double v : c.coefficients) {
            const std::string word = numberWord(v == 0 ? 0.0 : v);
            line += std::string(numberWidth + 2 - word.size(), ' ') + word;
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> trendLegend(const Design& design, const std::vector<Contrast>& contrasts)
{
    std::vector<std::string> out;
    for (int k = 1; k <= design.factorCount(); ++k) {
        std::vector<Contrast> trends;
        for (const Contrast& c : contrasts)
            if (c.trend && c.factor == k) {
                trends.push_back(c);
                trends.back().name = std::string(1, design.factor(k).tableLabel) + ": " + c.name;
            }
        if (trends.empty())
            continue;
        if (out.empty())
            out.push_back("  Trend coefficients");
        for (const std::string& line : coefficientLines(trends))
            out.push_back("   " + line);
    }
    return out;
}

std::vector<double> equallySpacedValues(int levels)
{
    std::vector<double> v;
    for (int i = 1; i <= levels; ++i)
        v.push_back(i);
    return v;
}

// ---- Reading

std::vector<std::string> splitNumberList(const std::string& text)
{
    std::vector<std::string> items;
    std::string current;
    for (const char c : text) {
        if (c == ',' || c == ' ' || c == '\t' || c == ';') {
            if (!current.empty())
                items.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        items.push_back(current);
    return items;
}

ReadNumbers readLevelValues(const std::vector<std::string>& texts, const Factor& factor)
{
    ReadNumbers out;
    if (static_cast<int>(texts.size()) != factor.levels) {
        out.problem = problem("Wrong Number of Values!",
                              factor.name + " has " + levelWord(factor.levels) + ", so it needs " +
                                  std::to_string(factor.levels) + " level values; " + std::to_string(texts.size()) +
                                  (texts.size() == 1 ? " was" : " were") + " given.");
        return out;
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        double v = 0;
        if (readWholeNumber(texts[i], v) != NumberStatus::Ok || !std::isfinite(v)) {
            out.problem = problem("Not a Number!", "The value for level " + std::to_string(i + 1) + " of " +
                                                       factor.name + ", \"" + texts[i] +
                                                       "\", is not a number.");
            out.values.clear();
            return out;
        }
        out.values.push_back(v);
    }
    const auto [low, high] = std::minmax_element(out.values.begin(), out.values.end());
    const double tolerance = 1e-9 * std::max(std::fabs(*low), std::fabs(*high));
    for (std::size_t i = 0; i < out.values.size(); ++i)
        for (std::size_t k = i + 1; k < out.values.size(); ++k)
            if (std::fabs(out.values[i] - out.values[k]) <= tolerance) {
                out.problem = problem("Equal Level Values!",
                                      "Levels " + std::to_string(i + 1) + " and " + std::to_string(k + 1) + " of " +
                                          factor.name + " have the same value.  Trends need a different value "
                                          "for every level.");
                out.values.clear();
                return out;
            }
    return out;
}

ReadNumbers readCoefficients(const std::vector<std::string>& texts, const Factor& factor, int number)
{
    ReadNumbers out;
    const std::string which = "Contrast " + std::to_string(number) + " on " + factor.name;
    if (static_cast<int>(texts.size()) != factor.levels) {
        out.problem = problem("Wrong Number of Coefficients!",
                              which + " has " + std::to_string(texts.size()) + " coefficient" +
                                  (texts.size() == 1 ? "" : "s") + ", but " + factor.name + " has " +
                                  levelWord(factor.levels) + ".  Give one coefficient for each level.");
        return out;
    }
    double largest = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        double v = 0;
        const bool blank = texts[i].find_first_not_of(" \t") == std::string::npos;
        if (!blank && (readWholeNumber(texts[i], v) != NumberStatus::Ok || !std::isfinite(v))) {
            out.problem = problem("Not a Number!", "The coefficient for level " + std::to_string(i + 1) + " in " +
                                                       which + ", \"" + texts[i] + "\", is not a number.");
            out.values.clear();
            return out;
        }
        out.values.push_back(v);
        largest = std::max(largest, std::fabs(v));
    }
    if (largest == 0) {
        out.problem = problem("Empty Contrast!", which + " has only zero coefficients.  A contrast must give "
                                                         "weight to at least two levels.");
        out.values.clear();
        return out;
    }
    // Added up at a scale where no partial sum can overflow (1e308 1e308 -1e308 -1e308 is a
    // contrast), and compared with the largest coefficient at that scale.
    const int exponent = binaryExponent(out.values);
    double scaledSum = 0;
    for (const double v : out.values)
        scaledSum += std::ldexp(v, -exponent);
    const double sum = std::ldexp(scaledSum, exponent);
    if (std::fabs(scaledSum) > 1e-6 * std::ldexp(largest, -exponent)) {
        out.problem = problem("Coefficients Do Not Sum to Zero!",
                              "The coefficients of " + which + " add up to " + numberWord(sum) +
                                  ".  The coefficients of a contrast must add up to 0 (for example 1 -1 0, or "
                                  "2 -1 -1).");
        out.values.clear();
        return out;
    }
    return out;
}

std::string coefficientText(const std::vector<double>& coefficients)
{
    std::string s;
    for (const double c : coefficients)
        s += (s.empty() ? "" : " ") + numberWord(c == 0 ? 0.0 : c);
    return s;
}

std::string comparisonName(int number, const std::vector<double>& coefficients)
{
    return "c" + std::to_string(number) + " (" + coefficientText(coefficients) + ")";
}

// ---- Factors

std::vector<int> eligibleFactors(const Design& design, ContrastKind kind)
{
    std::vector<int> out;
    for (int k = 1; k <= design.factorCount(); ++k) {
        if (k == design.designatedFactor || isNestedFactor(design, k))
            continue;
        if (kind == ContrastKind::Trend && design.factor(k).levels < 3)
            continue;
        out.push_back(k);
    }
    return out;
}

std::optional<Message> noEligibleFactor(const Design& design, ContrastKind kind)
{
    if (!eligibleFactors(design, kind).empty())
        return std::nullopt;
    if (kind == ContrastKind::Trend)
        return Message{"No Factor for Trends!",
                       "Trend tests need a factor with at least 3 levels that is neither the replicates or "
                       "subjects factor nor nested under another factor.  This design has none.",
                       MessageButtons::Ok, MessageIcon::Information};
    return Message{"No Factor for Comparisons!",
                   "Planned comparisons need a factor that is neither the replicates or subjects factor nor "
                   "nested under another factor.  This design has none.",
                   MessageButtons::Ok, MessageIcon::Information};
}

}  // namespace varisect
