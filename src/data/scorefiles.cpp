// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/scorefiles.h"

#include "data/datafilemessages.h"
#include "data/datafilewriter.h"
#include "session/session.h"

namespace varisect {

ScoreFiles::ScoreFiles(ScoreFileParts parts, ScoreFileOutside outside, const ScoreColumn& column,
                       const ScoreGridOptions& options, ScoreFileView view)
    : parts_(parts), outside_(outside), column_(column), options_(options), view_(std::move(view))
{
}

DialogAnswer ScoreFiles::tell(const Message& message)
{
    return outside_.dialogs.message(message);
}

void ScoreFiles::goToRow(long row)
{
    if (view_.goToRow)
        view_.goToRow(row);
}

void ScoreFiles::changed()
{
    parts_.file.changed();
}

void ScoreFiles::backToSaved()
{
    parts_.file.backToSaved();
}

bool ScoreFiles::savable()
{
    const ScoreSaveCheck check = checkSavable(column_, options_);
    if (check.ok())
        return true;
    goToRow(check.row);
    tell(*check.problem);
    return false;
}

bool ScoreFiles::writeWithRetry(const std::string& path, const DataLayout& layout)
{
    for (;;) {
        const WriteResult result = writeDataFile(path, layout);
        if (result.ok())
            return true;
        if (tell(saveFailureMessage(result)) != DialogAnswer::Retry)
            return false;
    }
}

void ScoreFiles::putOnTopOfRecentList(const std::string& path)
{
    RecentFileList& list = parts_.recentFiles;
    list.lastFileToTop(parts_.design.recentRecord(path), list.indexOf(path));
    if (!list.write(outside_.settings))
        tell(recentListSaveFailureMessage());
}

std::optional<std::string> ScoreFiles::saveLayoutAs(const DataLayout& layout, const std::string& initialPath)
{
    const std::optional<std::string> path = outside_.dialogs.saveFile(saveDataFileOptions(initialPath));
    if (!path || path->empty())
        return std::nullopt;
    if (view_.savingStarted)
        view_.savingStarted(*path);
    if (!writeWithRetry(*path, layout)) {
        if (view_.savingFailed)
            view_.savingFailed();
        return std::nullopt;
    }
    parts_.file.savedAs(*path);
    putOnTopOfRecentList(*path);
    return path;
}

bool ScoreFiles::saveAs()
{
    return savable() && saveLayoutAs(layout(), parts_.file.currentFileName()).has_value();
}

bool ScoreFiles::updateInPlace()
{
    const std::string path = parts_.file.currentFileName();
    if (path.empty())
        return saveAs();
    if (!savable() || !writeWithRetry(path, layout()))
        return false;
    parts_.file.updatedInPlace();
    return true;
}

bool ScoreFiles::confirmLeave(LeaveMode mode)
{
    FileState& file = parts_.file;
    if (file.leaveAnswered())
        return true;
    bool leave = true;
    if (!file.dataFromFile() && !file.dataSaved()) {
        if (!column_.anyScore())
            return true;  // nothing typed: nothing to lose
        const DialogAnswer answer = tell(notSavedQuestion(mode));
        if (answer == DialogAnswer::Cancel)
            return false;
        // A save that was cancelled or failed keeps the user here, so that nothing is lost.
        if (answer == DialogAnswer::Yes)
            leave = saveAs();
    } else if (file.dataChanged()) {
        // Cancel at either question stays, with everything as it was.
        const DialogAnswer update = tell(updateSavedFileQuestion(mode));
        if (update == DialogAnswer::Cancel)
            return false;
        if (update == DialogAnswer::Yes) {
            leave = updateInPlace();
        } else {
            const DialogAnswer saveNew = tell(saveInNewFileQuestion(mode));
            if (saveNew == DialogAnswer::Cancel)
                return false;
            if (saveNew == DialogAnswer::Yes)
                leave = saveAs();
        }
    }
    file.leaveAnswer(leave);
    return leave;
}

std::optional<GridDataResult> ScoreFiles::readGridFile(const std::string& path)
{
    for (;;) {
        GridDataResult read;
        {
            BusyScope busy(outside_.desktop);
            read = readGridDataFile(std::filesystem::path(path), column_.size());
        }
        if (read.ok())
            return read;
        // A file that went missing may be back after Retry.
        if (tell(dataFileProblemMessage(*read.error)) != DialogAnswer::Retry)
            return std::nullopt;
    }
}

std::optional<std::string> ScoreFiles::settleNamingConflict(const std::string& path,
                                                            const std::function<std::optional<DataLayout>()>& contents)
{
    if (!namingConflict(parts_.recentFiles, parts_.design.recentRecord(path)))
        return path;
    const DialogAnswer answer = tell(namingConflictMessage());
    if (answer == DialogAnswer::Cancel)
        return std::nullopt;
    if (answer != DialogAnswer::Yes) {
        putOnTopOfRecentList(path);
        return path;
    }
    const std::optional<DataLayout> copy = contents();
    if (!copy)
        return std::nullopt;
    return saveLayoutAs(*copy, path);
}

std::optional<GridFile> ScoreFiles::choosePlainFile()
{
    const std::optional<std::string> chosen =
        outside_.dialogs.openFile(openDataFileOptions(parts_.file.openFileName()));
    if (!chosen || chosen->empty())
        return std::nullopt;
    const std::optional<std::string> path = settleNamingConflict(*chosen, [&]() -> std::optional<DataLayout> {
        const auto read = readGridFile(*chosen);
        if (!read)
            return std::nullopt;
        DataLayout copy;
        copy.items = read->items;
        return copy;
    });
    if (!path)
        return std::nullopt;
    auto read = readGridFile(*path);
    if (!read)
        return std::nullopt;
    const long n = column_.size();
    GridFile file{*path, std::move(read->items), 0};
    file.count = static_cast<long>(file.items.size());
    if (file.count != n) {
        const DialogAnswer answer = tell(wrongFileSelectedMessage(*path, file.count, n));
        if (answer == DialogAnswer::Abort)
            return std::nullopt;
        if (answer == DialogAnswer::Retry && tell(dangerMessage()) != DialogAnswer::Ok)
            return std::nullopt;
    }
    if (file.count > n)
        file.items.resize(static_cast<std::size_t>(n));
    return file;
}

std::optional<GridFile> ScoreFiles::readRecentPlainFile()
{
    const std::string path = parts_.file.openFileName();
    auto read = readGridFile(path);
    if (!read)
        return std::nullopt;
    if (read->count() != column_.size()) {
        tell(scoreCountMismatchMessage(parts_.design.design.factorCount() >= 3));
        return std::nullopt;
    }
    const long count = read->count();
    return GridFile{path, std::move(read->items), count};
}

void ScoreFiles::opened(const std::string& path, bool chosenHere)
{
    parts_.file.opened(path);
    const auto& entries = parts_.recentFiles.entries;
    if (chosenHere && (entries.empty() || entries.front().path != path))
        putOnTopOfRecentList(path);
}

}  // namespace varisect
