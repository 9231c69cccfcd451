// SPDX-License-Identifier: GPL-3.0-or-later
// The accepted scores as long CSV, for other programs: one row per score, a column per factor
// holding the level's label, then the score.
#pragma once

#include <string>
#include <vector>

#include "data/datafile.h"
#include "engine/design.h"

namespace varisect {

// The label of each level of each factor: `labels[k]` when it has one per level, else the
// design's level labels when it has them, else the level numbers.
std::vector<std::vector<std::string>> exportLevelLabels(const Design& design,
                                                        const std::vector<std::vector<std::string>>& labels = {});

// The header holds the factor names and "Score" (and "Imputed" when a score is imputed, 1 for
// such a score, else 0). For the plain layout the rows follow the design order (factor 1
// cycling fastest); for the unequal-N layouts they go cell by cell (group by group) as the file
// holds them, the designated factor numbering the scores within their cell (group). Lines end in
// CR LF; fields are quoted where they need it.
std::string longCsvText(const Design& design, const DataLayout& data,
                        const std::vector<std::vector<std::string>>& labels = {});

}  // namespace varisect
