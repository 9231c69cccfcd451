// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis of variance table as text cells, as the engine writes it, and the numbers
// behind them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varisect {

enum TableColumn { ColSource = 1, ColDf = 2, ColSS = 3, ColMS = 4, ColF = 5, ColP = 6 };

struct AnovaTable {
    using Row = std::array<std::string, 6>;

    // rows[0] is table row 1 (the headers); the last element is the "Total" row.
    std::vector<Row> rows;
    int lastRow = 1;            // 1-based: the last row before "Total"
    int displayDecimals = 2;    // 3 when some MS in rows 2 .. lastRow is below 1
    int imputedErrorRow = 0;    // 1-based row whose df was reduced by the imputed count ("Total"
                                // when no error row took them), 0 = none
    double pooledErrorSS = 0;   // independent groups: the within-cells error
    int pooledErrorDf = 0;
    bool attritionSignificant = false;
    bool exactP = false;        // the p column holds the exact upper tail of F (AnalysisOptions)
    // Element r - 1 for row r: the 1-based row whose MS divided this row's MS to give its F, 0
    // for a row without F.
    std::vector<int> denominatorRow;
    // Element r - 1 for row r: the df of the error its F was formed against when that error is
    // not a row of the table (a contrast tested against its own contrast x subjects error), 0
    // otherwise. Kept beside denominatorRow so the row's exact p can be formed again.
    std::vector<double> ownErrorDf;
    // Lines said under the table, after a blank line, wherever it is shown (window, copy, print,
    // Word, command line): how its numbers were formed when that is not plain from the columns
    // (the harmonic mean cell size of unweighted means), the steps applied to the scores.
    std::vector<std::string> notes;

    // The numbers behind the texts, kept by setNumber where the rows are made, so that F, p,
    // the effect sizes and every later step work on numbers and texts are made once, for
    // display. Element r - 1 for row r, element c - 1 for column c. Each number is kept with the
    // text it was written as: a cell whose text has been written some other way since (or was
    // never given a number) is read from its text instead, so rows made as texts alone, and
    // rows inserted or removed, still read right.
    // The text is kept in place (a 15-digit number's text has at most 22 characters), so
    // keeping a number costs no allocation.
    struct KeptNumber {
        double value = 0;  // what parseNumber gives for text()
        std::uint8_t size = 0;  // 0: nothing kept
        std::array<char, 23> characters{};
        std::string_view text() const { return {characters.data(), size}; }
    };
    std::vector<std::array<KeptNumber, 6>> kept;

    int rowCount() const { return static_cast<int>(rows.size()); }
    // 1-based row and column, as the table is described.
    const std::string& cell(int row, int column) const { return rows.at(size_t(row - 1)).at(size_t(column - 1)); }
    std::string& cell(int row, int column) { return rows.at(size_t(row - 1)).at(size_t(column - 1)); }
    // The number the cell shows: the one kept with its text, else the text read with
    // parseNumber (an empty or non-numeric text reads as 0).
    double number(int row, int column) const;
    // The same for a cell that shows one finite number; nothing for an empty cell or a text
    // that is not a number as a whole (" NaN").
    std::optional<double> cellNumber(int row, int column) const;
    // Writes numberText(value) into the cell and keeps the number that text shows, which it
    // returns (the value rounded to 15 significant digits; 0 for NaN and the infinities, whose
    // texts are kept as texts alone).
    double setNumber(int row, int column, double value);
    // Appends a row of `label` with df, SS and MS written by setNumber (an empty one leaves its
    // cell empty), F and p empty; returns its row number.
    int appendRow(const std::string& label, std::optional<double> df, std::optional<double> ss,
                  std::optional<double> ms);
    // displayDecimals from the mean squares of rows 2 .. `throughRow`.
    void chooseDisplayDecimals(int throughRow);
};

}  // namespace varisect
