// SPDX-License-Identifier: GPL-3.0-or-later
// .xlsx and .ods: zip packages of XML, read with libzip and pugixml.
//
// Every part is read in pieces up to the limit, whatever size the package declares for it, so a
// package that lies about its sizes (or packs a huge part into a small file) is refused instead
// of filling the memory. The chosen sheet's first non-empty row holds the column names.
#include "import/importtable.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "import/ziplibrary.h"

namespace varisect {

namespace {

struct ZipCloser {
    decltype(&::zip_discard) discard = nullptr;
    void operator()(zip_t* z) const { discard(z); }
};

class Package {
public:
    bool open(const std::filesystem::path& path, std::string& problem)
    {
        zip_.reset();
        lib_ = zipLibrary(problem);
        if (!lib_)
            return false;
        int error = 0;
        zip_ = std::unique_ptr<zip_t, ZipCloser>(lib_->open(path.c_str(), ZIP_RDONLY, &error), ZipCloser{lib_->discard});
        if (!zip_) {
            zip_error_t e;
            lib_->errorInitWithCode(&e, error);
            problem = std::string("it is not a readable zip package (") + lib_->errorText(&e) + ")";
            lib_->errorFini(&e);
            return false;
        }
        return true;
    }
    bool has(const std::string& name) const { return lib_->nameLocate(zip_.get(), name.c_str(), 0) >= 0; }

