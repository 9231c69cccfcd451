// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the score column of the data entry grid: what a key press does to a score cell,
// and the checks and the conversion that "Data &OK" runs over the whole column. The grid window
// only passes keys and texts in and carries out what comes back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/design.h"
#include "engine/prompts.h"

namespace varisect {

// ---- Typing into a score cell ----

// The text of a cell that marks a score as missing. Typed with X or x, it stands alone in its
// cell; "Data &OK" treats it like an empty cell.
inline constexpr std::string_view kMissingScoreMark = "X";

struct EntryKey {
    enum class Kind { Character, Backspace, Enter };
    Kind kind = Kind::Character;
    char32_t character = 0;  // the typed character (Unicode code point) when kind is Character

    static EntryKey typed(char32_t c) { return {Kind::Character, c}; }
    static EntryKey backspace() { return {Kind::Backspace, 0}; }
    static EntryKey enter() { return {Kind::Enter, 0}; }
};

struct ScoreCell {
    std::string text;
    bool imputed = false;  // shown in red
    bool lastRow = false;  // the cell holds the last score of the grid
};

struct KeyOutcome {
    std::string text;          // the cell's text after the key
    bool imputed = false;      // the cell's mark after the key
    bool handled = true;       // false: not a key of the score cell (a control character);
                               // the window treats it as it would without these rules
    bool beep = false;         // the key was refused; text and mark are unchanged
    bool changed = false;      // the text changed: set data changed, lock the leading-on buttons
    bool moveDown = false;     // go to the next row and keep it visible
    bool widenIfNeeded = false;  // the text grew: widen the column when it no longer fits
};

// What `key` does to the current score cell.
KeyOutcome applyEntryKey(const ScoreCell& cell, EntryKey key);

// ---- "Data &OK" ----

struct ScoreColumnCheck {
    // Set when the column is refused: show it (it carries its stop symbol), move the grid's
    // current row to `row` and scroll it into view; nothing else happens.
    std::optional<Message> problem;
    long row = -1;  // 0-based row of the refused cell

    // Filled only when the column is accepted.
    std::vector<std::string> scoreTexts;  // cell texts; an imputed one with the suffix "I"
    Scores scores;                        // the values, score k from row k (factorial order)
    long imputedCount = 0;                // imputed (red) cells

    bool ok() const { return !problem.has_value(); }
};

// Checks and converts the score column. `texts[r]` is the text of row r, `imputed[r]` its mark
// (marks beyond the texts are ignored, missing marks count as not imputed). The first empty or
// "X" cell stops with the missing-score message; then the first text that is not a complete
// number, or a number too large for a score, is refused with a message naming its row.
ScoreColumnCheck checkScoreColumn(const std::vector<std::string>& texts,
                                  const std::vector<bool>& imputed);

// The message of the first empty cell.
Message missingScoreMessage();

}  // namespace varisect
