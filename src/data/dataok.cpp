// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/dataok.h"

#include "data/scoreentry.h"
#include "session/session.h"

namespace varisect {

DataOkResult acceptGridScores(const ScoreColumn& column, DataOkParts parts, Dialogs& dialogs,
                              const std::function<void(long row)>& goToRow)
{
    AcceptedData& data = parts.data;
    if (data.accepted() && data.transformed()) {
        data.accept(data.scores());
        return {true, std::nullopt};
    }
    const ScoreColumnCheck check = checkScoreColumn(column.texts(), column.marks());
    if (!check.ok()) {
        goToRow(check.row);
        dialogs.message(*check.problem);
        return {};
    }
    if (outlierCheckDue(data.outlierCheck, parts.file.dataFromFile(), parts.file.dataChanged())) {
        const OutlierCheckResult result =
            runOutlierCheck(check.scores, parts.confirmed, data.outlierCheck, [&](const OutlierQuestion& q) {
                goToRow(static_cast<long>(q.index));
                return outlierAnswerOf(dialogs.message(q.message));
            });
        if (!result.unlock) {
            if (result.correctRow)
                goToRow(static_cast<long>(*result.correctRow));
            return {};
        }
    }
    data.accept(check.scores);
    return {true, check.imputedCount};
}

}  // namespace varisect