    // The part `name`, read up to `limit` bytes. Nothing when it is missing, damaged or larger.
    std::optional<std::string> read(const std::string& name, std::size_t limit, std::string& problem) const
    {
        zip_file_t* f = lib_->fopen(zip_.get(), name.c_str(), 0);
        if (!f) {
            problem = "the part " + name + " is missing";
            return std::nullopt;
        }
        std::string data;
        char buffer[65536];
        for (;;) {
            const zip_int64_t got = lib_->fread(f, buffer, sizeof buffer);
            if (got < 0) {
                problem = "the part " + name + " is damaged";
                lib_->fclose(f);
                return std::nullopt;
            }
            if (got == 0)
                break;
            if (data.size() + static_cast<std::size_t>(got) > limit) {
                problem = "the part " + name + " is larger than the program reads (" + std::to_string(limit >> 20) +
                          " MB)";
                lib_->fclose(f);
                return std::nullopt;
            }
            data.append(buffer, static_cast<std::size_t>(got));
        }
        lib_->fclose(f);
        return data;
    }

private:
    const ZipLibrary* lib_ = nullptr;
    std::unique_ptr<zip_t, ZipCloser> zip_;
};

ImportResult failure(const std::filesystem::path& path, const std::string& problem, long row = 0, int column = 0)
{
    ImportResult r;
    r.error = ImportError{path.string() + ": " + problem + ".", row, column};
    return r;
}

bool parseXml(pugi::xml_document& doc, const std::string& text)
{
    return static_cast<bool>(doc.load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_ws_pcdata));
}

// A name without its namespace prefix ("x:row" -> "row").
const char* localName(const pugi::xml_node& node)
{
    const char* name = node.name();
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

bool named(const pugi::xml_node& node, const char* name) { return std::strcmp(localName(node), name) == 0; }

pugi::xml_node child(const pugi::xml_node& node, const char* name)
{
    for (pugi::xml_node c : node.children())
        if (named(c, name))
            return c;
    return {};
}

const char* attribute(const pugi::xml_node& node, const char* name)
{
    for (pugi::xml_attribute a : node.attributes()) {
        const char* n = a.name();
        const char* colon = std::strrchr(n, ':');
        if (std::strcmp(colon ? colon + 1 : n, name) == 0)
            return a.value();
    }
    return nullptr;
}

// Which of the sheets `names` the option chooses; -1 with `problem` set when none.
int chooseSheet(const std::vector<std::string>& names, const std::string& wanted, std::string& problem)
{
    if (names.empty()) {
        problem = "the workbook has no sheets";
        return -1;
    }
    if (wanted.empty())
        return 0;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == wanted)
            return static_cast<int>(i);
    if (wanted.find_first_not_of("0123456789") == std::string::npos && wanted.size() < 6) {
        const int n = std::stoi(wanted);
        if (n >= 1 && n <= static_cast<int>(names.size()))
            return n - 1;
    }
    std::string list;
    for (const std::string& n : names)
        list += (list.empty() ? "\"" : ", \"") + n + "\"";
    problem = "there is no sheet \"" + wanted + "\" (the sheets: " + list + ")";
    return -1;
}

// ---------------------------------------------------------------- xlsx

struct XlsxSheet {
    std::string name;
    std::string part;
};

std::string resolveTarget(std::string target)
{
    if (!target.empty() && target.front() == '/')
        return target.substr(1);
    return "xl/" + target;
}

bool xlsxSheets(const Package& zip, const ImportLimits& limits, std::vector<XlsxSheet>& sheets, std::string& problem)
{
    const auto workbook = zip.read("xl/workbook.xml", limits.maxBytes, problem);
    if (!workbook)
        return false;
    std::map<std::string, std::string> targets;
    // Without the relationships part the sheets are looked for under their usual names.
    if (!zip.has("xl/_rels/workbook.xml.rels")) {
    } else if (const auto rels = zip.read("xl/_rels/workbook.xml.rels", limits.maxBytes, problem)) {
        pugi::xml_document doc;
        if (!parseXml(doc, *rels)) {
            problem = "the part xl/_rels/workbook.xml.rels is not XML";
            return false;
        }
        for (pugi::xml_node r : doc.document_element().children())
            if (named(r, "Relationship") && attribute(r, "Id") && attribute(r, "Target"))
                targets[attribute(r, "Id")] = resolveTarget(attribute(r, "Target"));
    } else {
        return false;
    }
    pugi::xml_document doc;
    if (!parseXml(doc, *workbook)) {
        problem = "the part xl/workbook.xml is not XML";
        return false;
    }
    int position = 0;
    for (pugi::xml_node s : child(doc.document_element(), "sheets").children()) {
        if (!named(s, "sheet"))
            continue;
        ++position;
        XlsxSheet sheet;
        sheet.name = attribute(s, "name") ? attribute(s, "name") : "Sheet" + std::to_string(position);
        const char* id = attribute(s, "id");
        if (id && targets.count(id))
            sheet.part = targets[id];
        else
            sheet.part = "xl/worksheets/sheet" + std::to_string(position) + ".xml";
        sheets.push_back(std::move(sheet));
    }
    return true;
}

// The text of a shared string or an inline string: its <t>, or the <t> of each run.
std::string stringItemText(const pugi::xml_node& item)
{
    std::string out;
    for (pugi::xml_node c : item.children()) {
        if (named(c, "t"))
            out += c.text().get();
        else if (named(c, "r"))
            out += child(c, "t").text().get();
    }
    return out;
}

// "BC12" -> column 54 (0-based), row 12; false when it is not a cell reference in range.
bool parseCellReference(const char* ref, int& column, long& row)
{
    int c = 0;
    const char* p = ref;
    int letters = 0;
    for (; *p >= 'A' && *p <= 'Z'; ++p) {
        if (++letters > 3)
            return false;
        c = c * 26 + (*p - 'A' + 1);
    }
    long r = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (++digits > 7)
            return false;
        r = r * 10 + (*p - '0');
    }
    if (*p != '\0' || letters == 0 || digits == 0 || r < 1)
        return false;
    column = c - 1;
    row = r;
    return true;
}

}  // namespace

