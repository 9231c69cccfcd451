// SPDX-License-Identifier: GPL-3.0-or-later
// What the unequal-cell-size analyses share: the substantive design (the design without its
// replicates or subjects factor), the place of a score among the cells, the check that
// "Cell Sizes &OK" / "Group Sizes &OK" runs, the proportionality test, the roles of the factors
// of an unequal-group-sizes design, and the messages of the "Unequal Cell Sizes" window.
//
// Cells are numbered from 1 in the factorial order of the substantive factors, the
// lowest-numbered fastest: the order of the cell-size grid and of the substantive design's
// scores. Sizes are whole numbers.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/prompts.h"

namespace varisect {

// The four unequal-cell-size analyses: the test for random attrition, unweighted means,
// proportional cell sizes and unequal group sizes.
enum class UnequalAnalysisMode { Attrition, UnweightedMeans, Proportional, GroupSizes };

// ---- The substantive design ----

// A copy of `full` without its designated factor: independent groups, no designated factor, no
// imputed scores, the nest relations that involve the removed factor dropped (nested while any
// remain). Table labels are taken from the names first. The caller's design is not changed.
Design substantiveDesign(const Design& full);

// C: the number of cells, the product of the levels of the substantive factors.
long cellCount(const Design& full);

// The cell (1-based, cell-size grid order) and the replicate position (1-based, the level of the
// designated factor) of the score at the full design's 1-based flat position.
struct CellPlace {
    long cell = 0;
    int replicate = 0;
};
CellPlace cellPlace(const Design& full, long position);

// The 1-based first size below 1 (a cell or group without scores), 0 when there is none.
int firstEmptySize(const std::vector<long>& sizes);

// The sum of the sizes, checked against the number of scores given: std::invalid_argument when
// they differ (or a size is beyond any design).
long checkedScoreTotal(const std::vector<long>& sizes, long multiplier, size_t scoreCount);

// ---- "Cell Sizes &OK" / "Group Sizes &OK" ----

struct CellSizeCheck {
    std::vector<long> sizes;      // the accepted sizes (group sizes); empty when refused
    long scoreCount = 0;          // N, the number of scores the data stage expects
    long largestSize = 0;         // the largest accepted size
    int failedEntry = 0;          // 1-based entry to select when refused
    std::optional<Message> message;

    bool ok() const { return !message.has_value(); }
};

// The numeric check of the sizes of `mode`, stopping at the first problem:
//  - a size below 1 (below 0 in the Attrition mode, where a cell may have lost every score)
//    gives the code-1 message: it would leave an empty cell to divide by;
//  - Proportional: the proportionality test, code 3;
//  - Attrition and UnweightedMeans: a size above the planned scores per cell (the levels of the
//    designated factor), code 2;
//  - more than kMaxScores scores in all: "Program Limitation!".
// Sizes are rounded to whole numbers after the code-2 comparison. In GroupSizes there is
// one size per level of the grouping factor and N = their sum times the levels of the crossed
// factor; otherwise one per cell and N = their sum. std::invalid_argument when the number of
// sizes does not fit the design or the design does not fit the mode.
CellSizeCheck checkCellSizes(const std::vector<double>& sizes, const Design& design, UnequalAnalysisMode mode);

// The same for the texts of the cell-size grid: an empty (or blank) entry gives the code-1
// message before any other check; every other entry counts with its numeric value (the
// ordinary decimal reader: its leading numeric part).
CellSizeCheck checkCellSizeEntries(const std::vector<std::string>& entries, const Design& design,
                                   UnequalAnalysisMode mode);

// The proportionality test of a rows-by-columns table of sizes in cell order (row factor
// fastest): the ratio n(i, 1) / n(i, j) of every row i must be within 0.001 of the first row's,
// for every column j = 2..columns. The 1-based cell of the first violation, or nothing.
std::optional<long> proportionalityViolation(const std::vector<long>& sizes, int rows, int columns);

// ---- Unequal group sizes ----

// The factors of an unequal-group-sizes design, 1-based: the subjects factor (designated), the
// grouping factor the subjects are nested under, and the factor crossed with subjects.
struct GroupRoles {
    int subjects = 0;
    int grouping = 0;
    int crossed = 0;
};

// The roles in a design of three factors whose designated factor is nested under one of the
// other two and no other nest relation is declared; nothing otherwise.
std::optional<GroupRoles> groupRoles(const Design& design);

// ---- The window's messages ----

// Code 1, "Data Entry Error!": an empty (or, here, zero) size or score entry.
Message missingEntryMessage();
// Code 2, "Too many scores specified!": a cell above the planned number `planned`.
Message tooManyScoresMessage(int planned, const std::string& designatedName);
// Code 3, "Proportionality Violation!".
Message proportionalityMessage();
// Opening the window for a design without a designated factor (no title).
Message noDesignatedFactorMessage();
// Entering the unweighted-means data stage after a significant attrition test (Yes/No).
Message possiblyInvalidProcedureQuestion();
// The input box of "&Planned Scores Per Cell...": title and prompt; the default answer is the
// current number.
Message plannedScoresPerCellPrompt(int designatedLevels);

}  // namespace varisect
