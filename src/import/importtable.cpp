// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/importtable.h"

#include <charconv>
#include <cmath>

namespace varisect {

ImportCell ImportCell::ofNumber(double value, std::string written)
{
    ImportCell c;
    c.kind = Kind::Number;
    c.number = value;
    c.text = std::move(written);
    return c;
}

ImportCell ImportCell::ofText(std::string text)
{
    ImportCell c;
    c.kind = Kind::Text;
    c.text = std::move(text);
    return c;
}

std::string ImportCell::shown() const
{
    switch (kind) {
    case Kind::Missing: return {};
    case Kind::Text: return text;
    case Kind::Number: return text.empty() ? shortestNumberText(number) : text;
    }
    return {};
}

const std::string* ImportColumn::labelOf(const ImportCell& value) const
{
    for (const ValueLabel& v : valueLabels) {
        if (v.value.kind != value.kind)
            continue;
        if (value.isNumber() ? v.value.number == value.number : v.value.text == value.text)
            return &v.label;
    }
    return nullptr;
}

std::string ImportTable::rowReference(long row) const
{
    const long number = row >= 0 && row < static_cast<long>(rowNumbers.size()) ? rowNumbers[static_cast<std::size_t>(row)]
                                                                               : row + 1;
    return (source == Source::StatisticsFile ? "case " : "row ") + std::to_string(number);
}

std::string ImportTable::columnReference(int column) const
{
    const std::string name =
        column >= 0 && column < columnCount() ? columns[static_cast<std::size_t>(column)].name : std::string();
    switch (source) {
    case Source::StatisticsFile: return "variable \"" + name + "\"";
    case Source::Spreadsheet: return "column " + columnLetters(column) + " (\"" + name + "\")";
    case Source::Text: break;
    }
    return "column " + std::to_string(column + 1) + " (\"" + name + "\")";
}

std::string ImportTable::cellReference(long row, int column) const
{
    return rowReference(row) + ", " + columnReference(column);
}

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

std::string lowerExtension(const std::filesystem::path& path)
{
    std::string ext = path.extension().string();
    for (char& c : ext)
        c = lowerAscii(c);
    return ext;
}

}  // namespace

int ImportTable::columnIndex(std::string_view name) const
{
    for (int c = 0; c < columnCount(); ++c)
        if (columns[static_cast<std::size_t>(c)].name == name)
            return c;
    for (int c = 0; c < columnCount(); ++c)
        if (equalIgnoringCase(columns[static_cast<std::size_t>(c)].name, name))
            return c;
    return -1;
}

ImportFormat importFormatOf(const std::filesystem::path& path)
{
    const std::string ext = lowerExtension(path);
    if (ext == ".csv" || ext == ".tsv" || ext == ".tab" || ext == ".txt")
        return ImportFormat::Csv;
    if (ext == ".xlsx" || ext == ".xlsm")
        return ImportFormat::Xlsx;
    if (ext == ".ods")
        return ImportFormat::Ods;
    if (ext == ".xls")
        return ImportFormat::Xls;
    if (ext == ".sav" || ext == ".zsav")
        return ImportFormat::Sav;
    if (ext == ".por")
        return ImportFormat::Por;
    if (ext == ".dta")
        return ImportFormat::Dta;
    if (ext == ".sas7bdat")
        return ImportFormat::Sas7bdat;
    return ImportFormat::Unknown;
}

std::string importExtensionsPattern()
{
    return "*.csv *.tsv *.tab *.txt *.xlsx *.xlsm *.ods *.xls *.sav *.zsav *.por *.dta *.sas7bdat";
}

ImportResult readTableFile(const std::filesystem::path& path, const ImportOptions& options)
{
    const ImportFormat format = importFormatOf(path);
    switch (format) {
    case ImportFormat::Csv: return readCsvFile(path, options);
    case ImportFormat::Xlsx: return readXlsxFile(path, options);
    case ImportFormat::Ods: return readOdsFile(path, options);
    case ImportFormat::Xls: return readXlsFile(path, options);
    case ImportFormat::Sav:
    case ImportFormat::Por:
    case ImportFormat::Dta:
    case ImportFormat::Sas7bdat: return readStatisticsFile(path, format, options);
    case ImportFormat::Unknown: break;
    }
    ImportResult r;
    r.error = ImportError{path.string() + ": the program cannot read files of this kind.  It reads text (.csv, .tsv, "
                          ".txt), spreadsheets (.xlsx, .ods, .xls) and SPSS (.sav, .zsav, .por), Stata (.dta) and "
                          "SAS (.sas7bdat) data files."};
    return r;
}

