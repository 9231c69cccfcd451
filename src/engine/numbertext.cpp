// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/numbertext.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace varisect {

namespace {

// The 15 significant digits of a finite, non-zero value as the C runtime's %.15G writes them
// (lower-case exponent), and where they end.
struct Digits {
    char text[40];
    const char* end;
    double value;    // the value written, after the limit below
    double readBack; // the value the text reads back as, where the writing knows it; NaN otherwise
};

char* fifteenDigits(char* first, char* last, double value, double& readBack);

// The largest magnitude whose 15-digit text reads back as a number. The few doubles above it
// (up to 1.7976931348623157E+308) would round at 15 digits to 1.79769313486232E+308, which is
// beyond every double; they are written as this one instead, rounded toward zero in the last
// digit, so that every finite value's text reads back as a finite value.
constexpr double kLargestFifteenDigits = 1.79769313486231E+308;

Digits digitsOf(double value)
{
    if (std::fabs(value) > kLargestFifteenDigits)
        value = std::copysign(kLargestFifteenDigits, value);
    Digits d;
    d.value = value;
    d.end = fifteenDigits(d.text, d.text + sizeof d.text, value, d.readBack);
    return d;
}

double valueOf(const Digits& d)
{
    if (!std::isnan(d.readBack))
        return d.readBack;
    double v = 0;
    if (std::from_chars(d.text, d.end, v).ec == std::errc::result_out_of_range) {
        // Only the largest doubles round up beyond the range; the reader takes them as infinite.
        v = std::numeric_limits<double>::infinity();
        if (d.text[0] == '-')
            v = -v;
    }
    return v;
}

std::string textOf(const Digits& d)
{
    const char* digits = d.text;
    char text[48];
    char* out = text;
    if (*digits == '-') {
        *out++ = '-';
        ++digits;
    } else {
        *out++ = ' ';
    }
    if (d.end - digits > 1 && digits[0] == '0' && digits[1] == '.')
        ++digits;
    for (; digits != d.end; ++digits)
        *out++ = *digits == 'e' ? 'E' : *digits;
    return std::string(text, out);
}

// The text %.15g makes of the significant digits digits[0 .. n) (at most 15, the last not a zero
// unless it is the only one) of a number with decimal exponent x.
char* layOut(char* first, bool negative, const char* digits, int n, int x)
{
    constexpr int kPrecision = 15;
    char* out = first;
    if (negative)
        *out++ = '-';
    if (x < -4 || x >= kPrecision) {
        *out++ = digits[0];
        if (n > 1) {
            *out++ = '.';
            out = std::copy(digits + 1, digits + n, out);
        }
        *out++ = 'e';
        *out++ = x < 0 ? '-' : '+';
        const int ax = x < 0 ? -x : x;
        if (ax >= 100)
            *out++ = static_cast<char>('0' + ax / 100);
        *out++ = static_cast<char>('0' + ax / 10 % 10);
        *out++ = static_cast<char>('0' + ax % 10);
    } else if (x >= 0) {
        for (int i = 0; i <= x; ++i)
            *out++ = i < n ? digits[i] : '0';
        if (n > x + 1) {
            *out++ = '.';
            out = std::copy(digits + x + 1, digits + n, out);
        }
    } else {
        *out++ = '0';
        *out++ = '.';
        out = std::fill_n(out, -x - 1, '0');
        out = std::copy(digits, digits + n, out);
    }
    return out;
}

// The 15 significant digits of a value from 10^-8 to 10^36 in size, from one correctly rounded
// multiplication or division by a power of ten (exact up to 10^22). The result, from 10^14 to
// 10^15, lies on a grid of 1/64 to 1/8 on which every whole number and every half is a point,
// and correct rounding never steps over a point of its grid: so the result is on the same side
// of each half as the exact product, and rounds to the same whole number, unless it is a half
// itself (then nullptr, and the conversion through the shortest text decides). Also nullptr
// outside that range.
// `readBack` is what the text reads back as: its 15 digits as a whole number (below 2^53, so
// exact) times or divided by a power of ten up to 10^22 (exact too), rounded once, which is the
// nearest double to the text's decimal value, as any correct reader gives.
char* scaledFifteen(char* first, double value, double& readBack)
{
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const double size = std::fabs(value);
    if (!(size >= 1e-8 && size < 1e36))
        return nullptr;
    int binary = 0;
    std::frexp(size, &binary);
    int x = static_cast<int>(std::floor((binary - 1) * 0.30102999566398120));  // 10^x <= size, near
    double scaled = 0;
    for (int tries = 0; tries < 3; ++tries) {
        const int k = 14 - x;  // size * 10^k has 15 digits before its point
        if (k > 22 || k < -22)
            return nullptr;
        scaled = k >= 0 ? size * kPowersOfTen[k] : size / kPowersOfTen[-k];
        if (scaled >= 1e15)
            ++x;
        else if (scaled < 1e14)
            --x;
        else
            break;
    }
    // Away from the ends, where the digit count could be one off.
    if (!(scaled >= 1e14 + 1 && scaled < 1e15 - 1))
        return nullptr;
    const double whole = std::floor(scaled);
    const double part = scaled - whole;  // exact: both below 2^53
    if (part == 0.5)
        return nullptr;
    auto units = static_cast<unsigned long long>(whole) + (part >= 0.5 ? 1 : 0);
    // The text is units * 10^e, e = -k from the last try (from -22 to 22); units is at most
    // 10^15 (the adjustment below writes the same number).
    const int e = x - 14;
    const auto exact = static_cast<double>(units);
    readBack = std::copysign(e >= 0 ? exact * kPowersOfTen[e] : exact / kPowersOfTen[-e], value);
    if (units == 1000000000000000ull) {
        units = 100000000000000ull;
        ++x;
    }
    char digits[24];
    int n = static_cast<int>(std::to_chars(digits, digits + sizeof digits, units).ptr - digits);
    while (n > 1 && digits[n - 1] == '0')
        --n;
    return layOut(first, value < 0, digits, n, x);
}

// generalFifteen's text; `readBack` is the value it reads back as where that is known without
// reading it (NaN otherwise).
char* fifteenDigits(char* first, char* last, double value, double& readBack)
{
    constexpr int kPrecision = 15;
    readBack = std::numeric_limits<double>::quiet_NaN();
    // A whole number below 10^15 (every df, and many counts) is its own digits.
    if (std::fabs(value) < 1e15 && value == std::trunc(value) && value != 0) {
        readBack = value;
        return std::to_chars(first, last, static_cast<long long>(value)).ptr;
    }
    if (char* out = scaledFifteen(first, value, readBack))
        return out;
    // Below the smallest normal double the shortest text can be far from the value ("5e-324").
    if (std::isfinite(value) && std::fabs(value) >= std::numeric_limits<double>::min()) {
        // The shortest text in the form [-]d[.ddd]e[+-]XX: when its digits are at most 15, they
        // are what rounding the value to 15 digits gives, since the value lies within half a
        // unit of its last place of them.
        char s[40];
        const char* const end = std::to_chars(s, s + sizeof s, value, std::chars_format::scientific).ptr;
        const char* at = s;
        const bool negative = *at == '-';
        at += negative ? 1 : 0;
        char digits[24];
        int n = 0;
        for (; at != end && *at != 'e'; ++at)
            if (*at != '.' && n < 24)
                digits[n++] = *at;
        // More digits (16 or 17): rounded at the 15th where the shortest text's part beyond it
        // cannot lie on the other side of one half from the value's own. The value lies within
        // 2^-53 * 10^15 < 0.12 units of the 15th place of the shortest text, so a part below
        // .38 or above .62 rounds as the value does; nearer to one half the general conversion
        // decides.
        int x = 0;
        bool settled = n <= kPrecision;
        const bool ofShortest = settled;
        if (at != end) {
            const char* e = at + 1;
            const bool negativeExponent = *e == '-';
            for (++e; e != end; ++e)
                x = x * 10 + (*e - '0');
            x = negativeExponent ? -x : x;
        }
        if (!settled && n <= 17) {
            const int beyond = (digits[kPrecision] - '0') * 10 + (n > kPrecision + 1 ? digits[kPrecision + 1] - '0' : 0);
            if (beyond < 38 || beyond > 62) {
                settled = true;
                n = kPrecision;
                if (beyond > 62) {
                    int i = n - 1;
                    while (i >= 0 && digits[i] == '9')
                        digits[i--] = '0';
                    if (i >= 0) {
                        ++digits[i];
                    } else {
                        digits[0] = '1';  // 999...9 rounds to the next power of ten
                        ++x;
                    }
                }
                while (n > 1 && digits[n - 1] == '0')
                    --n;
            }
        }
        if (settled && at != end) {
            if (ofShortest)  // the shortest text's digits read back as the value itself
                readBack = value;
            return layOut(first, negative, digits, n, x);
        }
    }
    return std::to_chars(first, last, value, std::chars_format::general, kPrecision).ptr;
}

}  // namespace

