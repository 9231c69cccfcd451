// SPDX-License-Identifier: GPL-3.0-or-later
// The score grid both data grids are made of: the table of entries with its model, typing by
// the rules of scoreentry.h, the editing commands (widen, clear, insert, remove, mark as
// imputed), copy and paste, and the file commands (save as, update in place, open, the
// save-before-leaving question) with the saving indicator. What the grids do differently is
// said by ScoreGridOptions. The window around it owns the buttons and menus and hears of every
// edit the user makes through edited().
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QKeySequence>
#include <QList>
#include <QWidget>

#include "data/scorefiles.h"
#include "data/scoregridrules.h"
#include "output/document.h"

class QKeyEvent;
class QLabel;
class QTableView;
class QTimer;

namespace varisect {

class ScoreModel;
class WindowShell;

// The keys of the grids' Redo items: the platform's, and Ctrl+Y where it is not one of them.
QList<QKeySequence> redoKeys();

class ScoreGrid : public QWidget {
    Q_OBJECT

public:
    // `shell` is the window's: the grid tells through its dialogs and copies through it.
    ScoreGrid(ScoreFileParts parts, WindowShell& shell, GridRows rows, ScoreGridOptions options = {},
              QWidget* parent = nullptr);
    ~ScoreGrid() override;

    ScoreModel& model() const { return *model_; }
    const ScoreColumn& column() const;
    QTableView* view() const { return view_; }
    ScoreFiles& files() { return files_; }
    const ScoreGridOptions& options() const { return options_; }
    void setOptions(ScoreGridOptions options) { options_ = std::move(options); }
    // New rows (a new stage of the window), showing `texts` and `marks`; not an edit.
    void reset(GridRows rows, const std::vector<std::string>& texts = {}, const std::vector<bool>& marks = {});

    // The row of the current cell (0 when there is none), going to a row's entry and keeping it
    // in view, and how many rows fit in view.
    int currentRow() const;
    void goToRow(int row);
    int visibleRows() const;
    // The width the columns ask for, frame and scroll bar included.
    int preferredWidth() const;

    // The editing commands as the menus run them. Each edit sets data changed and emits edited().
    void widenEntryColumn();
    void clearAll();
    void insertSingleEntry();
    void removeSingleEntry();
    void toggleImputedMark();
    // Every entry ("Copy Scores to Clipboard"), and the selected ones (Ctrl+C in the grid); one
    // a line, an imputed one with its "I".
    void copyEntries();
    void copySelectedEntries();
    void pasteEntries();
    // Delete: the selected entries (the current one without a selection) emptied, as one step.
    void clearSelectedEntries();
    // The edit history: each typed score, paste, clear, insert, remove, mark and "Clear All" is
    // one step. Nothing to undo or redo: a beep.
    void undo();
    void redo();
    // An entry edited in place (F2, double click): checked as if typed; refused with a beep.
    bool commitEditedEntry(int row, const QString& text);

    // Entries not typed by the user (a stage's entries kept): shown, the column widened to the
    // longest; not an edit, and the start of a new history.
    void showEntries(const std::vector<std::string>& texts, const std::vector<bool>& marks);
    // Entries made from the accepted scores (a transform, a screen, "Revert to OK'd Data"):
    // shown as one step of the history that undo takes back, the column widened to the longest.
    // Not a user's edit: edited() is not emitted.
    void applyEntries(const std::vector<std::string>& texts, const std::vector<bool>& marks);
    // The items of a file shown: the cursor on the last one read, the file's end in view.
    void showFile(const GridFile& file);

    // The file commands (see ScoreFiles). The open commands show what they read and return
    // whether they did.
    bool saveDataFile() { return saved(files_.saveAs()); }
    // `text` on the status line of the window, when it has one.
    void showStatus(const std::string& text);
    bool updateDataFile() { return saved(files_.updateInPlace()); }
    bool confirmLeave(LeaveMode mode) { return files_.confirmLeave(mode); }
    bool openPlainDataFile();
    bool loadRecentPlainDataFile();

    // What "&Print Data" prints: `heading` and the rows, after the problem label when there is
    // one. The data entry grid prints aligned lines, a listed grid a table.
    OutputDocument printedDocument(const std::string& problemLabel, const std::string& heading) const;

signals:
    // The user changed the entries (typed, pasted, inserted, removed, cleared or marked).
    void edited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool entryKey(QKeyEvent* event);
    bool saved(bool done);
    // The rows of the selected entries in order; the current row without any.
    std::vector<int> selectedEntryRows() const;
    // Escape while typing: the entry as it was before.
    bool abandonTyping();
    void afterHistoryStep(RowRange changed);
    // The row of the single selected entry, or -1.
    int singleSelectedEntry() const;
    // `edit` on the single selected entry; without one, `refusal` is shown.
    void editSelectedEntry(const Message& refusal, void (ScoreModel::*edit)(int));
    void userEdit();
    void widenToFit(const std::string& text);
    void fitColumns();
    void showSavingIndicator(const std::string& path);
    void hideSavingIndicator();

    WindowShell& shell_;
    const FileState& fileState_;  // names the file a save wrote
    ScoreGridOptions options_;
    ScoreModel* model_ = nullptr;
    ScoreFiles files_;
    QTableView* view_ = nullptr;
    QLabel* savingPicture_ = nullptr;
    QLabel* savingLabel_ = nullptr;
    QTimer* savingTimer_ = nullptr;
    // A score is being typed into the current entry (it was not just reached), and the step of
    // the history the entries stood at when the typing began.
    bool typing_ = false;
    unsigned long typingFrom_ = 0;
};

}  // namespace varisect