ImportResult readXlsxFile(const std::filesystem::path& path, const ImportOptions& options)
{
    const ImportLimits& limits = options.limits;
    Package zip;
    std::string problem;
    if (!zip.open(path, problem))
        return failure(path, problem);
    std::vector<XlsxSheet> sheets;
    if (!xlsxSheets(zip, limits, sheets, problem))
        return failure(path, problem);
    std::vector<std::string> names;
    for (const XlsxSheet& s : sheets)
        names.push_back(s.name);
    const int chosen = chooseSheet(names, options.sheet, problem);
    if (chosen < 0)
        return failure(path, problem);

    std::vector<std::string> shared;
    if (zip.has("xl/sharedStrings.xml")) {
        const auto text = zip.read("xl/sharedStrings.xml", limits.maxBytes, problem);
        pugi::xml_document doc;
        if (!text)
            return failure(path, problem);
        if (!parseXml(doc, *text))
            return failure(path, "the part xl/sharedStrings.xml is not XML");
        for (pugi::xml_node si : doc.document_element().children())
            if (named(si, "si"))
                shared.push_back(stringItemText(si));
    }

    const XlsxSheet& sheet = sheets[static_cast<std::size_t>(chosen)];
    const auto text = zip.read(sheet.part, limits.maxBytes, problem);
    if (!text)
        return failure(path, problem);
    pugi::xml_document doc;
    if (!parseXml(doc, *text))
        return failure(path, "the sheet \"" + sheet.name + "\" is not XML");

    std::vector<std::vector<ImportCell>> rows;
    std::vector<long> rowNumbers;
    long rowNumber = 0;
    long cells = 0;
    for (pugi::xml_node r : child(doc.document_element(), "sheetData").children()) {
        if (!named(r, "row"))
            continue;
        long n = rowNumber + 1;
        if (const char* attr = attribute(r, "r")) {
            char* end = nullptr;
            n = std::strtol(attr, &end, 10);
            if (*end != '\0' || n <= rowNumber || n > 1048576)
                return failure(path, "the sheet \"" + sheet.name + "\" numbers its rows out of order near row " +
                                         std::to_string(rowNumber + 1),
                                rowNumber + 1);
        }
        rowNumber = n;
        std::vector<ImportCell> row;
        int column = -1;
        for (pugi::xml_node c : r.children()) {
            if (!named(c, "c"))
                continue;
            int at = column + 1;
            if (const char* ref = attribute(c, "r")) {
                long refRow = 0;
                if (!parseCellReference(ref, at, refRow) || refRow != rowNumber || at <= column)
                    return failure(path, "row " + std::to_string(rowNumber) + ": the cell reference \"" +
                                             std::string(ref).substr(0, 20) + "\" is not valid",
                                    rowNumber);
            }
            if (at >= limits.maxColumns)
                return failure(path, "row " + std::to_string(rowNumber) + " has more than " +
                                         std::to_string(limits.maxColumns) + " columns",
                                rowNumber, at + 1);
            column = at;
            const std::string type = attribute(c, "t") ? attribute(c, "t") : "n";
            const std::string value = child(c, "v").text().get();
            ImportCell cell;
            const std::string where = "row " + std::to_string(rowNumber) + ", column " + columnLetters(at);
            if (type == "s") {
                const auto index = parseImportNumber(value);
                if (!index || *index < 0 || *index >= static_cast<double>(shared.size()) ||
                    *index != static_cast<double>(static_cast<long>(*index)))
                    return failure(path, where + ": the shared string \"" + value.substr(0, 20) + "\" does not exist",
                                   rowNumber, at + 1);
                cell = ImportCell::ofText(shared[static_cast<std::size_t>(*index)]);
            } else if (type == "inlineStr") {
                cell = ImportCell::ofText(stringItemText(child(c, "is")));
            } else if (type == "str" || type == "e") {
                cell = ImportCell::ofText(value);
            } else if (type == "b") {
                cell = ImportCell::ofNumber(value == "1" ? 1 : 0);
            } else if (!value.empty()) {
                const auto number = parseImportNumber(value);
                if (!number)
                    return failure(path, where + ": \"" + value.substr(0, 20) + "\" is not a number", rowNumber,
                                   at + 1);
                cell = ImportCell::ofNumber(*number);
            }
            if (cell.kind == ImportCell::Kind::Text && cell.text.empty())
                cell = ImportCell::missing();
            if (cell.isMissing())
                continue;
            if (++cells > limits.maxCells)
                return failure(path, "the sheet has more cells than the program reads", rowNumber);
            row.resize(static_cast<std::size_t>(at) + 1);
            row[static_cast<std::size_t>(at)] = std::move(cell);
        }
        if (row.empty())
            continue;
        if (static_cast<long>(rows.size()) > limits.maxRows)
            return failure(path, "the sheet has more rows than the program reads (" + std::to_string(limits.maxRows) +
                                     ")",
                           rowNumber);
        rows.push_back(std::move(row));
        rowNumbers.push_back(rowNumber);
    }
    // Rows with nothing in them between rows of data stay rows, as the spreadsheet shows them.
    std::vector<std::vector<ImportCell>> dense;
    std::vector<long> denseNumbers;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            for (long gap = rowNumbers[i - 1] + 1; gap < rowNumbers[i]; ++gap) {
                if (static_cast<long>(dense.size()) > limits.maxRows)
                    return failure(path, "the sheet has more rows than the program reads", gap);
                dense.emplace_back();
                denseNumbers.push_back(gap);
            }
        dense.push_back(std::move(rows[i]));
        denseNumbers.push_back(rowNumbers[i]);
    }
    if (dense.empty())
        return failure(path, "the sheet \"" + sheet.name + "\" is empty");
    return tableFromRows(std::move(dense), std::move(denseNumbers), ImportTable::Source::Spreadsheet, path.string(),
                         limits);
}

