// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/acceptedhistory.h"

namespace varisect {

void AcceptedHistory::remember(const ScoreColumn& column, const AcceptedData& data)
{
    kept_[column.currentStep()] = Kept{column.texts(), column.marks(), data};
    while (kept_.size() > kKept)
        kept_.erase(kept_.begin());  // step numbers grow: the first is the oldest
}

const AcceptedData* AcceptedHistory::find(const ScoreColumn& column) const
{
    const auto it = kept_.find(column.currentStep());
    if (it == kept_.end() || it->second.texts != column.texts() || it->second.marks != column.marks())
        return nullptr;
    return &it->second.data;
}

}  // namespace varisect
