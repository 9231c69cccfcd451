// SPDX-License-Identifier: GPL-3.0-or-later
// The file commands of a score grid, without its widgets: "Save Data in File (As)", the update
// of the saved file in place, the save-before-leaving question, and reading a plain data file
// into the grid (File > Open and a file chosen from the recent-file list). Every step that can
// fail tells the user and, where the message offers it, tries again on Retry; the file state
// moves only through its named transitions.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/datafile.h"
#include "data/gridmessages.h"
#include "data/scorecolumn.h"
#include "data/scoregridrules.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/settingsstore.h"

namespace varisect {

struct DesignState;
class FileState;
struct RecentFileList;

// The parts of the session the file commands work on.
struct ScoreFileParts {
    const DesignState& design;    // the recent-file entry of a file saved or opened
    FileState& file;
    RecentFileList& recentFiles;  // a saved or opened file goes to its top
};

// The outside world the file commands use: message boxes and file dialogs, the settings store
// that keeps the recent-file list, and the busy pointer while a file is read.
struct ScoreFileOutside {
    Dialogs& dialogs;
    SettingsStore& settings;
    Desktop& desktop;
};

// What the file commands do to the grid on screen; every member may be empty.
struct ScoreFileView {
    std::function<void(long row)> goToRow;                       // the row a refusal names
    std::function<void(const std::string& path)> savingStarted;  // the saving indicator
    std::function<void()> savingFailed;                          // the indicator goes at once
};

// A plain data file read for the grid: its items (at most the grid's rows) and how many it had.
struct GridFile {
    std::string path;
    std::vector<ScoreItem> items;
    long count = 0;
};

class ScoreFiles {
public:
    // `column` and `options` are the grid's own; they are read at each command.
    ScoreFiles(ScoreFileParts parts, ScoreFileOutside outside, const ScoreColumn& column,
               const ScoreGridOptions& options, ScoreFileView view);

    // The header written before the entries (the plain layout unless set): an unequal-N file
    // carries its kind, factors and cell sizes.
    void setHeader(DataLayout header) { header_ = std::move(header); }
    // What a save writes: the header and one item per entry.
    DataLayout layout() const { return entriesLayout(column_, header_); }

    // The user changed the entries: the file state says so.
    void changed();
    // An undo or redo brought the entries back to what the data file holds: the file state says
    // they are saved and unchanged again.
    void backToSaved();

    // Whether the entries may be saved (checkSavable); when not, the user is told and the grid
    // goes to the row.
    bool savable();
    // Writes `layout` to `path` safely; a failure is told, Retry writes again, Cancel gives up.
    bool writeWithRetry(const std::string& path, const DataLayout& layout);
    // The current design to the top of the recent-file list for `path`, and the list stored.
    void putOnTopOfRecentList(const std::string& path);

    // "Save Data in File (As)": the check, the save dialog, the file written. True when it was.
    bool saveAs();
    // The file the data came from or were last saved in is written again; without one, saveAs.
    bool updateInPlace();
    // Asks to save data that would be lost (typed and never saved, or changed since the file was
    // opened or saved). False: the user stays (cancelled, or the save did not happen). Asked once
    // per way out.
    bool confirmLeave(LeaveMode mode);

    // File > Open for a plain data file: the open dialog, the naming conflict, the count check.
    // The file to show, or nothing (cancelled, or the user was told why not).
    std::optional<GridFile> choosePlainFile();
    // The file chosen from the recent-file list (the open file name): refused unless it holds
    // exactly as many items as the grid has rows.
    std::optional<GridFile> readRecentPlainFile();
    // A file chosen with the open dialog that another design used: the user may save it under a
    // new name for this design (Yes: `contents` gives what is written; the new path is
    // returned), attach this design to it (No: the same path), or stop (Cancel: nothing).
    std::optional<std::string> settleNamingConflict(const std::string& path,
                                                    const std::function<std::optional<DataLayout>()>& contents);
    // The grid now shows the scores of `path`: the file state says so, and a file chosen here
    // (not from the recent-file list) goes to the top of the list.
    void opened(const std::string& path, bool chosenHere);

private:
    DialogAnswer tell(const Message& message);
    void goToRow(long row);
    // The save dialog starting at `initialPath`, then `layout` written there.
    std::optional<std::string> saveLayoutAs(const DataLayout& layout, const std::string& initialPath);
    // Reads `path` for the grid, every line a cell; tells the user about a file that cannot be
    // read, and reads again on Retry.
    std::optional<GridDataResult> readGridFile(const std::string& path);

    ScoreFileParts parts_;
    ScoreFileOutside outside_;
    const ScoreColumn& column_;
    const ScoreGridOptions& options_;
    ScoreFileView view_;
    DataLayout header_;
};

}  // namespace varisect
