// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis of variance table as text cells, as the engine writes it.
#pragma once

#include <array>
#include <string>
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
    // Lines said under the table, after a blank line, wherever it is shown (window, copy, print,
    // Word, command line): how its numbers were formed when that is not plain from the columns
    // (the harmonic mean cell size of unweighted means), the steps applied to the scores.
    std::vector<std::string> notes;

    int rowCount() const { return static_cast<int>(rows.size()); }
    // 1-based row and column, as the table is described.
    const std::string& cell(int row, int column) const { return rows.at(size_t(row - 1)).at(size_t(column - 1)); }
    std::string& cell(int row, int column) { return rows.at(size_t(row - 1)).at(size_t(column - 1)); }
    double number(int row, int column) const;  // the cell read back with parseNumber
    // displayDecimals from the mean squares of rows 2 .. `throughRow`.
    void chooseDisplayDecimals(int throughRow);
};

}  // namespace varisect
