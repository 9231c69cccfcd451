// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/readstatlibrary.h"

#include <dlfcn.h>

namespace varisect {

namespace {

struct Loaded {
    ReadStatLibrary library;
    std::string problem;  // empty when every function was found
};

template <typename F>
void find(void* handle, const char* name, F& function, std::string& problem)
{
    function = reinterpret_cast<F>(::dlsym(handle, name));
    if (!function && problem.empty())
        problem = std::string("the ReadStat library has no ") + name;
}

Loaded load()
{
    Loaded out;
    // Kept for the whole run: the functions are used through it.
    void* handle = ::dlopen(VARISECT_READSTAT_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        out.problem = std::string("the ReadStat library (" VARISECT_READSTAT_SONAME ") cannot be loaded")
                      + (why ? std::string(": ") + why : std::string());
        return out;
    }
    ReadStatLibrary& r = out.library;
    std::string& p = out.problem;
    find(handle, "readstat_parser_init", r.parserInit, p);
    find(handle, "readstat_parser_free", r.parserFree, p);
    find(handle, "readstat_set_variable_handler", r.setVariableHandler, p);
    find(handle, "readstat_set_value_handler", r.setValueHandler, p);
    find(handle, "readstat_set_value_label_handler", r.setValueLabelHandler, p);
    find(handle, "readstat_set_handler_character_encoding", r.setCharacterEncoding, p);
    find(handle, "readstat_set_row_limit", r.setRowLimit, p);
    find(handle, "readstat_parse_sav", r.parseSav, p);
    find(handle, "readstat_parse_por", r.parsePor, p);
    find(handle, "readstat_parse_dta", r.parseDta, p);
    find(handle, "readstat_parse_sas7bdat", r.parseSas7bdat, p);
    find(handle, "readstat_error_message", r.errorMessage, p);
    find(handle, "readstat_variable_get_name", r.variableName, p);
    find(handle, "readstat_variable_get_index", r.variableIndex, p);
    find(handle, "readstat_value_type_class", r.valueTypeClass, p);
    find(handle, "readstat_value_is_missing", r.valueIsMissing, p);
    find(handle, "readstat_value_is_system_missing", r.valueIsSystemMissing, p);
    find(handle, "readstat_value_is_tagged_missing", r.valueIsTaggedMissing, p);
    find(handle, "readstat_string_value", r.stringValue, p);
    find(handle, "readstat_double_value", r.doubleValue, p);
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
