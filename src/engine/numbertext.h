// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers as the table stores them, and the reader that takes them back.
#pragma once

#include <string>
#include <string_view>

namespace varisect {

// A blank before a non-negative value or a minus sign, up to 15 significant digits, trailing
// zeros dropped, no zero before the decimal point (" .5"), exponent form with at least two
// digits where printf's %G would use it (" 1E-05", " 1E+15"). Every finite value gives a text
// that parseNumber reads back as a finite value: the largest doubles, whose 15-digit rounding
// would lie beyond the range, are written as 1.79769313486231E+308.
std::string numberText(double value);
// The same, and in `shown` the number the text stands for (what parseNumber gives for it): the
// value rounded to 15 significant digits, 0 for NaN and the infinities. The computations that
// follow a table's texts work on these numbers instead of reading the texts back.
std::string numberText(double value, double& shown);
// The number numberText(value) stands for, without making the text.
double shownNumber(double value);

// What std::to_chars(first, last, value, std::chars_format::general, 15) writes (printf's
// %.15g): where the shortest text that reads back as `value` has at most 15 significant digits,
// those are the 15-digit rounding, and the text is laid out from them without the slower
// fixed-precision conversion. `last - first` must be at least 32.
char* generalFifteen(char* first, char* last, double value);
// What generalFifteen writes for units / 10^places, for a whole number `units` below 10^15 in
// size, 0 <= places <= 15 and a quotient of 0 or at least 10^-4 in size (written without an
// exponent): the digits of `units` with the point `places` from their right, trailing zeros
// after the point dropped. Written from the integer alone, which has at most 15 digits, so the
// quotient's 15-digit text has just these. `last - first` must be at least 40.
char* generalFifteenOfUnits(char* first, char* last, double units, int places);

// The ordinary decimal reader: leading blanks skipped, then the longest leading part that forms
// a number (sign, digits, one decimal point, an exponent); anything after it is ignored and an
// empty or non-numeric text reads as 0. Independent of the locale. A number beyond the range of
// a double reads as +-HUGE_VAL when its magnitude is too large and as 0 when it is too small.
double parseNumber(std::string_view text);

// What the strict readers found.
enum class NumberStatus {
    Ok,
    NotANumber,  // not one complete number
    OutOfRange,  // a number, but too large for the type, or not 0 yet too small to tell from 0
};

// Strict form: the whole text (blanks around it allowed) must be one number. `out` is left alone
// unless the result is Ok.
NumberStatus readWholeNumber(std::string_view text, double& out);
// The same for single precision, converted from the text directly (no double rounding).
NumberStatus readWholeNumber(std::string_view text, float& out);

// True when readWholeNumber gives Ok.
bool parseWholeNumber(std::string_view text, double& out);

}  // namespace varisect
