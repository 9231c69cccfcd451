// SPDX-License-Identifier: GPL-3.0-or-later
// .xls workbooks (BIFF 5 to 8) through FreeXL. The chosen sheet's first non-empty row holds the
// column names; dates and times come as their texts ("2024-03-01").
#include "import/importtable.h"

#include <freexl.h>

#include <sys/stat.h>

namespace varisect {

namespace {

class Workbook {
public:
    ~Workbook()
    {
        if (handle_)
            freexl_close(handle_);
    }
    // Nothing when it opened, else why not.
    std::optional<std::string> open(const std::filesystem::path& path)
    {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            return std::string("the file cannot be opened");
        const int rc = freexl_open(path.c_str(), &handle_);
        if (rc != FREEXL_OK) {
            handle_ = nullptr;
            return std::string("it is not an Excel 97-2003 workbook that can be read (FreeXL error ") +
                   std::to_string(rc) + ")";
        }
        unsigned int password = 0;
        if (freexl_get_info(handle_, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK && password == FREEXL_BIFF_OBFUSCATED)
            return std::string("the workbook is protected by a password");
        return std::nullopt;
    }
    std::vector<std::string> sheetNames() const
    {
        std::vector<std::string> names;
        unsigned int count = 0;
        if (freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
            return names;
        for (unsigned int i = 0; i < count && i < 65536; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(handle_, static_cast<unsigned short>(i), &name) == FREEXL_OK && name)
                names.emplace_back(name);
            else
                names.push_back("Sheet" + std::to_string(i + 1));
        }
        return names;
    }
    const void* handle() const { return handle_; }

private:
    const void* handle_ = nullptr;
};

ImportResult failure(const std::filesystem::path& path, const std::string& problem, long row = 0, int column = 0)
{
    ImportResult r;
    r.error = ImportError{path.string() + ": " + problem + ".", row, column};
    return r;
}

}  // namespace

SheetList listXlsSheets(const std::filesystem::path& path)
{
    SheetList list;
    Workbook book;
    if (const auto problem = book.open(path)) {
        list.error = ImportError{path.string() + ": " + *problem + "."};
        return list;
    }
    list.names = book.sheetNames();
    return list;
}

ImportResult readXlsFile(const std::filesystem::path& path, const ImportOptions& options)
{
    const ImportLimits& limits = options.limits;
    Workbook book;
    if (const auto problem = book.open(path))
        return failure(path, *problem);
    const std::vector<std::string> names = book.sheetNames();
    if (names.empty())
        return failure(path, "the workbook has no sheets");
    int chosen = -1;
    if (options.sheet.empty())
        chosen = 0;
    for (std::size_t i = 0; chosen < 0 && i < names.size(); ++i)
        if (names[i] == options.sheet)
            chosen = static_cast<int>(i);
    if (chosen < 0 && options.sheet.size() < 6 && options.sheet.find_first_not_of("0123456789") == std::string::npos) {
        const int n = std::stoi(options.sheet);
        if (n >= 1 && n <= static_cast<int>(names.size()))
            chosen = n - 1;
    }
    if (chosen < 0) {
        std::string list;
        for (const std::string& n : names)
            list += (list.empty() ? "\"" : ", \"") + n + "\"";
        return failure(path, "there is no sheet \"" + options.sheet + "\" (the sheets: " + list + ")");
    }
    if (freexl_select_active_worksheet(book.handle(), static_cast<unsigned short>(chosen)) != FREEXL_OK)
        return failure(path, "the sheet \"" + names[static_cast<std::size_t>(chosen)] + "\" cannot be read");
    unsigned int rowCount = 0;
    unsigned short columnCount = 0;
    if (freexl_worksheet_dimensions(book.handle(), &rowCount, &columnCount) != FREEXL_OK)
        return failure(path, "the size of the sheet cannot be read");
    if (static_cast<long>(rowCount) > limits.maxRows + 1 || static_cast<int>(columnCount) > limits.maxColumns ||
        static_cast<long>(rowCount) * columnCount > limits.maxCells)
        return failure(path, "the sheet is larger than the program reads (" + std::to_string(rowCount) + " rows of " +
                                 std::to_string(columnCount) + " columns)");

    std::vector<std::vector<ImportCell>> rows(rowCount);
    std::vector<long> rowNumbers(rowCount);
    for (unsigned int r = 0; r < rowCount; ++r) {
        rowNumbers[r] = static_cast<long>(r) + 1;
        std::vector<ImportCell>& row = rows[r];
        row.resize(columnCount);
        for (unsigned short c = 0; c < columnCount; ++c) {
            FreeXL_CellValue value;
            if (freexl_get_cell_value(book.handle(), r, c, &value) != FREEXL_OK)
                return failure(path, "row " + std::to_string(r + 1) + ", column " + columnLetters(c) +
                                         ": the cell cannot be read",
                               static_cast<long>(r) + 1, c + 1);
            switch (value.type) {
            case FREEXL_CELL_INT: row[c] = ImportCell::ofNumber(value.value.int_value); break;
            case FREEXL_CELL_DOUBLE: row[c] = ImportCell::ofNumber(value.value.double_value); break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                if (value.value.text_value && *value.value.text_value) {
                    std::string text = value.value.text_value;
                    if (!isValidUtf8(text))
                        return failure(path, "row " + std::to_string(r + 1) + ", column " + columnLetters(c) +
                                                 ": the text cannot be read",
                                       static_cast<long>(r) + 1, c + 1);
                    row[c] = ImportCell::ofText(std::move(text));
                }
                break;
            default: break;
            }
        }
    }
    return tableFromRows(std::move(rows), std::move(rowNumbers), ImportTable::Source::Spreadsheet, path.string(),
                         limits);
}

}  // namespace varisect