// ---------------------------------------------------------------- ods

namespace {

// The text of a cell's paragraphs, with text:s (spaces), text:tab and text:line-break.
void appendOdsText(const pugi::xml_node& node, std::string& out)
{
    for (pugi::xml_node c : node.children()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
            out += c.value();
        } else if (named(c, "s")) {
            const char* n = attribute(c, "c");
            const long count = n ? std::strtol(n, nullptr, 10) : 1;
            out.append(static_cast<std::size_t>(count > 0 && count < 1000 ? count : 1), ' ');
        } else if (named(c, "tab")) {
            out += '\t';
        } else if (named(c, "line-break")) {
            out += '\n';
        } else if (!named(c, "annotation")) {
            appendOdsText(c, out);
        }
    }
}

long repeatCount(const pugi::xml_node& node, const char* attr)
{
    const char* text = attribute(node, attr);
    if (!text)
        return 1;
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    // A count beyond any sheet's size is taken as that size, so that sums of counts cannot overflow.
    return (*end == '\0' && n >= 1) ? std::min(n, 1L << 30) : 1;
}

struct OdsWalk {
    const std::filesystem::path& path;
    const ImportLimits& limits;
    std::vector<std::vector<ImportCell>> rows;
    std::vector<long> rowNumbers;
    long rowNumber = 0;    // of the last row passed
    long pendingEmpty = 0; // empty rows passed since the last row with content
    long cells = 0;
    std::optional<ImportResult> failed;

    bool fail(const std::string& problem, long row, int column = 0)
    {
        failed = failure(path, problem, row, column);
        return false;
    }

    bool row(const pugi::xml_node& r)
    {
        const long repeat = repeatCount(r, "number-rows-repeated");
        std::vector<ImportCell> cells_;
        long column = 0;
        for (pugi::xml_node c : r.children()) {
            if (!named(c, "table-cell") && !named(c, "covered-table-cell"))
                continue;
            const long columns = repeatCount(c, "number-columns-repeated");
            ImportCell cell;
            const char* type = attribute(c, "value-type");
            const std::string where = "row " + std::to_string(rowNumber + 1) + ", column " +
                                      columnLetters(static_cast<int>(std::min<long>(column, 1 << 20)));
            if (type && (std::strcmp(type, "float") == 0 || std::strcmp(type, "percentage") == 0 ||
                         std::strcmp(type, "currency") == 0)) {
                const char* v = attribute(c, "value");
                const auto number = v ? parseImportNumber(v) : std::nullopt;
                if (!number)
                    return fail(where + ": the number \"" + std::string(v ? v : "").substr(0, 20) + "\" cannot be read",
                                rowNumber + 1, static_cast<int>(column) + 1);
                cell = ImportCell::ofNumber(*number);
            } else if (type && std::strcmp(type, "boolean") == 0) {
                const char* v = attribute(c, "boolean-value");
                cell = ImportCell::ofNumber(v && std::strcmp(v, "true") == 0 ? 1 : 0);
            } else if (type) {
                std::string text;
                bool first = true;
                for (pugi::xml_node p : c.children()) {
                    if (!named(p, "p"))
                        continue;
                    if (!first)
                        text += '\n';
                    first = false;
                    appendOdsText(p, text);
                }
                if (!text.empty())
                    cell = ImportCell::ofText(std::move(text));
            }
            if (!cell.isMissing()) {
                if (column + columns > limits.maxColumns)
                    return fail("row " + std::to_string(rowNumber + 1) + " has more than " +
                                    std::to_string(limits.maxColumns) + " columns",
                                rowNumber + 1, limits.maxColumns + 1);
                cells += columns * repeat;
                if (cells > limits.maxCells)
                    return fail("the sheet has more cells than the program reads", rowNumber + 1);
                cells_.resize(static_cast<std::size_t>(column + columns));
                for (long k = 0; k < columns; ++k)
                    cells_[static_cast<std::size_t>(column + k)] = cell;
            }
            column += columns;
            if (column > (1L << 24))
                column = 1L << 24;  // a sheet's empty filler; nothing past it is read
        }
        if (cells_.empty()) {
            rowNumber += repeat;
            pendingEmpty += repeat;
            return true;
        }
        if (!rows.empty()) {
            if (static_cast<long>(rows.size()) + pendingEmpty > limits.maxRows)
                return fail("the sheet has more rows than the program reads", rowNumber + 1);
            for (long k = 0; k < pendingEmpty; ++k) {
                rows.emplace_back();
                rowNumbers.push_back(rowNumber - pendingEmpty + k + 1);
            }
        }
        pendingEmpty = 0;
        if (static_cast<long>(rows.size()) + repeat > limits.maxRows + 1)
            return fail("the sheet has more rows than the program reads", rowNumber + 1);
        for (long k = 0; k < repeat; ++k) {
            rows.push_back(cells_);
            rowNumbers.push_back(++rowNumber);
        }
        return true;
    }

