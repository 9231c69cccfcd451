// SPDX-License-Identifier: GPL-3.0-or-later
// The messages of saving and loading data files, and the check that a file about to be opened
// is not remembered in the recent-file list with a different design.
#pragma once

#include <string>

#include "data/datafile.h"
#include "data/datafilewriter.h"
#include "engine/prompts.h"
#include "platform/dialogs.h"
#include "session/recentfiles.h"

namespace varisect {

// A failed save (Retry/Cancel, stop symbol). Retry writes the file again from its first line.
// `result` must not be ok().
Message saveFailureMessage(const WriteResult& result);

// The file was saved but the recent-file list could not be stored (OK).
Message recentListSaveFailureMessage();

// The file dialogs of "Save File (As)" (asking before replacing a file) and "Open File",
// starting at `initialPath`.
FileDialogOptions saveDataFileOptions(const std::string& initialPath);
FileDialogOptions openDataFileOptions(const std::string& initialPath);

// A problem reading a data file chosen from the recent-file list or being loaded into a grid:
// "File Not Found!" or "Disk Not Ready!" (Retry/Cancel) when the file cannot be opened,
// "File Corrupted!" (OK) when it ends before its header is complete, and for a file whose
// contents cannot be read the same title with the reader's own description of the problem.
Message dataFileProblemMessage(const DataReadError& error);

// The item count of `path` differs from the number of scores the design calls for
// (Abort/Retry/Ignore). Retry asks dangerMessage() next.
Message wrongFileSelectedMessage(const std::string& path, long count, long expected);
Message dangerMessage();

// A recent file whose item count does not fit the design restored for it (OK). With
// `mentionGroupSizes` a paragraph points to the unequal group sizes analysis.
Message scoreCountMismatchMessage(bool mentionGroupSizes);

// A recent file of the wrong layout for the selected analysis: `fileIsUnequalN` tells which.
Message incorrectFileMessage(bool fileIsUnequalN);

// A file opened for an unequal-cell-size analysis that lacks the "Unequal N" header.
Message notSavedForAnalysisMessage(UnequalAnalysis analysis);

// Yes: save under another name; No: attach the current design to the file; Cancel.
Message namingConflictMessage();

// True when the list holds an entry for `current.path` whose problem label, number of factors,
// level-labels flag, factor names or level counts, or (with level labels in use) level labels
// differ from `current`. An entry that agrees in everything is no conflict.
bool namingConflict(const RecentFileList& list, const RecentFileRecord& current);

}  // namespace varisect