std::optional<double> parseImportNumber(std::string_view text, bool decimalComma)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 200)
        return std::nullopt;
    std::string s;
    std::size_t i = 0;
    if (text[i] == '+' || text[i] == '-') {
        if (text[i] == '-')
            s += '-';
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            s += c;
        } else if (!point && (c == '.' || (decimalComma && c == ','))) {
            point = true;
            s += '.';
        } else {
            break;
        }
    }
    if (!digits)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        s += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            s += text[i++];
        bool exponentDigits = false;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            s += text[i];
            exponentDigits = true;
        }
        if (!exponentDigits)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string shortestNumberText(double value)
{
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    if (ec != std::errc())
        return {};
    return std::string(buf, end);
}

std::string columnLetters(int column)
{
    std::string out;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        out.insert(out.begin(), static_cast<char>('A' + (n - 1) % 26));
    return out;
}

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        int more = 0;
        unsigned min = 0;
        unsigned code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            more = 1, min = 0x80, code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2, min = 0x800, code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3, min = 0x10000, code = c & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(more) >= text.size())
            return false;
        for (int k = 1; k <= more; ++k) {
            const auto d = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((d & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (d & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

ImportResult tableFromRows(std::vector<std::vector<ImportCell>> rows, std::vector<long> rowNumbers,
                           ImportTable::Source source, const std::string& sourceName, const ImportLimits& limits)
{
    ImportResult result;
    auto emptyRow = [](const std::vector<ImportCell>& row) {
        for (const ImportCell& c : row)
            if (!c.isMissing())
                return false;
        return true;
    };
    // Leading empty rows (a sheet whose table starts lower down) and trailing ones are not data.
    std::size_t first = 0;
    while (first < rows.size() && emptyRow(rows[first]))
        ++first;
    while (rows.size() > first && emptyRow(rows.back()))
        rows.pop_back();
    if (first == rows.size()) {
        result.error = ImportError{sourceName + ": the file holds no table (every row is empty)."};
        return result;
    }
    rows.erase(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(first));
    rowNumbers.erase(rowNumbers.begin(), rowNumbers.begin() + static_cast<std::ptrdiff_t>(first));

    std::size_t width = 0;
    for (const auto& row : rows)
        for (std::size_t c = row.size(); c > width; --c)
            if (!row[c - 1].isMissing()) {
                width = c;
                break;
            }
    ImportTable table;
    table.source = source;
    table.sourceName = sourceName;
    const std::vector<ImportCell>& header = rows.front();
    for (std::size_t c = 0; c < width; ++c) {
        ImportColumn column;
        column.name = c < header.size() ? header[c].shown() : std::string();
        while (!column.name.empty() && (column.name.back() == ' ' || column.name.back() == '\t'))
            column.name.pop_back();
        while (!column.name.empty() && (column.name.front() == ' ' || column.name.front() == '\t'))
            column.name.erase(column.name.begin());
        if (column.name.empty())
            column.name = "Column " + std::to_string(c + 1);
        table.columns.push_back(std::move(column));
    }
    const long dataRows = static_cast<long>(rows.size()) - 1;
    if (dataRows > limits.maxRows || static_cast<long>(width) * dataRows > limits.maxCells) {
        result.error = ImportError{sourceName + ": the table has more rows than the program reads (" +
                                   std::to_string(dataRows) + " rows of " + std::to_string(width) + " columns)."};
        return result;
    }
    for (std::size_t r = 1; r < rows.size(); ++r) {
        rows[r].resize(width);
        table.rows.push_back(std::move(rows[r]));
        table.rowNumbers.push_back(rowNumbers[r]);
    }
    result.table = std::move(table);
    return result;
}

}  // namespace varisect
