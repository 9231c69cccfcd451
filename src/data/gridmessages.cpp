// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/gridmessages.h"

namespace varisect {

namespace {

Message stop(const char* title, const char* text)
{
    return {title, text, MessageButtons::Ok, MessageIcon::Critical};
}

Message question(LeaveMode mode, const char* text, MessageButtons buttons)
{
    return {mode == LeaveMode::Exit ? "Exit" : "Restart", text, buttons, MessageIcon::Question};
}

}  // namespace

Message selectBeforeInsertMessage()
{
    return stop("Wait", "You must select a score before which the new score will be inserted.");
}

Message selectToRemoveMessage()
{
    return stop("Wait", "You must select a score to be removed.");
}

Message selectToMarkMessage()
{
    return stop("Wait", "You must select the scores to be marked as imputed.");
}

Message clipboardEmptyMessage()
{
    return stop("Error", "The clipboard is empty!");
}

Message pasteOntoDataMessage()
{
    return stop("Wait",
                "You cannot paste onto a cell containing data.  Either click elsewhere or clear the cells into which "
                "you want to paste.");
}

Message pastePastEndQuestion(long fit, long left)
{
    return {"Paste",
            "The data on the clipboard will not fit into the specified factorial structure.  Paste the first " +
                std::to_string(fit) + (fit == 1 ? " score" : " scores") + " and leave out the last " +
                std::to_string(left) + "?",
            MessageButtons::YesNo, MessageIcon::Question};
}

std::string pastedBlockStatus(long count, long firstRow, long lastRow)
{
    if (count <= 0)
        return "No scores pasted.";
    return "Pasted " + std::to_string(count) + (count == 1 ? " score" : " scores") +
           " row by row from the block, into rows " + std::to_string(firstRow) + " to " + std::to_string(lastRow) +
           ".";
}

std::string clearedAllStatus()
{
    return "All data cleared.  To bring them back, choose Undo or press Ctrl+Z.";
}

std::string dataAcceptedStatus(long count)
{
    return "Data OK: " + std::to_string(count) + (count == 1 ? " score" : " scores") + " accepted.";
}

std::string savedStatus(const std::string& path)
{
    return "Saved to " + path + ".";
}

Message notSavedQuestion(LeaveMode mode)
{
    return question(mode, "The data have not been saved in a file.  Do you wish to save the data?",
                    MessageButtons::YesNoCancel);
}

Message updateSavedFileQuestion(LeaveMode mode)
{
    return question(mode, "The data have changed since the last save.  Do you wish to update the saved file?",
                    MessageButtons::YesNoCancel);
}

Message saveInNewFileQuestion(LeaveMode mode)
{
    return question(mode, "Do you want to save the changed data in a new file?", MessageButtons::YesNoCancel);
}

}  // namespace varisect
