// SPDX-License-Identifier: GPL-3.0-or-later
// CSV and tab-separated text through libcsv.
//
// The first row holds the column names. Fields may be quoted ("a, b"), with doubled quotes
// inside and separators and line breaks within the quotes. Lines end in LF or CR LF; a UTF-8
// byte order mark at the start is skipped. The separator is the tab, the semicolon or the comma,
// taken from the first row when it is not given: a tab when the row has one, else a semicolon
// when it has at least as many as commas, else the comma. With a semicolon a decimal comma is
// read as a decimal point ("3,5" is 3.5), as spreadsheet programs write it where the comma is
// the decimal mark. An empty field, or one that reads "NA" or ".", is missing; a field that is a
// whole number text is a number; every other field is text.
//
// Rows are numbered as a spreadsheet program would show the file: the column names are row 1,
// and an empty line is a row of its own.
#include "import/importtable.h"

#include <csv.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace varisect {

namespace {

struct CsvState {
    std::vector<std::vector<ImportCell>> rows{std::vector<ImportCell>{}};
    std::vector<long> rowNumbers{1};
    bool decimalComma = false;
    bool lastEndedByCR = false;
    bool tooMany = false;
    long maxRows = 0;
    int maxColumns = 0;
    std::optional<ImportError> error;
    const std::string* sourceName = nullptr;
};

ImportCell cellFromField(std::string_view field, bool decimalComma)
{
    std::string_view trimmed = field;
    while (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.front() == '\t'))
        trimmed.remove_prefix(1);
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t'))
        trimmed.remove_suffix(1);
    if (trimmed.empty() || trimmed == "NA" || trimmed == ".")
        return ImportCell::missing();
    if (const std::optional<double> v = parseImportNumber(trimmed, decimalComma))
        return ImportCell::ofNumber(*v, std::string(trimmed));
    return ImportCell::ofText(std::string(field));
}

void onField(void* data, std::size_t length, void* context)
{
    auto* s = static_cast<CsvState*>(context);
    if (s->error || s->tooMany)
        return;
    std::vector<ImportCell>& row = s->rows.back();
    const long rowNumber = s->rowNumbers.back();
    if (static_cast<int>(row.size()) >= s->maxColumns) {
        s->error = ImportError{*s->sourceName + ": row " + std::to_string(rowNumber) + " has more than " +
                                   std::to_string(s->maxColumns) + " columns.",
                               rowNumber, s->maxColumns + 1};
        return;
    }
    const std::string_view field(data ? static_cast<const char*>(data) : "", data ? length : 0);
    if (!isValidUtf8(field)) {
        s->error = ImportError{*s->sourceName + ": row " + std::to_string(rowNumber) + ", column " +
                                   std::to_string(row.size() + 1) +
                                   " is not UTF-8 text.  Save the file as CSV in UTF-8 and import it again.",
                               rowNumber, static_cast<int>(row.size()) + 1};
        return;
    }
    row.push_back(cellFromField(field, s->decimalComma));
}

void onRecord(int terminator, void* context)
{
    auto* s = static_cast<CsvState*>(context);
    if (s->error || s->tooMany)
        return;
    // The LF of a CR LF ends nothing new.
    const bool lfAfterCR = terminator == '\n' && s->lastEndedByCR && s->rows.back().empty();
    s->lastEndedByCR = terminator == '\r';
    if (lfAfterCR)
        return;
    if (static_cast<long>(s->rows.size()) > s->maxRows + 1) {
        s->tooMany = true;
        return;
    }
    const long next = s->rowNumbers.back() + 1;
    s->rows.emplace_back();
    s->rowNumbers.push_back(next);
}

int isBlank(unsigned char c) { return c == ' '; }

// The separator of the first row (outside quotes).
char detectDelimiter(std::string_view text)
{
    long commas = 0, semicolons = 0, tabs = 0;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted && c == ',')
            ++commas;
        else if (!quoted && c == ';')
            ++semicolons;
        else if (!quoted && c == '\t')
            ++tabs;
    }
    if (tabs > 0)
        return '\t';
    if (semicolons > 0 && semicolons >= commas)
        return ';';
    return ',';
}

}  // namespace

