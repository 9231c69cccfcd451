// SPDX-License-Identifier: GPL-3.0-or-later
// The table as the user sees it: cell formats, the factor legend, and the plain-text layout
// used for the clipboard, the printer and the command line.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace varisect {

struct AnovaTable;
struct Design;
struct EffectSizes;

using DisplayRow = std::array<std::string, 6>;  // Source, df, SS, MS, F, p

// Element 0 is the header row as stored; then one display row per table row 2 .. last, with
// the cell formats of the table window (DisplayDecimals places with widening, "<1" for F below
// 1 unless showFsBelowOne, p with "<.001" and " 1. ", "*" after the df of the imputed error row).
std::vector<DisplayRow> formatTableCells(const AnovaTable& table, bool showFsBelowOne);

// Replaces the MS and F cells of the display rows, header included, by the effect-size columns.
void applyEffectSizeColumns(std::vector<DisplayRow>& display, const EffectSizes& sizes);

// The window title of the table: prefix ("Unweighted Means " ...) + "Analysis of Variance Table".
std::string tableHeading(const std::string& prefix = {});

// The legend under the table window's grid: "  Factors", one line per factor (designated in
// parentheses, levels unless omitted: they are left out when the data come from the cell-size
// window, whose cells hold different numbers of scores), the nesting lines, the implanted-scores line, and, with
// `exactP` in a table with F-ratios, kExactPLegend (the p column holds exact p-values).
std::vector<std::string> legendLines(const Design& design, bool showLevels = true, bool exactP = false);

// The legend line of a table whose p column holds the exact upper tail of F.
inline constexpr const char* kExactPLegend = "  p = exact upper-tail probability of F.";

// The "Copy table" layout: blank-padded fixed-width columns, no tabs, lines ended by "\r\n".
// The legend is that of legendLines (`showLevels` false: data from the cell-size window).
std::string copyTableText(const std::string& heading, const Design& design,
                          const std::vector<DisplayRow>& display, bool exactP = false, bool showLevels = true);

// The table's notes as they follow its text: nothing without notes, else a blank line and one
// line per note, each ended by `lineEnd`.
std::string notesText(const std::vector<std::string>& notes, const char* lineEnd = "\r\n");

// "Copy selected rows": each cell followed by a tab, rows ended by "\n", one more "\n" at the end.
std::string copyRowsText(const std::vector<DisplayRow>& display, int firstRow, int lastRow);

}  // namespace varisect
