// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/scoregridrules.h"

#include "data/gridmessages.h"

namespace varisect {

namespace {

bool blank(const std::string& text)
{
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

}  // namespace

KeyOutcome applyGridKey(const ScoreCell& cell, EntryKey key, const ScoreGridOptions& options)
{
    KeyOutcome outcome = applyEntryKey(cell, key);
    // A count is a plain number: no missing-score mark.
    if (options.counts && outcome.handled && !outcome.beep && outcome.text == kMissingScoreMark) {
        outcome.text = cell.text;
        outcome.imputed = cell.imputed;
        outcome.beep = true;
        outcome.changed = outcome.moveDown = outcome.widenIfNeeded = false;
    }
    return outcome;
}

PastePlan planPaste(const std::optional<std::string>& clip, const ScoreColumn& column, long start,
                    const ScoreGridOptions& options)
{
    PastePlan plan;
    if (!clip || blank(*clip)) {
        plan.problem = clipboardEmptyMessage();
        return plan;
    }
    if (column.firstFilledFrom(start) >= 0) {
        plan.problem = pasteOntoDataMessage();
        return plan;
    }
    PastedScores pasted = parsePastedScores(*clip, column.size() - start);
    if (!pasted.ok()) {
        plan.problem = std::move(pasted.problem);
        return plan;
    }
    plan.texts = std::move(pasted.texts);
    plan.marks = options.counts ? std::vector<bool>(plan.texts.size(), false) : std::move(pasted.imputed);
    return plan;
}

ScoreSaveCheck checkSavable(const ScoreColumn& column, const ScoreGridOptions& options)
{
    if (options.gapInFile) {
        for (long r = 0; r < column.size(); ++r) {
            if (blank(column.text(r)) || column.text(r) == kMissingScoreMark) {
                ScoreSaveCheck gap;
                gap.problem = *options.gapInFile;
                gap.row = r;
                return gap;
            }
        }
    }
    return checkScoresForSaving(column.texts(), column.marks());
}

DataLayout entriesLayout(const ScoreColumn& column, const DataLayout& header)
{
    DataLayout layout = header;
    layout.items = gridDataLayout(column.texts(), column.marks()).items;
    return layout;
}

}  // namespace varisect