    bool walk(const pugi::xml_node& node)
    {
        for (pugi::xml_node c : node.children()) {
            if (named(c, "table-row")) {
                if (!row(c))
                    return false;
            } else if (named(c, "table-rows") || named(c, "table-header-rows") || named(c, "table-row-group")) {
                if (!walk(c))
                    return false;
            }
        }
        return true;
    }
};

std::vector<pugi::xml_node> odsTables(const pugi::xml_document& doc)
{
    std::vector<pugi::xml_node> tables;
    const pugi::xml_node spreadsheet = child(child(doc.document_element(), "body"), "spreadsheet");
    for (pugi::xml_node t : spreadsheet.children())
        if (named(t, "table"))
            tables.push_back(t);
    return tables;
}

std::string odsName(const pugi::xml_node& table, std::size_t position)
{
    const char* name = attribute(table, "name");
    return name ? name : "Sheet" + std::to_string(position + 1);
}

}  // namespace

ImportResult readOdsFile(const std::filesystem::path& path, const ImportOptions& options)
{
    Package zip;
    std::string problem;
    if (!zip.open(path, problem))
        return failure(path, problem);
    const auto content = zip.read("content.xml", options.limits.maxBytes, problem);
    if (!content)
        return failure(path, problem);
    pugi::xml_document doc;
    if (!parseXml(doc, *content))
        return failure(path, "the part content.xml is not XML");
    const std::vector<pugi::xml_node> tables = odsTables(doc);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < tables.size(); ++i)
        names.push_back(odsName(tables[i], i));
    const int chosen = chooseSheet(names, options.sheet, problem);
    if (chosen < 0)
        return failure(path, problem);
    OdsWalk walk{path, options.limits, {}, {}, 0, 0, 0, std::nullopt};
    if (!walk.walk(tables[static_cast<std::size_t>(chosen)]))
        return *walk.failed;
    if (walk.rows.empty())
        return failure(path, "the sheet \"" + names[static_cast<std::size_t>(chosen)] + "\" is empty");
    return tableFromRows(std::move(walk.rows), std::move(walk.rowNumbers), ImportTable::Source::Spreadsheet,
                         path.string(), options.limits);
}

SheetList listSheets(const std::filesystem::path& path, const ImportLimits& limits)
{
    SheetList list;
    const ImportFormat format = importFormatOf(path);
    if (format == ImportFormat::Xls)
        return listXlsSheets(path);
    if (format != ImportFormat::Xlsx && format != ImportFormat::Ods)
        return list;
    Package zip;
    std::string problem;
    if (zip.open(path, problem)) {
        if (format == ImportFormat::Xlsx) {
            std::vector<XlsxSheet> sheets;
            if (xlsxSheets(zip, limits, sheets, problem)) {
                for (const XlsxSheet& s : sheets)
                    list.names.push_back(s.name);
                return list;
            }
        } else if (const auto content = zip.read("content.xml", limits.maxBytes, problem)) {
            pugi::xml_document doc;
            if (parseXml(doc, *content)) {
                const std::vector<pugi::xml_node> tables = odsTables(doc);
                for (std::size_t i = 0; i < tables.size(); ++i)
                    list.names.push_back(odsName(tables[i], i));
                return list;
            }
            problem = "the part content.xml is not XML";
        }
    }
    list.error = ImportError{path.string() + ": " + problem + "."};
    return list;
}

}  // namespace varisect
