// SPDX-License-Identifier: GPL-3.0-or-later
// The messages of the score grids' editing commands and of the save-before-leaving question,
// in one place for both grids. (The messages of reading and writing data files are in
// datafilemessages.h, those of a score's text in scoreentry.h.)
#pragma once

#include <string>

#include "engine/prompts.h"

namespace varisect {

// The two ways out that ask to save the data first; the word is the title of the questions.
enum class LeaveMode { Exit, Restart };

// "Wait" (stop symbol): Insert or Remove Single Score without one selected score, and marking as
// imputed with no score selected.
Message selectBeforeInsertMessage();
Message selectToRemoveMessage();
Message selectToMarkMessage();

// Paste: nothing (or only blanks) on the clipboard ("Error"), and cells from the current one on
// that already hold data ("Wait").
Message clipboardEmptyMessage();
Message pasteOntoDataMessage();

// A paste with more scores than cells from the current one on ("Paste", Yes/No): `fit` of them
// would be pasted and `left` left out.
Message pastePastEndQuestion(long fit, long left);
// The status line after a block from a spreadsheet was pasted: how many scores went where
// (rows counted from 1).
std::string pastedBlockStatus(long count, long firstRow, long lastRow);

// The status line after "Clear All Data": how to get the data back.
std::string clearedAllStatus();
// The status lines after "Data &OK" accepted `count` scores and after the scores were written
// to `path`.
std::string dataAcceptedStatus(long count);
std::string savedStatus(const std::string& path);

// The save-before-leaving questions, titled "Exit" or "Restart": typed data never saved
// (Yes/No/Cancel), data changed since the file was opened or saved (Yes/No), and then whether to
// save them in a new file (Yes/No).
Message notSavedQuestion(LeaveMode mode);
Message updateSavedFileQuestion(LeaveMode mode);
Message saveInNewFileQuestion(LeaveMode mode);

}  // namespace varisect
