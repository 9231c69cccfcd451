// SPDX-License-Identifier: GPL-3.0-or-later
// A researcher's table as the import readers deliver it: named columns, rows of cells that are
// missing, a number or a text, and the value labels of a column where the file format has them
// (SPSS, Stata, SAS). Every reader refuses bad input with a message that names the row (and the
// column where there is one) and keeps nothing of a table it refused.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varisect {

struct ImportCell {
    enum class Kind { Missing, Number, Text };
    Kind kind = Kind::Missing;
    double number = 0;  // Number only
    std::string text;   // Text: the text; Number: the number as the file wrote it (may be empty)

    static ImportCell missing() { return {}; }
    static ImportCell ofNumber(double value, std::string written = {});
    static ImportCell ofText(std::string text);
    bool isMissing() const { return kind == Kind::Missing; }
    bool isNumber() const { return kind == Kind::Number; }
    // The cell as a person reads it: the text, or the number as written (else its shortest form).
    std::string shown() const;
    bool operator==(const ImportCell&) const = default;
};

// One value of a value-label set: a number or a text, and its label.
struct ValueLabel {
    ImportCell value;
    std::string label;
};

struct ImportColumn {
    std::string name;
    std::vector<ValueLabel> valueLabels;  // empty when the format has none for this column
    // The label of a value, or nothing.
    const std::string* labelOf(const ImportCell& value) const;
};

struct ImportTable {
    enum class Source { Text, Spreadsheet, StatisticsFile };
    Source source = Source::Text;
    std::string sourceName;                   // the file as messages name it
    std::vector<ImportColumn> columns;
    std::vector<std::vector<ImportCell>> rows;  // every row has columns.size() cells
    std::vector<long> rowNumbers;             // the row (case) number of each row in the file

    int columnCount() const { return static_cast<int>(columns.size()); }
    long rowCount() const { return static_cast<long>(rows.size()); }
    // "row 7" ("case 7" for a statistics file) for the 0-based row index.
    std::string rowReference(long row) const;
    // "column C (\"Score\")" for a spreadsheet, "column 3 (\"Score\")" for text, "variable
    // \"Score\"" for a statistics file; `column` is 0-based.
    std::string columnReference(int column) const;
    // "row 7, column C (\"Score\")".
    std::string cellReference(long row, int column) const;
    // 0-based index of the column named `name` (exactly, then ignoring case), or -1.
    int columnIndex(std::string_view name) const;
};

struct ImportError {
    std::string message;  // complete: names the file, and the row and column where there are ones
    long row = 0;         // the file's row (case) number, 0 when the problem is not in one row
    int column = 0;       // 1-based, 0 when the problem is not in one column
};

struct ImportResult {
    std::optional<ImportTable> table;
    std::optional<ImportError> error;
    bool ok() const { return table.has_value(); }
};

// What a reader accepts before it refuses a file as too large, so that no file can make it hang
// or run out of memory. Sizes are what is actually read, never what a file declares.
struct ImportLimits {
    long maxRows = 200000;
    int maxColumns = 16384;
    long maxCells = 4000000;                 // rows x columns
    std::size_t maxBytes = 256u << 20;       // a text file, or one part of a zip package
};

struct ImportOptions {
    std::string sheet;       // a spreadsheet's sheet by name or 1-based number; empty: the first
    char delimiter = 0;      // text files: ',', ';' or '\t'; 0: detected
    ImportLimits limits;
};

// The file formats the readers know, told by the file name's extension (case ignored).
enum class ImportFormat { Unknown, Csv, Xlsx, Ods, Xls, Sav, Por, Dta, Sas7bdat };
ImportFormat importFormatOf(const std::filesystem::path& path);
// The extensions as a file dialog's filter lists them: "*.csv *.tsv *.txt *.xlsx ...".
std::string importExtensionsPattern();

// Reads any of the formats above by its extension.
ImportResult readTableFile(const std::filesystem::path& path, const ImportOptions& options = {});

// The sheets of a spreadsheet (.xlsx, .ods, .xls) by name, in the workbook's order; empty for
// the other formats. On a file that cannot be read, `error` says why.
struct SheetList {
    std::vector<std::string> names;
    std::optional<ImportError> error;
};
SheetList listSheets(const std::filesystem::path& path, const ImportLimits& limits = {});

// ---- the readers, one per family

// CSV or tab-separated text (see csvreader.cpp for the rules).
ImportResult readCsvText(std::string_view text, const std::string& sourceName, const ImportOptions& options = {});
ImportResult readCsvFile(const std::filesystem::path& path, const ImportOptions& options = {});
// .xlsx and .ods (zip packages of XML).
ImportResult readXlsxFile(const std::filesystem::path& path, const ImportOptions& options = {});
ImportResult readOdsFile(const std::filesystem::path& path, const ImportOptions& options = {});
// .xls (BIFF) through FreeXL.
ImportResult readXlsFile(const std::filesystem::path& path, const ImportOptions& options = {});
SheetList listXlsSheets(const std::filesystem::path& path);
// SPSS .sav/.zsav/.por, Stata .dta, SAS .sas7bdat through ReadStat.
ImportResult readStatisticsFile(const std::filesystem::path& path, ImportFormat format,
                                const ImportOptions& options = {});

// ---- shared by the readers

// A number as a text file or a person writes it: blanks around it, a sign, digits with at most
// one decimal point (or decimal comma, when `decimalComma`), an optional exponent; nothing else
// ("inf", "1,000.5", "12abc" are not numbers).
std::optional<double> parseImportNumber(std::string_view text, bool decimalComma = false);
// The shortest text that reads back as `value` ("2", "2.5", "1e-07").
std::string shortestNumberText(double value);
// Spreadsheet column letters for a 0-based column: 0 -> "A", 26 -> "AA".
std::string columnLetters(int column);
// Whether `text` is valid UTF-8.
bool isValidUtf8(std::string_view text);

// Builds a table from rows of cells whose first row holds the column names: trailing empty rows
// and columns are dropped, an empty name becomes "Column N", short rows are filled with missing
// cells. `rowNumbers` gives the file's number of each row. Refuses a table beyond the limits.
ImportResult tableFromRows(std::vector<std::vector<ImportCell>> rows, std::vector<long> rowNumbers,
                           ImportTable::Source source, const std::string& sourceName, const ImportLimits& limits);

}  // namespace varisect