ImportResult readCsvText(std::string_view text, const std::string& sourceName, const ImportOptions& options)
{
    ImportResult result;
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    if (text.find('\0') != std::string_view::npos) {
        result.error = ImportError{sourceName + ": the file is not a text file (it holds zero bytes)."};
        return result;
    }
    const char delimiter = options.delimiter ? options.delimiter : detectDelimiter(text);

    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI | CSV_REPALL_NL) != 0) {
        result.error = ImportError{sourceName + ": the CSV reader could not be set up."};
        return result;
    }
    csv_set_delim(&parser, static_cast<unsigned char>(delimiter));
    csv_set_space_func(&parser, isBlank);
    CsvState state;
    state.decimalComma = delimiter == ';';
    state.maxRows = options.limits.maxRows;
    state.maxColumns = options.limits.maxColumns;
    state.sourceName = &sourceName;

    const std::size_t parsed = csv_parse(&parser, text.data(), text.size(), onField, onRecord, &state);
    int problem = parsed == text.size() ? 0 : csv_error(&parser);
    if (problem == 0 && !state.error && !state.tooMany && csv_fini(&parser, onField, onRecord, &state) != 0)
        problem = csv_error(&parser);
    csv_free(&parser);

    if (state.error) {
        result.error = state.error;
        return result;
    }
    if (state.tooMany) {
        result.error = ImportError{sourceName + ": the file has more rows than the program reads (" +
                                   std::to_string(options.limits.maxRows) + " rows of data)."};
        return result;
    }
    if (problem != 0) {
        const long row = state.rowNumbers.back();
        const int column = static_cast<int>(state.rows.back().size()) + 1;
        result.error = ImportError{
            sourceName + ": row " + std::to_string(row) + ", column " + std::to_string(column) +
                (problem == CSV_EPARSE
                     ? ": a quoted field is not closed, or a quote stands inside a field that is not quoted.  "
                       "Write a quote inside a quoted field as two quotes (\"\")."
                     : ": the row is too long to be read."),
            row, column};
        return result;
    }
    // The record started after the last line break is empty.
    if (state.rows.back().empty()) {
        state.rows.pop_back();
        state.rowNumbers.pop_back();
    }
    if (state.rows.empty()) {
        result.error = ImportError{sourceName + ": the file is empty."};
        return result;
    }
    // The column names are texts even where they look like numbers.
    for (ImportCell& c : state.rows.front())
        if (c.isNumber())
            c = ImportCell::ofText(c.text);
    return tableFromRows(std::move(state.rows), std::move(state.rowNumbers), ImportTable::Source::Text, sourceName,
                         options.limits);
}

namespace {

// The whole file, read in pieces up to `limit` bytes; nothing when it cannot be read or is
// larger (the error says which).
std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::size_t limit, ImportError& error)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error.message = path.string() + ": the file cannot be opened (" + std::strerror(errno) + ").";
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        error.message = path.string() + ": this is not a regular file.";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error.message = path.string() + ": the file cannot be opened.";
        return std::nullopt;
    }
    std::string text;
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        const auto got = static_cast<std::size_t>(in.gcount());
        if (text.size() + got > limit) {
            error.message = path.string() + ": the file is larger than the program reads (" +
                            std::to_string(limit >> 20) + " MB).";
            return std::nullopt;
        }
        text.append(buffer, got);
    }
    if (in.bad()) {
        error.message = path.string() + ": the file could not be read to its end.";
        return std::nullopt;
    }
    return text;
}

}  // namespace

ImportResult readCsvFile(const std::filesystem::path& path, const ImportOptions& options)
{
    ImportError error;
    const std::optional<std::string> text = readWholeFile(path, options.limits.maxBytes, error);
    if (!text) {
        ImportResult r;
        r.error = error;
        return r;
    }
    return readCsvText(*text, path.string(), options);
}

}  // namespace varisect
