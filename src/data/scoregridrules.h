// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of a score grid's commands, without its widgets: what a key does to the current
// entry, what a paste puts where, and whether the entries may go into a data file. What the two
// grids of the program do differently is said by ScoreGridOptions, not by copies of the rules.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data/datafile.h"
#include "data/scorecolumn.h"
#include "data/scoreentry.h"
#include "engine/prompts.h"

namespace varisect {

struct ScoreGridOptions {
    // The entries are counts (cell or group sizes): a typed "X" is refused with a beep, a pasted
    // imputed mark is dropped and marking as imputed does nothing.
    bool counts = false;
    // Set: a data file of this grid holds every score (an unequal-N file, whose header says how
    // many follow), so a gap is refused with this message before anything is written. Unset: a
    // half-entered grid is saved as it stands, its empty cells as blank lines.
    std::optional<Message> gapInFile;
};

// What `key` does to the current entry, under the rules of scoreentry.h and the options.
KeyOutcome applyGridKey(const ScoreCell& cell, EntryKey key, const ScoreGridOptions& options);

// What `key` does to the current entry when `typing` tells whether a score is being typed into
// it. A cell just reached (by a click, an arrow key, Enter or Tab) is typed over: its first
// character replaces the entry and Backspace clears it; while typing, characters append and
// Backspace takes the last one off (applyGridKey).
KeyOutcome applyTypingKey(const ScoreCell& cell, EntryKey key, bool typing, const ScoreGridOptions& options);

// A text edited in place, under the checks of typing it key by key into an empty entry (what a
// number may hold, the length a data file line can take, no "X" in a count): the entry it makes,
// or nothing when a character would be refused.
std::optional<std::string> editedEntryText(const std::u32string& text, const ScoreGridOptions& options);

// "&Paste Scores from Clipboard" at `start`, the clipboard holding `clip` (nothing: no text).
// One score a line fills downward; a block copied from a spreadsheet (rows of tab-separated
// cells) is read row by row, each row left to right, an empty cell an empty entry.
// Refused, in this order: an empty clipboard or one of blanks only (clipboardEmptyMessage), a
// cell from `start` on that holds data (pasteOntoDataMessage), then what parsePastedScores
// refuses. Accepted: the texts and marks for the rows from `start` on. More scores than cells
// from `start` on: `tooMany` asks first (Yes: the texts that fit are pasted, the rest left out).
struct PastePlan {
    std::optional<Message> problem;
    std::optional<Message> tooMany;
    std::vector<std::string> texts;
    std::vector<bool> marks;
    bool block = false;  // read from a block of tab-separated rows

    bool ok() const { return !problem.has_value(); }
};
PastePlan planPaste(const std::optional<std::string>& clip, const ScoreColumn& column, long start,
                    const ScoreGridOptions& options);

// Whether the entries may be written to a data file: with `gapInFile` the first empty or "X"
// entry is refused with that message; then a text no data file line can hold
// (checkScoresForSaving). `row` is where the problem lies; the grid goes there.
ScoreSaveCheck checkSavable(const ScoreColumn& column, const ScoreGridOptions& options);

// The file layout of the entries: `header` (kind, factors and cell sizes of an unequal-N file;
// the plain layout by default) with one item per entry, as gridDataLayout makes them.
DataLayout entriesLayout(const ScoreColumn& column, const DataLayout& header = {});

}  // namespace varisect
