// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/readstatlibrary.h"

#include "import/sharedlibrary.h"

namespace varisect {

namespace {

struct Loaded {
    ReadStatLibrary library;
    std::string problem;  // empty when every function was found
};

Loaded load()
{
    Loaded out;
    SharedLibrary library(VARISECT_READSTAT_SONAME, "the ReadStat library");
    ReadStatLibrary& r = out.library;
    library.find("readstat_parser_init", r.parserInit);
    library.find("readstat_parser_free", r.parserFree);
    library.find("readstat_set_variable_handler", r.setVariableHandler);
    library.find("readstat_set_value_handler", r.setValueHandler);
    library.find("readstat_set_value_label_handler", r.setValueLabelHandler);
    library.find("readstat_set_handler_character_encoding", r.setCharacterEncoding);
    library.find("readstat_set_row_limit", r.setRowLimit);
    library.find("readstat_parse_sav", r.parseSav);
    library.find("readstat_parse_por", r.parsePor);
    library.find("readstat_parse_dta", r.parseDta);
    library.find("readstat_parse_sas7bdat", r.parseSas7bdat);
    library.find("readstat_error_message", r.errorMessage);
    library.find("readstat_variable_get_name", r.variableName);
    library.find("readstat_variable_get_index", r.variableIndex);
    library.find("readstat_value_type_class", r.valueTypeClass);
    library.find("readstat_value_is_missing", r.valueIsMissing);
    library.find("readstat_value_is_system_missing", r.valueIsSystemMissing);
    library.find("readstat_value_is_tagged_missing", r.valueIsTaggedMissing);
    library.find("readstat_string_value", r.stringValue);
    library.find("readstat_double_value", r.doubleValue);
    out.problem = library.problem();
    return out;
}

}  // namespace

const ReadStatLibrary* readStatLibrary(std::string& problem)
{
    static const Loaded loaded = load();
    if (!loaded.problem.empty()) {
        problem = loaded.problem;
        return nullptr;
    }
    return &loaded.library;
}

}  // namespace varisect
