// SPDX-License-Identifier: GPL-3.0-or-later
// varisect-cli on a researcher's table (CSV, spreadsheet, SPSS, Stata or SAS file): the long or
// wide layout named by options (or guessed), turned into the design and its scores; and the
// export command, which writes them as a design-order score file and as long CSV.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "data/datafile.h"
#include "engine/design.h"

namespace varisect {

namespace clisupport {
struct Arguments;
}

// Whether the data file is to be read as a table: a layout option is given, or its extension is
// that of a table (.csv, .tsv, .xlsx, .ods, .xls, .sav, .zsav, .por, .dta, .sas7bdat).
bool importRequested(const clisupport::Arguments& a);

struct ImportedData {
    Design design;                                   // with type, designation and nesting
    DataLayout data;                                 // plain (design order) or unequal N
    std::vector<std::vector<std::string>> labels;    // the full level labels, per factor
};

// The scores of a plain layout, in design order.
Scores scoresOf(const DataLayout& data);

// Reads the table and proposes the design; the renames and any listed problems go to `err`.
// --type and --designate, when given, replace what the data suggest; --nest adds to it. Throws
// CliFailure when the table cannot be read or the data are not complete.
ImportedData importData(const clisupport::Arguments& a, std::ostream& err);

// analyze with an imported table of unequal cell sizes: runs the --mode analysis on its sizes
// and scores.
int importedUnequalAnalyze(const clisupport::Arguments& a, const ImportedData& imported, std::ostream& out,
                           std::ostream& err);

// varisect-cli export DATAFILE ... --write-scores FILE --write-csv FILE.
int exportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace varisect
