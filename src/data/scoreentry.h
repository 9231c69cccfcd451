// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the score column of the data entry grid: what a key press does to a score cell,
// and the checks and the conversion that "Data &OK" runs over the whole column. The grid window
// only passes keys and texts in and carries out what comes back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/datafile.h"
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
// "X" cell stops with the missing-score message; then the first text that a data file could not
// hold (scoreLineFits), that is not a complete number, or whose number is too large for a score
// or too close to 0 to be held as anything but 0, is refused with a message naming its row.
ScoreColumnCheck checkScoreColumn(const std::vector<std::string>& texts,
                                  const std::vector<bool>& imputed);

// The message of the first empty cell.
Message missingScoreMessage();

// ---- Saving, copying and pasting the column ----
// `texts` and `imputed` as for checkScoreColumn: one text per grid row, the red marks.

// A half-entered column is saved as it stands, to be finished later: every row is one line,
// empty cells blank lines. Only a text that no data file line can hold is refused (with its row,
// "Wait", stop symbol): show the message, move to the row and save nothing.
struct ScoreSaveCheck {
    std::optional<Message> problem;
    long row = -1;  // 0-based

    bool ok() const { return !problem.has_value(); }
};
ScoreSaveCheck checkScoresForSaving(const std::vector<std::string>& texts, const std::vector<bool>& imputed);

// The data file layout of the column: one item per row, so the file has as many lines as the
// grid has rows; an empty cell gives a blank line (its red mark dropped), a red cell its text
// with "I" behind it. readGridDataFile reads it back into the same cells.
DataLayout gridDataLayout(const std::vector<std::string>& texts, const std::vector<bool>& imputed);

// "&Copy Scores to Clipboard": each row's text, "I" behind a red one, each line ended by CR LF.
std::string copiedScoresText(const std::vector<std::string>& texts, const std::vector<bool>& imputed);

// "&Paste Scores from Clipboard", once the clipboard text is known not to be empty and the
// cells from the current row on to be empty: the text is split into lines at line feeds,
// carriage returns and blanks are dropped, empty lines at the end ignored; digits, ",", "-" and
// "." are kept, and an "I" at the end of a line right behind other characters marks an imputed
// score ("17I"), as in a data file. `room` is the number of score cells from the current row to
// the last. Refused (title "Error", stop symbol; nothing is pasted): any other character, a line
// longer than a data file can hold, more lines than `room`.
struct PastedScores {
    std::optional<Message> problem;
    std::vector<std::string> texts;  // one per line, for the cells from the current row on
    std::vector<bool> imputed;       // the "I" marks, removed from the texts

    bool ok() const { return !problem.has_value(); }
};
PastedScores parsePastedScores(std::string_view clip, long room);

}  // namespace varisect
