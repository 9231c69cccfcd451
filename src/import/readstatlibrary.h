// SPDX-License-Identifier: GPL-3.0-or-later
// ReadStat, loaded the first time a statistics package's data file is read rather than when the
// program starts: it brings zlib along, and mapping both would otherwise be paid by every run of
// the command-line program, most of which read a plain score file.
#pragma once

#include <readstat.h>

#include <string>

namespace varisect {

struct ReadStatLibrary {
    decltype(&::readstat_parser_init) parserInit = nullptr;
    decltype(&::readstat_parser_free) parserFree = nullptr;
    decltype(&::readstat_set_variable_handler) setVariableHandler = nullptr;
    decltype(&::readstat_set_value_handler) setValueHandler = nullptr;
    decltype(&::readstat_set_value_label_handler) setValueLabelHandler = nullptr;
    decltype(&::readstat_set_handler_character_encoding) setCharacterEncoding = nullptr;
    decltype(&::readstat_set_row_limit) setRowLimit = nullptr;
    decltype(&::readstat_parse_sav) parseSav = nullptr;
    decltype(&::readstat_parse_por) parsePor = nullptr;
    decltype(&::readstat_parse_dta) parseDta = nullptr;
    decltype(&::readstat_parse_sas7bdat) parseSas7bdat = nullptr;
    decltype(&::readstat_error_message) errorMessage = nullptr;
    decltype(&::readstat_variable_get_name) variableName = nullptr;
    decltype(&::readstat_variable_get_index) variableIndex = nullptr;
    decltype(&::readstat_value_type_class) valueTypeClass = nullptr;
    decltype(&::readstat_value_is_missing) valueIsMissing = nullptr;
    decltype(&::readstat_value_is_system_missing) valueIsSystemMissing = nullptr;
    decltype(&::readstat_value_is_tagged_missing) valueIsTaggedMissing = nullptr;
    decltype(&::readstat_string_value) stringValue = nullptr;
    decltype(&::readstat_double_value) doubleValue = nullptr;
};

// The loaded library, or nullptr with `problem` saying why it could not be loaded.
const ReadStatLibrary* readStatLibrary(std::string& problem);

}  // namespace varisect
