// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers as the table stores them, and the reader that takes them back.
#pragma once

#include <string>
#include <string_view>

namespace varisect {

// A blank before a non-negative value or a minus sign, up to 15 significant digits, trailing
// zeros dropped, no zero before the decimal point (" .5"), exponent form with at least two
// digits where printf's %G would use it (" 1E-05", " 1E+15").
std::string numberText(double value);

// The ordinary decimal reader: leading blanks skipped, then the longest leading part that forms
// a number (sign, digits, one decimal point, an exponent); anything after it is ignored and an
// empty or non-numeric text reads as 0. Independent of the locale.
double parseNumber(std::string_view text);

// Strict form: the whole text (blanks around it allowed) must be one number. Returns false and
// leaves `out` alone otherwise.
bool parseWholeNumber(std::string_view text, double& out);

}  // namespace varisect