char* generalFifteen(char* first, char* last, double value)
{
    double readBack = 0;
    return fifteenDigits(first, last, value, readBack);
}

char* generalFifteenOfUnits(char* first, char* /*last*/, double units, int places)
{
    const auto whole = static_cast<long long>(units);
    const unsigned long long size = whole < 0 ? 0ull - static_cast<unsigned long long>(whole)
                                              : static_cast<unsigned long long>(whole);
    char digits[24];
    const int count = static_cast<int>(std::to_chars(digits, digits + sizeof digits, size).ptr - digits);
    // The i-th digit after the point (from 0), '0' where the number has fewer digits.
    const auto afterPoint = [&](int i) { return count - places + i < 0 ? '0' : digits[count - places + i]; };
    char* out = first;
    if (std::signbit(units))  // -0 too, as generalFifteen writes it
        *out++ = '-';
    const int before = count - places;  // digits before the point
    if (before <= 0)
        *out++ = '0';
    else
        out = std::copy(digits, digits + before, out);
    int kept = places;
    while (kept > 0 && afterPoint(kept - 1) == '0')
        --kept;
    if (kept > 0) {
        *out++ = '.';
        for (int i = 0; i < kept; ++i)
            *out++ = afterPoint(i);
    }
    return out;
}

std::string numberText(double value)
{
    double shown = 0;
    return numberText(value, shown);
}

