// SPDX-License-Identifier: GPL-3.0-or-later
// "Data &OK" on the scores of a grid, the same in the data entry grid and the Unequal Cell Sizes
// window: the entries checked and converted (checkScoreColumn), typed scores (or scores changed
// since their file was read) put to the outlier check when it is on, then accepted.
#pragma once

#include <functional>
#include <optional>

#include "data/outliers.h"
#include "data/scorecolumn.h"
#include "platform/dialogs.h"

namespace varisect {

class AcceptedData;
class FileState;

// The parts of the session "Data &OK" works on.
struct DataOkParts {
    AcceptedData& data;            // what is accepted, and the run's outlier check setting
    const FileState& file;         // whether the scores were typed or changed since their file
    ConfirmedOutliers& confirmed;  // outliers the user has said are correct
};

struct DataOkResult {
    bool accepted = false;
    // The entries were read and accepted: how many of them are imputed. Nothing when transformed
    // scores were kept as they are, or nothing was accepted.
    std::optional<long> imputedCount;
};

// "Data &OK" on `column`. Transformed scores not edited since are accepted as they are (the grid
// shows them rounded, so they are not read back). A refused entry is told after `goToRow` has
// moved the grid to it; the outlier questions are asked with the grid on their score, and after
// "No" the cursor is left on the score to correct.
DataOkResult acceptGridScores(const ScoreColumn& column, DataOkParts parts, Dialogs& dialogs,
                              const std::function<void(long row)>& goToRow);

}  // namespace varisect
