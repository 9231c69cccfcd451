// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/scoregridrules.h"

#include "data/gridmessages.h"

#include <algorithm>
#include <limits>

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

KeyOutcome applyTypingKey(const ScoreCell& cell, EntryKey key, bool typing, const ScoreGridOptions& options)
{
    if (typing || key.kind == EntryKey::Kind::Enter)
        return applyGridKey(cell, key, options);
    if (key.kind == EntryKey::Kind::Backspace) {
        KeyOutcome cleared;
        cleared.changed = !cell.text.empty() || cell.imputed;
        return cleared;
    }
    ScoreCell empty = cell;
    empty.text.clear();
    empty.imputed = false;
    KeyOutcome outcome = applyGridKey(empty, key, options);
    if (!outcome.handled || outcome.beep) {
        // Refused (or not a key of the entry): the entry stays as it was.
        outcome.text = cell.text;
        outcome.imputed = cell.imputed;
    }
    return outcome;
}

std::optional<std::string> editedEntryText(const std::u32string& text, const ScoreGridOptions& options)
{
    ScoreCell cell;
    for (char32_t c : text) {
        const KeyOutcome outcome = applyGridKey(cell, EntryKey::typed(c), options);
        if (!outcome.handled || outcome.beep)
            return std::nullopt;
        cell.text = outcome.text;
    }
    return cell.text;
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
    // A spreadsheet's block: its cells one a line, row by row.
    std::string lines = *clip;
    plan.block = lines.find('\t') != std::string::npos;
    if (plan.block)
        std::replace(lines.begin(), lines.end(), '\t', '\n');
    const long room = std::max(0L, column.size() - start);
    PastedScores pasted = parsePastedScores(lines, std::numeric_limits<long>::max());
    if (!pasted.ok()) {
        plan.problem = std::move(pasted.problem);
        return plan;
    }
    plan.texts = std::move(pasted.texts);
    plan.marks = options.counts ? std::vector<bool>(plan.texts.size(), false) : std::move(pasted.imputed);
    const long count = static_cast<long>(plan.texts.size());
    if (count > room) {
        plan.tooMany = pastePastEndQuestion(room, count - room);
        plan.texts.resize(static_cast<std::size_t>(room));
        plan.marks.resize(static_cast<std::size_t>(room));
    }
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
