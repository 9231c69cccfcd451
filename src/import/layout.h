// SPDX-License-Identifier: GPL-3.0-or-later
// From an imported table to a design and its scores.
//
// Long data hold one score per row, with a column for each factor and, optionally, a subject
// (case) column. Wide data hold one row per subject: the between-subject factors as columns and
// one column per within-subject cell, whose headers ("Drug1_Time2") or a given order tell the
// factors and levels of the cell.
//
// The proposal names the factors after their columns and takes the levels from the data (the
// value labels or the distinct values in order of first appearance, numbers sorted), applies the
// design's rules as proposed renames (never a silent cut), designates the subjects (repeated
// measures, when some factor varies within subjects) or the replicates (independent groups), and
// gives the scores in the program's design order when every cell holds one score, or the cell
// sizes and scores of an "Unequal N" data file when the numbers per cell differ. Missing scores,
// duplicated cells and empty cells are listed with their rows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data/datafile.h"
#include "engine/design.h"
#include "import/importtable.h"

namespace varisect {

enum class DataShape { Long, Wide };

struct LongMapping {
    int scoreColumn = -1;            // 0-based
    std::vector<int> factorColumns;  // the factors, in the order they take in the design
    int subjectColumn = -1;          // -1: no subject (case) column
    // Factor columns (among factorColumns) the subjects are nested in whose groups each number
    // their subjects from the start: a subject is its identifier within its group, so subject 1
    // of group A and subject 1 of group B are two people. Empty: the identifiers are unique.
    std::vector<int> subjectGroupColumns = {};
};

// The within-subject factors of the cell columns: their names, and for each cell column the
// level (as a text) of every within factor.
struct WithinSplit {
    std::vector<std::string> factorNames;
    std::vector<std::vector<std::string>> cellLevels;  // [cell column][within factor]
};

struct WideMapping {
    std::vector<int> betweenColumns;  // between-subject factors
    int subjectColumn = -1;           // -1: each row is a subject of its own
    std::vector<int> cellColumns;     // one per within-subject cell
    WithinSplit within;               // cellLevels has one entry per cell column
};

// Splits cell headers such as "Drug1_Time2", "D1T2", "Time_3" or "A1.B2" into factor names and
// levels: every header must give the same factor names in the same order, each followed by its
// level. Headers without that pattern ("pre", "post") become the levels of one factor named
// `fallbackName`. Nothing for fewer than 2 headers or headers that repeat.
std::optional<WithinSplit> splitCellHeaders(const std::vector<std::string>& headers,
                                            const std::string& fallbackName = "Condition");

// The cell columns taken in order with the first factor cycling fastest: factors (name, levels)
// whose levels multiply to `cellCount`. Nothing when they do not.
std::optional<WithinSplit> withinByOrder(const std::vector<std::pair<std::string, int>>& factors, int cellCount);

// What the import window shows first: the layout the table seems to have, and its mapping.
struct LayoutGuess {
    DataShape shape = DataShape::Long;
    LongMapping longMapping;
    WideMapping wideMapping;
};
LayoutGuess guessLayout(const ImportTable& table);

struct ImportIssue {
    enum class Kind {
        MissingScore,        // the score cell is empty (or user- or system-missing)
        MissingFactorValue,  // a factor or subject cell is empty
        DuplicateCell,       // two scores for one subject and cell (repeated) or one case (independent)
        EmptyCell,           // a cell of the design, or a subject's cell, has no score
    };
    Kind kind = Kind::MissingScore;
    std::vector<long> rows;  // the file's row (case) numbers concerned
    std::string text;        // a complete sentence naming the rows
};

struct ProposedFactor {
    std::string sourceName;              // the column (or header part) the factor comes from
    std::string name;                    // the proposed name
    std::vector<std::string> fullLabels; // one per level: the value label, or the value as written
    int column = -1;                     // 0-based source column; -1 for within and added factors
};

struct ProposalOptions {
    bool dropIncompleteRows = false;  // independent groups: leave out rows with a missing value
};

struct ImportProposal {
    Design design;                       // factors, levels, labels, type, designation, nesting
    std::vector<ProposedFactor> factors; // parallel to design.factors
    std::vector<std::string> notes;      // every proposed rename and shortening, as sentences
    std::vector<ImportIssue> issues;
    std::vector<long> droppedRows;       // rows left out on request
    bool mayDropIncomplete = false;      // independent groups with incomplete rows kept: they may be left out
    std::optional<std::string> refusal;  // why the data cannot become a design as they stand
    // The scores: a plain layout in design order (one score per cell), or an unequal-N layout
    // (CellSizes for independent groups, GroupSizes for one grouping factor crossed with one
    // within factor). Empty while there are issues to settle or a refusal.
    std::optional<DataLayout> data;

    bool ready() const { return data.has_value() && !refusal; }
    bool unequal() const { return data && data->unequalN(); }
};

ImportProposal proposeFromLong(const ImportTable& table, const LongMapping& mapping,
                               const ProposalOptions& options = {});
ImportProposal proposeFromWide(const ImportTable& table, const WideMapping& mapping,
                               const ProposalOptions& options = {});

// The design's rules applied to proposed names: a comma removed, a name that does not begin
// with a letter given one, the first letter upper-cased, a first letter already taken replaced
// by a free one (the name kept behind it). Each change that is more than the upper case is
// described in `notes`.
std::vector<std::string> proposeFactorNames(const std::vector<std::string>& wanted, std::vector<std::string>& notes);
// Level labels of at most two characters, distinct and without commas: the labels as they are
// when they qualify, else their first two characters when those are distinct, else the level
// numbers. A change is described in `notes`, naming the factor.
std::vector<std::string> proposeLevelLabels(const std::vector<std::string>& fullLabels, const std::string& factorName,
                                            std::vector<std::string>& notes);

}  // namespace varisect
