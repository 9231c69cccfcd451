// SPDX-License-Identifier: GPL-3.0-or-later
// What a score grid holds, without its widgets: the entry column (one text and one imputed mark
// per row) and the labels that say which cell each row stands for. Both grids of the program
// are made of these: the data entry grid (a name and a level column per factor, rows in
// factorial order) and the cell-size grid (a level column per factor, rows given cell by cell).
#pragma once

#include <string>
#include <vector>

#include "engine/design.h"

namespace varisect {

// The rows an edit touched, both included; empty when nothing changed.
struct RowRange {
    long first = 0;
    long last = -1;

    bool empty() const { return last < first; }
};

// The entry column. Every change of its texts or marks goes through one private step
// (replace), which also keeps the history of the edits: each edit is one step that undo()
// takes back and redo() puts back again. A new edit after an undo drops what could be redone.
class ScoreColumn {
public:
    // The oldest steps are forgotten beyond this many.
    static constexpr std::size_t kHistorySteps = 200;

    explicit ScoreColumn(long rows = 0) { reset(rows); }

    // A new grid of `rows` empty entries (not an edit: no history, not saved).
    void reset(long rows);

    long size() const { return static_cast<long>(texts_.size()); }
    const std::string& text(long row) const { return texts_.at(static_cast<std::size_t>(row)); }
    bool imputed(long row) const { return marks_.at(static_cast<std::size_t>(row)); }
    const std::vector<std::string>& texts() const { return texts_; }
    const std::vector<bool>& marks() const { return marks_; }
    bool anyScore() const { return firstFilledFrom(0) >= 0; }
    // The first row at or after `row` that holds a text, or -1.
    long firstFilledFrom(long row) const;

    // The edits. Rows outside the column are left alone.
    // `sameStep`: the text typed on from the last edit of the same row (one score typed key by
    // key is one step).
    RowRange setScore(long row, const std::string& text, bool imputed, bool sameStep = false);
    // Every entry: missing texts become empty, extra ones are dropped; missing marks are false.
    RowRange setScores(const std::vector<std::string>& texts, const std::vector<bool>& marks);
    RowRange clearAll();
    // The entry at `row` and those below move down one row; `row` becomes empty and the last
    // entry falls off.
    RowRange insertAt(long row);
    // The entries below `row` move up one row; the last becomes empty.
    RowRange removeAt(long row);
    // `texts` (with `marks`) into the rows from `row` on, as far as the column reaches.
    RowRange fillFrom(long row, const std::vector<std::string>& texts, const std::vector<bool>& marks);
    // Switches the mark of each row: all marked when any of them was not, else none.
    RowRange toggleImputed(const std::vector<long>& rows);
    // Empties each of `rows` (text and mark).
    RowRange clearRows(const std::vector<long>& rows);

    // The history. undo() and redo() return the rows they changed (empty: nothing to do).
    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < history_.size(); }
    // Which step the entries stand at; a step merged into keeps its number. Every start of a
    // history (a new grid, entries shown, the oldest steps forgotten) has a number of its own, so
    // a number always stands for the same entries until a typed score is merged into its step.
    unsigned long currentStep() const { return done_ > 0 ? history_[done_ - 1].id : baseId_; }
    RowRange undo();
    RowRange redo();
    // The entries as they stand are those of the data file (just saved or opened); undoing or
    // redoing back to here makes them so again. atSaved(): they are.
    void markSaved() { saved_ = static_cast<long>(done_); }
    bool atSaved() const { return saved_ == static_cast<long>(done_); }
    // The entries as they stand start a new history (shown, not typed: a transform, a file).
    void forgetHistory();

private:
    struct Step {
        unsigned long id = 0;
        long first = 0;
        std::vector<std::string> before, after;
        std::vector<bool> marksBefore, marksAfter;
    };

    // The one step of every edit: rows `first` on take `texts` and `marks` (same length).
    // Recorded in the history, or merged into its last step with `sameStep`.
    RowRange replace(long first, std::vector<std::string> texts, std::vector<bool> marks, bool sameStep = false);
    RowRange write(long first, const std::vector<std::string>& texts, const std::vector<bool>& marks);

    std::vector<std::string> texts_;
    std::vector<bool> marks_;
    std::vector<Step> history_;
    std::size_t done_ = 0;  // steps of history_ in effect
    long saved_ = -1;       // the value of done_ that matches the data file; -1: none
    unsigned long lastId_ = 0;
    unsigned long baseId_ = 0;  // the number of the entries before the first step of history_
};

// The label columns of a grid: their headings, the text each row shows in them, and the
// heading of the entry column.
class GridRows {
public:
    enum class Kind {
        Factorial,  // a name and a level column per factor ("Factor 1", "Level"), rows in factorial order
        Listed,     // a level column per factor headed with its name, rows as given
    };

    GridRows() = default;
    // One row per score of `design` in factorial order (factor 1 cycling fastest), at most
    // kMaxScores. `useLevelLabels`: a factor's level labels instead of level numbers (a factor
    // without enough labels keeps the numbers).
    static GridRows factorial(const Design& design, bool useLevelLabels);
    // Rows given level by level: `columns` names the level columns, `rowLevels` holds one list
    // of levels per row (1-based).
    static GridRows listed(std::vector<std::string> columns, std::vector<std::vector<int>> rowLevels,
                           std::string entryHeading);
    // The cells of `cells` in factorial order, cell c repeated `rowsPerCell[c]` times.
    static GridRows cells(const Design& cells, const std::vector<long>& rowsPerCell, std::string entryHeading);

    Kind kind() const { return kind_; }
    long rowCount() const { return rows_; }
    int labelColumns() const { return static_cast<int>(kind_ == Kind::Factorial ? 2 * names_.size() : names_.size()); }
    int entryColumn() const { return labelColumns(); }
    std::string heading(int column) const;  // the entry column's too
    std::string text(long row, int column) const;
    // Every text a label column can show (for its width).
    std::vector<std::string> columnTexts(int column) const;

    // The printed data, one line per row: the label columns in line, then the entry as typed.
    // Before them the problem label (when there is one) and `heading`.
    std::vector<std::string> printLines(const ScoreColumn& column, const std::string& problemLabel,
                                        const std::string& heading) const;
    // The same as a table: the headings, then one row per entry ("I" behind an imputed one).
    std::vector<std::vector<std::string>> printTable(const ScoreColumn& column) const;

private:
    std::string levelText(long row, std::size_t factor) const;

    Kind kind_ = Kind::Factorial;
    long rows_ = 0;
    std::vector<std::string> names_;
    // Factorial rows.
    std::vector<int> levels_;
    std::vector<long> strides_;
    std::vector<std::vector<std::string>> levelLabels_;  // empty per factor: numbers
    // Listed rows.
    std::vector<std::vector<int>> rowLevels_;
    std::string entryHeading_ = "Score";
};

}  // namespace varisect
