// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/numbertext.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/design.h"

namespace varisect {
namespace {

TEST(NumberText, WritesTheStoredForms)
{
    const std::vector<std::pair<double, const char*>> cases = {
        {0.5, " .5"},          {-0.5, "-.5"},       {12, " 12"},     {0, " 0"},
        {-1.25, "-1.25"},      {0.00001, " 1E-05"}, {0.0001, " .0001"}, {1e15, " 1E+15"},
        {999999999999999.0, " 999999999999999"},   {1.0 / 3.0, " .333333333333333"},
        {2.0 / 3.0, " .666666666666667"},          {-2.5e-7, "-2.5E-07"}, {1e-100, " 1E-100"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(numberText(value), text) << value;
}

TEST(NumberText, ReadsLeadingNumericPart)
{
    const std::vector<std::pair<const char*, double>> cases = {
        {" .5", 0.5}, {"-.5", -0.5}, {" 1E-05", 1e-5}, {"12abc", 12}, {"3-", 3},        {"1,5", 1},   {"2E", 2},
        {"+7", 7},    {"", 0},       {"-", 0},         {".", 0},      {"abc", 0},       {"1E999", HUGE_VAL},
        {"1E-999", 0}};
    for (const auto& [text, value] : cases)
        EXPECT_DOUBLE_EQ(parseNumber(text), value) << '"' << text << '"';
    // Every stored text reads back to the value it was written from, to 15 digits.
    for (double v : {0.1, 123.456, 1e-9, 98765.4321, -3.14159, 6.02e23}) {
        EXPECT_NEAR(parseNumber(numberText(v)), v, std::abs(v) * 1e-14) << v;
    }
}

TEST(NumberText, StrictReaderWantsTheWholeText)
{
    double v = -1;
    EXPECT_TRUE(parseWholeNumber("  2.5 ", v));
    EXPECT_DOUBLE_EQ(v, 2.5);
    EXPECT_TRUE(parseWholeNumber("-.5", v));
    EXPECT_DOUBLE_EQ(v, -0.5);
    v = 9;
    for (const char* bad : {"", " ", "1,5", "3-", "-", ".", "1.2.3", "1 2", "E5", "0x10"}) {
        EXPECT_FALSE(parseWholeNumber(bad, v)) << bad;
        EXPECT_EQ(v, 9) << bad;
    }
}

TEST(NumberText, OutOfRangeGoesTheWayOfItsSize)
{
    // Long texts: the size of the number decides, not the sign of the exponent.
    const std::string huge = "1" + std::string(400, '0') + "e-10";   // 1E+390
    const std::string tiny = "0." + std::string(400, '0') + "1";     // 1E-401
    EXPECT_EQ(parseNumber(huge), HUGE_VAL);
    EXPECT_EQ(parseNumber("-" + huge), -HUGE_VAL);
    EXPECT_EQ(parseNumber(tiny), 0);
    EXPECT_EQ(parseNumber("1" + std::string(30, '0') + "E-999"), 0);
    double d = 7;
    for (const std::string& out : {huge, tiny, std::string("1E400"), std::string("-1E-400")})
        EXPECT_EQ(readWholeNumber(out, d), NumberStatus::OutOfRange) << out;
    EXPECT_EQ(d, 7);
    EXPECT_FALSE(parseWholeNumber(huge, d));
    EXPECT_EQ(readWholeNumber("1e-310", d), NumberStatus::Ok);  // small, but not held as 0
    EXPECT_EQ(readWholeNumber("1,5", d), NumberStatus::NotANumber);

    // Single precision straight from the text.
    float f = 7;
    for (const char* out : {"1e39", "-3.5e38", "1e-46", "1e-60"})
        EXPECT_EQ(readWholeNumber(out, f), NumberStatus::OutOfRange) << out;
    EXPECT_EQ(f, 7);
    for (const char* in : {"3.4e38", "1e-40", "0.000", "-0"})
        EXPECT_EQ(readWholeNumber(in, f), NumberStatus::Ok) << in;
    EXPECT_EQ(readWholeNumber("16777217", f), NumberStatus::Ok);
    EXPECT_EQ(f, 16777216.0f);
}

// Every finite double, the extremes and a spread of bit patterns between them, writes a text that
// reads back finite, within the 15 digits written (subnormals within their own spacing), and
// that writes again as the same text. Only the largest doubles, whose 15-digit rounding would
// be beyond the range, are written rounded toward zero.
TEST(NumberText, EveryFiniteValueRoundTrips)
{
    const double largest = std::numeric_limits<double>::max();
    EXPECT_EQ(numberText(largest), " 1.79769313486231E+308");
    EXPECT_EQ(numberText(-largest), "-1.79769313486231E+308");
    EXPECT_EQ(numberText(1.79769313486231E+308), " 1.79769313486231E+308");
    EXPECT_EQ(numberText(1.7976931348623E+308), " 1.7976931348623E+308");  // still rounded as ever
    EXPECT_EQ(numberText(std::numeric_limits<double>::denorm_min()), " 4.94065645841247E-324");

    std::vector<double> values{largest, std::nextafter(largest, 0.0), 1.797693134862315E+308,
                               std::numeric_limits<double>::min(), std::numeric_limits<double>::denorm_min(),
                               1e-320, 1e300, 0.1, 1.0 / 3.0};
    std::uint64_t bits = 0x9E3779B97F4A7C15u;
    for (int k = 0; k < 20000; ++k) {
        bits = bits * 6364136223846793005u + 1442695040888963407u;
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v))
            values.push_back(v);
    }
    for (const double v : values) {
        for (const double x : {v, -v}) {
            const std::string text = numberText(x);
            const double back = parseNumber(text);
            ASSERT_TRUE(std::isfinite(back)) << text;
            const double tolerance = std::max(std::fabs(x) * 1e-14, 2 * std::numeric_limits<double>::denorm_min());
            EXPECT_NEAR(back, x, tolerance) << text;
            EXPECT_EQ(numberText(back), text);
        }
    }
}

// The value a number is shown as is its text read back, whether the text is the value's own
// shortest one (few digits, where reading back is skipped) or a rounding of 16 or 17 digits.
TEST(NumberText, ShownValueIsTheTextReadBack)
{
    std::mt19937_64 rng(26);
    std::vector<double> values = {1, 16128, 0.1, 1e-5, 123.456, 1.0 / 3.0, 2.0 / 3.0, 1e22, 1e23, 5e-310,
                                  std::numeric_limits<double>::max(), 1.79769313486231E+308, 9.999999999999999e22};
    for (int i = 0; i < 50000; ++i) {
        values.push_back(static_cast<double>(rng() % 100000000) * std::pow(10.0, static_cast<int>(rng() % 80) - 40));
        values.push_back(std::bit_cast<double>(rng()));
        // Full 17-digit values over the sizes whose text is made by scaling with a power of ten.
        values.push_back(std::exp(std::uniform_real_distribution<double>(-19.0, 83.0)(rng)));
    }
    for (const double v : values) {
        if (!std::isfinite(v))
            continue;
        for (const double x : {v, -v}) {
            double shown = 0;
            const std::string text = numberText(x, shown);
            EXPECT_EQ(std::bit_cast<std::uint64_t>(shown), std::bit_cast<std::uint64_t>(parseNumber(text))) << text;
            EXPECT_EQ(std::bit_cast<std::uint64_t>(shownNumber(x)), std::bit_cast<std::uint64_t>(shown)) << text;
        }
    }
}

// A rounding to a number of places, written from its whole number of units, reads as the
// quotient's own 15-digit text: every size of whole number, both signs, every place count.
TEST(NumberText, UnitsWithPlacesWriteTheQuotientsFifteenDigitText)
{
    std::mt19937_64 rng(12);
    for (int i = 0; i < 200000; ++i) {
        const int places = static_cast<int>(rng() % 16);
        const int digits = 1 + static_cast<int>(rng() % 15);
        double units = static_cast<double>(rng() % static_cast<std::uint64_t>(std::pow(10.0, digits)));
        if (i % 7 == 0)
            units = std::pow(10.0, digits - 1) * static_cast<double>(rng() % 10);  // trailing zeros
        units = i % 2 ? -units : units;
        const double quotient = units / std::pow(10.0, places);
        if (units != 0 && std::fabs(quotient) < 1e-4)
            continue;  // written with an exponent
        char expected[64], got[64];
        const std::string general(expected, generalFifteen(expected, expected + sizeof expected, quotient));
        ASSERT_EQ(std::string(got, generalFifteenOfUnits(got, got + sizeof got, units, places)), general)
            << units << " / 10^" << places;
    }
}

TEST(NumberText, FifteenDigitsAsTheFixedPrecisionConversionWritesThem)
{
    // The short way through the shortest text must give the general conversion's text to the
    // character: arbitrary bit patterns (subnormals and the exponent form among them), values
    // with few digits at every scale (where it is taken), and the edges of the fixed form.
    std::mt19937_64 rng(15);
    std::vector<double> values = {1e-5, 9.99999e-5, 1e-4, 0.000123, 1e14, 999999999999999.0, 1e15, 1e16,
                                  123456789012345.0, 1234567890123456.0, 0.1, 0.5, 1, 7, 100, 1e100, 1.5e-300,
                                  std::numeric_limits<double>::min(), std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::max(), 2.2250738585072009e-308,
                                  // 16 and 17 digits rounding up through every 9, and near one half
                                  9.999999999999999e22, 0.9999999999999999, 99999999999999.99, 9999999999999999.0,
                                  1.0000000000000049, 1.0000000000000051, 100000000000000.5, 1.23456789012345e-5,
                                  // the 15th digit's half exactly, and the doubles on either side of it
                                  0.5000000000000005, 1.0000000000000005, 123456789012345.5, 2.0000000000000004,
                                  std::nextafter(1.0000000000000005, 0.0), std::nextafter(1.0000000000000005, 2.0)};
    // Values whose 15-digit product is a half or a grid point next to one.
    for (int e = -8; e <= 21; ++e)
        for (const double half : {100000000000000.5, 512345678901234.5, 999999999999998.5})
            for (const double v : {half * std::pow(10.0, e - 14), std::nextafter(half, 0.0) * std::pow(10.0, e - 14),
                                   std::nextafter(half, 2e15) * std::pow(10.0, e - 14)})
                values.push_back(v);
    for (int i = 0; i < 200000; ++i) {
        const double bits = std::bit_cast<double>(rng());
        if (std::isfinite(bits))
            values.push_back(bits);
        const double few = static_cast<double>(rng() % 100000000) * std::pow(10.0, static_cast<int>(rng() % 60) - 30);
        values.push_back(i % 2 ? few : -few);
        values.push_back(std::floor(0.5 + few * 1000) / 1000);
    }
    for (const double v : values) {
        char expected[64], got[64];
        const std::string general(expected, std::to_chars(expected, expected + sizeof expected, v,
                                                          std::chars_format::general, 15).ptr);
        ASSERT_EQ(std::string(got, generalFifteen(got, got + sizeof got, v)), general) << std::bit_cast<std::uint64_t>(v);
    }
}

TEST(DesignLayout, FlatPositionsCycleTheFirstFactorFastest)
{
    Design d;
    for (int levels : {2, 3, 4})
        d.factors.push_back(Factor{"F", 'F', levels, {}});
    EXPECT_EQ(d.scoreCount(), 24);
    const std::vector<std::pair<long, std::vector<int>>> cases = {
        {1, {1, 1, 1}}, {2, {2, 1, 1}}, {3, {1, 2, 1}}, {7, {1, 1, 2}}, {24, {2, 3, 4}}};
    for (const auto& [p, cell] : cases) {
        EXPECT_EQ(cellAtPosition(d, p), cell) << p;
        EXPECT_EQ(flatPosition(d, cell), p);
    }
    for (long p = 1; p <= 24; ++p)
        EXPECT_EQ(flatPosition(d, cellAtPosition(d, p)), p);
    EXPECT_THROW(cellAtPosition(d, 25), std::out_of_range);
    EXPECT_THROW(flatPosition(d, {3, 1, 1}), std::out_of_range);
}

TEST(DesignLayout, TableLabelsAreFirstLettersInUpperCase)
{
    Design d;
    d.factors = {Factor{"drug", 0, 2, {}}, Factor{"Trials", 0, 3, {}}};
    setTableLabelsFromNames(d);
    EXPECT_EQ(d.factor(1).tableLabel, 'D');
    EXPECT_EQ(d.factor(2).tableLabel, 'T');
    EXPECT_TRUE(d.labelsTruncated);
    EXPECT_EQ(d.factor(1).name, "drug");

    Design single;
    single.factors = {Factor{"A", 0, 2, {}}, Factor{"B", 0, 2, {}}};
    setTableLabelsFromNames(single);
    setTableLabelsFromNames(single);
    EXPECT_FALSE(single.labelsTruncated);
    EXPECT_EQ(single.factor(2).tableLabel, 'B');

    // Names shortened to one letter after a first labelling: the flag follows the names.
    d.factors[0].name = "d";
    d.factors[1].name = "t";
    setTableLabelsFromNames(d);
    EXPECT_FALSE(d.labelsTruncated);
    EXPECT_EQ(d.factor(1).tableLabel, 'D');
}

}  // namespace
}  // namespace varisect
