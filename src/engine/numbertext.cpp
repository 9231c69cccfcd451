// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/numbertext.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace varisect {

std::string numberText(double value)
{
    if (std::isnan(value))
        return " NaN";
    if (std::isinf(value))
        return value > 0 ? " Inf" : "-Inf";
    if (value == 0)
        return " 0";
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    const char* digits = buf;
    const char* end = result.ptr;
    std::string out;
    out.reserve(static_cast<size_t>(end - buf) + 1);
    if (*digits == '-') {
        out.push_back('-');
        ++digits;
    } else {
        out.push_back(' ');
    }
    if (end - digits > 1 && digits[0] == '0' && digits[1] == '.')
        ++digits;
    for (; digits != end; ++digits)
        out.push_back(*digits == 'e' ? 'E' : *digits);
    return out;
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

double convert(std::string_view t)
{
    bool negative = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    double v = 0;
    auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        // from_chars leaves v alone on overflow/underflow: decide by the exponent's sign.
        const auto e = t.find_first_of("Ee");
        const bool tiny = e != std::string_view::npos && e + 1 < t.size() && t[e + 1] == '-';
        v = tiny ? 0.0 : HUGE_VAL;
    }
    return negative ? -v : v;
}

}  // namespace

double parseNumber(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    text.remove_prefix(i);
    const size_t n = numericPrefix(text);
    if (n == 0)
        return 0.0;
    return convert(text.substr(0, n));
}

bool parseWholeNumber(std::string_view text, double& out)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    const size_t n = numericPrefix(text);
    if (n == 0 || n != text.size())
        return false;
    out = convert(text);
    return true;
}

}  // namespace varisect
