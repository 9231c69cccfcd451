// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/datafilemessages.h"

#include <cerrno>

#include "engine/numbertext.h"
#include "platform/helpviewer.h"

namespace varisect {

namespace {

const std::string kRectifyDiskette =
    "  If you can rectify the situation (for example, by inserting the correct diskette), then Retry after "
    "rectification.";
const std::string kRectifyNewDiskette =
    "  If you can rectify the situation (for example, by inserting a new formatted diskette), then Retry after "
    "rectification.";
const std::string kCancelSaving = "  Otherwise Cancel to forego saving.";
const std::string kCancelStartOver = "  Otherwise Cancel to start over.";
const std::string kStartOver = "You will have to start over.";

// The labels of factor f (0-based), empty when the record has none for it.
std::vector<std::string> levelLabelsOf(const RecentFileRecord& record, std::size_t f)
{
    return f < record.levelLabels.size() ? record.levelLabels[f] : std::vector<std::string>{};
}

Message stop(std::string title, std::string text, MessageButtons buttons)
{
    return {std::move(title), std::move(text), buttons, MessageIcon::Critical};
}

}  // namespace

Message saveFailureMessage(const WriteResult& result)
{
    switch (result.problem) {
    case WriteProblem::DiskNotReady:
        return stop("Disk Not Ready!", "The disk called for cannot be accessed." + kRectifyDiskette + kCancelSaving,
                    MessageButtons::RetryCancel);
    case WriteProblem::DiskFull:
        return stop("Disk Full!",
                    "The disk called for does not have sufficient room for the file." + kRectifyNewDiskette +
                        kCancelSaving,
                    MessageButtons::RetryCancel);
    case WriteProblem::WriteProtected:
        return stop("Disk Not Ready!",
                    "The disk called is write-protected.  Retry after rectification." + kCancelSaving,
                    MessageButtons::RetryCancel);
    case WriteProblem::None:  // not a failure; described like one nobody expected
    case WriteProblem::Other:
        break;
    }
    const std::string description = result.description.empty() ? "unknown error" : result.description;
    return stop("Error in Saving!", "Unexpected error (" + description + ")." + kRectifyNewDiskette + kCancelSaving,
                MessageButtons::RetryCancel);
}

FileDialogOptions saveDataFileOptions(const std::string& initialPath)
{
    FileDialogOptions options;
    options.title = "Save File (As)";
    options.filter = "Data Files (*.dat)";
    options.defaultExtension = "dat";
    options.initialPath = initialPath;
    options.overwritePrompt = true;
    options.helpContext = kHelpSaveDataFile;
    return options;
}

FileDialogOptions openDataFileOptions(const std::string& initialPath)
{
    FileDialogOptions options = saveDataFileOptions(initialPath);
    options.title = "Open File";
    options.filter = "Data Files (*.dat);;All Files (*)";
    options.overwritePrompt = false;
    options.helpContext = kHelpOpenDataFile;
    return options;
}

Message recentListSaveFailureMessage()
{
    return {"Error in Saving!",
            std::string("The program ran into a minor problem attempting to write the file name to the list of "
                        "recently accessed files. This may have occurred because the operating system does not "
                        "permit you to write to the Windows registry.") +
                kMessageLineBreak +
                "The data have been saved, but the list of recently accessed files may not be correct the next "
                "time you restart the computer.",
            MessageButtons::Ok, MessageIcon::None};
}

Message dataFileProblemMessage(const DataReadError& error)
{
    using Kind = DataReadError::Kind;
    if (error.kind == Kind::CannotOpen || error.kind == Kind::ReadFailure) {
        const int e = error.systemError;
        if (e == ENOENT || e == ENOTDIR || e == EISDIR)
            return stop("File Not Found!", "The file called for cannot be found." + kRectifyDiskette + kCancelStartOver,
                        MessageButtons::RetryCancel);
        // Device trouble, and a file the user may not read: both can be put right and retried.
        return stop("Disk Not Ready!", "The disk called for cannot be accessed." + kRectifyDiskette + kCancelStartOver,
                    MessageButtons::RetryCancel);
    }
    if (error.kind == Kind::HeaderCutShort)
        return stop("File Corrupted!",
                    "The file parameters are not correct (for example, the number of levels is wrong).  " + kStartOver,
                    MessageButtons::Ok);
    return stop("File Corrupted!", error.message + kMessageLineBreak + kStartOver, MessageButtons::Ok);
}

Message wrongFileSelectedMessage(const std::string& path, long count, long expected)
{
    return stop("Wrong file selected?",
                "The number of scores in " + path + " is" + numberText(static_cast<double>(count)) +
                    ", while the design calls for" + numberText(static_cast<double>(expected)) + " scores.",
                MessageButtons::AbortRetryIgnore);
}

Message dangerMessage()
{
    return {"Danger!",
            "This is not likely to be the correct file.  If you choose to ignore the warning, the program will input "
            "from the file as many scores as will fit in the grid.",
            MessageButtons::OkCancel, MessageIcon::Exclamation};
}

Message scoreCountMismatchMessage(bool mentionGroupSizes)
{
    std::string text =
        "   The File specification does not match the file.  The number of scores in the file is not equal to the "
        "number generated by the factorial structure.  " +
        kStartOver;
    if (mentionGroupSizes)
        text += std::string(kMessageLineBreak) +
                "   If the design calls for unequal group sizes, please click the appropriate Unequal Cell Size option "
                "before trying to invoke the recent Files list.";
    return stop("File corrupted?!", std::move(text), MessageButtons::Ok);
}

Message incorrectFileMessage(bool fileIsUnequalN)
{
    if (fileIsUnequalN)
        return stop("Incorrect File?",
                    "The file you have selected contains an unequal N data set.  If you want to access this file, "
                    "please invoke the desired choice from the Unequal Cell Size Menu prior to selecting the file.",
                    MessageButtons::Ok);
    return stop("Incorrect File?",
                std::string("The file you have selected does not contain an unequal N data set.  If you do not wish "
                            "to conduct an unequal group size analysis, de-select the choice from the Unequal Cell "
                            "Size Menu.") +
                    kMessageLineBreak + "Otherwise, please choose another file or use manual entry.",
                MessageButtons::Ok);
}

Message notSavedForAnalysisMessage(UnequalAnalysis analysis)
{
    const char* ending = "n unweighted means analysis.";
    if (analysis == UnequalAnalysis::ProportionalCellSizes)
        ending = " proportional cell size analysis.";
    else if (analysis == UnequalAnalysis::UnequalGroupSizes)
        ending = " unequal group size analysis.";
    return stop("File corrupted?!",
                std::string("The file called for has not been saved appropriately for a") + ending +
                    kMessageLineBreak + kStartOver,
                MessageButtons::Ok);
}

Message namingConflictMessage()
{
    return {"File naming conflict!",
            std::string("   This data file has recently been accessed (and is available via the File Menu on the "
                        "opening screen) with different parameters than those currently designated.") +
                kMessageLineBreak +
                "  Would you like to assign another name to the file so that the current parameters may be attached "
                "to the newly named file? (No = Assign the current parameters to the file, keeping the file name)",
            MessageButtons::YesNoCancel, MessageIcon::Exclamation};
}

bool namingConflict(const RecentFileList& list, const RecentFileRecord& current)
{
    const auto differs = [&](const RecentFileRecord& entry) {
        if (entry.problemLabel != current.problemLabel || entry.factorCount() != current.factorCount() ||
            entry.labelsInUse != current.labelsInUse)
            return true;
        for (std::size_t f = 0; f < current.factorNames.size(); ++f) {
            const auto levelsOf = [f](const RecentFileRecord& r) { return f < r.levels.size() ? r.levels[f] : 0; };
            if (entry.factorNames[f] != current.factorNames[f] || levelsOf(entry) != levelsOf(current))
                return true;
            if (current.labelsInUse && levelLabelsOf(entry, f) != levelLabelsOf(current, f))
                return true;
        }
        return false;
    };
    for (const RecentFileRecord& entry : list.entries)
        if (entry.path == current.path && differs(entry))
            return true;
    return false;
}

}  // namespace varisect