std::string numberText(double value, double& shown)
{
    shown = 0;
    if (std::isnan(value))
        return " NaN";
    if (std::isinf(value))
        return value > 0 ? " Inf" : "-Inf";
    if (value == 0)
        return " 0";
    const Digits d = digitsOf(value);
    shown = valueOf(d);
    return textOf(d);
}

double shownNumber(double value)
{
    if (!std::isfinite(value) || value == 0)
        return 0;
    return valueOf(digitsOf(value));
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Length of the longest prefix of `t` that is a number; 0 when there is none.
size_t numericPrefix(std::string_view t)
{
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
        ++i;
        ++digits;
    }
    if (i < t.size() && t[i] == '.') {
        size_t j = i + 1;
        size_t fraction = 0;
        while (j < t.size() && std::isdigit(static_cast<unsigned char>(t[j]))) {
            ++j;
            ++fraction;
        }
        if (digits + fraction > 0) {
            i = j;
            digits += fraction;
        }
    }
    if (digits == 0)
        return 0;
    if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
        size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-'))
            ++j;
        size_t expDigits = 0;
        while (j < t.size() && std::isdigit(static_cast<unsigned char>(t[j]))) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            i = j;
    }
    return i;
}

// The decimal exponent of the first non-zero digit of a number text without its sign (3 for
// 1234, -4 for 0.000123, -10 for 1E-10), capped far beyond every floating-point range; 0
// for a text of zeros.
long leadingExponent(std::string_view t)
{
    constexpr long kFar = 100000;
    long integerDigits = 0;
    long firstNonZero = -1;  // position among all the digits before the exponent
    long position = 0;
    bool point = false;
    size_t i = 0;
    for (; i < t.size() && t[i] != 'E' && t[i] != 'e'; ++i) {
        if (t[i] == '.') {
            point = true;
            continue;
        }
        if (!point)
            ++integerDigits;
        if (firstNonZero < 0 && t[i] != '0')
            firstNonZero = position;
        ++position;
    }
    if (firstNonZero < 0)
        return 0;
    long exponent = 0;
    if (i < t.size()) {
        ++i;
        const bool negative = i < t.size() && t[i] == '-';
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        for (; i < t.size(); ++i)
            exponent = std::min(kFar, exponent * 10 + (t[i] - '0'));
        if (negative)
            exponent = -exponent;
    }
    return std::clamp(integerDigits - 1 - firstNonZero, -kFar, kFar) + exponent;
}

// Converts a text that numericPrefix took whole. Out of range, `out` becomes +-HUGE_VAL (or the
// float's infinity) when the magnitude is too large and +-0 when it is too small.
template <typename T>
NumberStatus convert(std::string_view t, T& out)
{
    bool negative = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    T v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    NumberStatus status = NumberStatus::Ok;
    if (r.ec == std::errc::result_out_of_range) {
        // from_chars leaves v alone: the size of the number decides which way it went.
        v = leadingExponent(t) > 0 ? std::numeric_limits<T>::infinity() : T(0);
        status = NumberStatus::OutOfRange;
    } else if (r.ec != std::errc() || r.ptr != t.data() + t.size()) {
        return NumberStatus::NotANumber;
    }
    out = negative ? -v : v;
    return status;
}

// Blanks around the text removed.
std::string_view trimmedText(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

template <typename T>
NumberStatus readWhole(std::string_view text, T& out)
{
    text = trimmedText(text);
    const size_t n = numericPrefix(text);
    if (n == 0 || n != text.size())
        return NumberStatus::NotANumber;
    T v = 0;
    const NumberStatus status = convert(text, v);
    if (status == NumberStatus::Ok)
        out = v;
    return status;
}

}  // namespace

double parseNumber(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    text.remove_prefix(i);
    const size_t n = numericPrefix(text);
    double v = 0;
    if (n > 0)
        convert(text.substr(0, n), v);
    return v;
}

NumberStatus readWholeNumber(std::string_view text, double& out) { return readWhole(text, out); }

NumberStatus readWholeNumber(std::string_view text, float& out) { return readWhole(text, out); }

bool parseWholeNumber(std::string_view text, double& out)
{
    return readWholeNumber(text, out) == NumberStatus::Ok;
}

}  // namespace varisect
