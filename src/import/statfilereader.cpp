// SPDX-License-Identifier: GPL-3.0-or-later
// SPSS (.sav, .zsav, .por), Stata (.dta) and SAS (.sas7bdat) data files through ReadStat.
//
// The variables become the columns, the cases the rows. A variable's value labels stay with its
// column (a factor's levels take them as their labels). System-missing values, SPSS's
// user-missing values and Stata's and SAS's tagged missing values are all missing; so is an
// empty text.
#include "import/importtable.h"

#include "import/readstatlibrary.h"

#include <map>
#include <sys/stat.h>

namespace varisect {

namespace {

// The library's functions, once readStatisticsFile has loaded it.
const ReadStatLibrary* loadedLibrary = nullptr;
const ReadStatLibrary& rs() { return *loadedLibrary; }

struct StatState {
    const ImportLimits* limits = nullptr;
    std::vector<ImportColumn> columns;
    std::vector<std::string> labelSetOfColumn;
    std::map<std::string, std::vector<ValueLabel>> labelSets;
    std::vector<std::vector<ImportCell>> rows;
    std::string problem;
    long problemRow = 0;
    int problemColumn = 0;
};

ImportCell cellOf(readstat_value_t value, readstat_variable_t* variable)
{
    if (rs().valueIsMissing(value, variable))
        return ImportCell::missing();
    if (rs().valueTypeClass(value) == READSTAT_TYPE_CLASS_STRING) {
        const char* text = rs().stringValue(value);
        if (!text || !*text)
            return ImportCell::missing();
        return ImportCell::ofText(text);
    }
    return ImportCell::ofNumber(rs().doubleValue(value));
}

int onVariable(int index, readstat_variable_t* variable, const char* valLabels, void* context)
{
    auto* s = static_cast<StatState*>(context);
    if (index >= s->limits->maxColumns) {
        s->problem = "the file has more variables than the program reads (" + std::to_string(s->limits->maxColumns) +
                     ")";
        return READSTAT_HANDLER_ABORT;
    }
    if (static_cast<std::size_t>(index) >= s->columns.size()) {
        s->columns.resize(static_cast<std::size_t>(index) + 1);
        s->labelSetOfColumn.resize(static_cast<std::size_t>(index) + 1);
    }
    const char* name = rs().variableName(variable);
    s->columns[static_cast<std::size_t>(index)].name = name && *name ? name : "V" + std::to_string(index + 1);
    s->labelSetOfColumn[static_cast<std::size_t>(index)] = valLabels ? valLabels : "";
    return READSTAT_HANDLER_OK;
}

int onValue(int obsIndex, readstat_variable_t* variable, readstat_value_t value, void* context)
{
    auto* s = static_cast<StatState*>(context);
    const int column = rs().variableIndex(variable);
    if (obsIndex < 0 || column < 0 || static_cast<std::size_t>(column) >= s->columns.size())
        return READSTAT_HANDLER_OK;
    if (obsIndex >= s->limits->maxRows ||
        static_cast<long>(obsIndex + 1) * static_cast<long>(s->columns.size()) > s->limits->maxCells) {
        s->problem = "the file has more cases than the program reads (" + std::to_string(s->limits->maxRows) + ")";
        s->problemRow = obsIndex + 1;
        return READSTAT_HANDLER_ABORT;
    }
    while (static_cast<int>(s->rows.size()) <= obsIndex)
        s->rows.emplace_back(s->columns.size());
    ImportCell cell = cellOf(value, variable);
    if (cell.kind == ImportCell::Kind::Text && !isValidUtf8(cell.text)) {
        s->problem = "case " + std::to_string(obsIndex + 1) + ", variable \"" +
                     s->columns[static_cast<std::size_t>(column)].name + "\": the text cannot be read";
        s->problemRow = obsIndex + 1;
        s->problemColumn = column + 1;
        return READSTAT_HANDLER_ABORT;
    }
    s->rows[static_cast<std::size_t>(obsIndex)][static_cast<std::size_t>(column)] = std::move(cell);
    return READSTAT_HANDLER_OK;
}

int onValueLabel(const char* valLabels, readstat_value_t value, const char* label, void* context)
{
    auto* s = static_cast<StatState*>(context);
    if (!valLabels || !label)
        return READSTAT_HANDLER_OK;
    ImportCell key;
    if (rs().valueTypeClass(value) == READSTAT_TYPE_CLASS_STRING) {
        const char* text = rs().stringValue(value);
        key = ImportCell::ofText(text ? text : "");
    } else if (rs().valueIsSystemMissing(value) || rs().valueIsTaggedMissing(value)) {
        return READSTAT_HANDLER_OK;  // a label for a kind of missing value names no level
    } else {
        key = ImportCell::ofNumber(rs().doubleValue(value));
    }
    std::vector<ValueLabel>& set = s->labelSets[valLabels];
    if (set.size() < 100000)
        set.push_back({std::move(key), label});
    return READSTAT_HANDLER_OK;
}

}  // namespace

ImportResult readStatisticsFile(const std::filesystem::path& path, ImportFormat format, const ImportOptions& options)
{
    ImportResult result;
    auto failWith = [&](const std::string& problem, long row = 0, int column = 0) {
        result.error = ImportError{path.string() + ": " + problem + ".", row, column};
        return result;
    };
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return failWith("the file cannot be opened");
    if (!S_ISREG(info.st_mode))
        return failWith("this is not a regular file");

    std::string unloaded;
    loadedLibrary = readStatLibrary(unloaded);
    if (!loadedLibrary)
        return failWith(unloaded);
    StatState state;
    state.limits = &options.limits;
    readstat_parser_t* parser = rs().parserInit();
    if (!parser)
        return failWith("the reader could not be set up");
    rs().setVariableHandler(parser, onVariable);
    rs().setValueHandler(parser, onValue);
    rs().setValueLabelHandler(parser, onValueLabel);
    rs().setCharacterEncoding(parser, "UTF-8");
    rs().setRowLimit(parser, options.limits.maxRows + 1);

    readstat_error_t error = READSTAT_OK;
    const char* kind = "";
    switch (format) {
    case ImportFormat::Sav:
        error = rs().parseSav(parser, path.c_str(), &state);
        kind = "an SPSS data file";
        break;
    case ImportFormat::Por:
        error = rs().parsePor(parser, path.c_str(), &state);
        kind = "an SPSS portable file";
        break;
    case ImportFormat::Dta:
        error = rs().parseDta(parser, path.c_str(), &state);
        kind = "a Stata data file";
        break;
    case ImportFormat::Sas7bdat:
        error = rs().parseSas7bdat(parser, path.c_str(), &state);
        kind = "a SAS data set";
        break;
    default:
        rs().parserFree(parser);
        return failWith("the file is not a statistics package's data file");
    }
    rs().parserFree(parser);
    if (!state.problem.empty())
        return failWith(state.problem, state.problemRow, state.problemColumn);
    if (error != READSTAT_OK)
        return failWith(std::string("it cannot be read as ") + kind + " (" + rs().errorMessage(error) + ")");
    if (state.columns.empty())
        return failWith("the file has no variables");
    if (static_cast<long>(state.rows.size()) > options.limits.maxRows)
        return failWith("the file has more cases than the program reads (" + std::to_string(options.limits.maxRows) +
                        ")");

    ImportTable table;
    table.source = ImportTable::Source::StatisticsFile;
    table.sourceName = path.string();
    for (std::size_t c = 0; c < state.columns.size(); ++c) {
        if (state.columns[c].name.empty())
            state.columns[c].name = "V" + std::to_string(c + 1);
        const auto set = state.labelSets.find(state.labelSetOfColumn[c]);
        if (!state.labelSetOfColumn[c].empty() && set != state.labelSets.end())
            state.columns[c].valueLabels = set->second;
    }
    table.columns = std::move(state.columns);
    for (std::size_t r = 0; r < state.rows.size(); ++r) {
        state.rows[r].resize(table.columns.size());
        table.rows.push_back(std::move(state.rows[r]));
        table.rowNumbers.push_back(static_cast<long>(r) + 1);
    }
    result.table = std::move(table);
    return result;
}

}  // namespace varisect
