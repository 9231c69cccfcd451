// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/documentcommands.h"

#include <exception>
#include <filesystem>
#include <functional>

#include "output/docx.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/helpviewer.h"

namespace varisect {

namespace fs = std::filesystem;

namespace {

const char* const kFilter = "Word Document (*.docx)";
const char* const kExtension = "docx";

Message retryCancel(const std::string& title, const std::string& text)
{
    return {title, text, MessageButtons::RetryCancel, MessageIcon::Exclamation};
}

// The message for a failed write; Retry/Cancel where the user can put the cause right.
Message failureMessage(const DocxResult& result, const std::string& path)
{
    switch (result.error) {
    case DocxResult::Error::NotFound:
        return {"File Not Found!", "The file you are trying to open does not exist (check its extension?)",
                MessageButtons::Ok, MessageIcon::Exclamation};
    case DocxResult::Error::WriteProtected:
        return retryCancel("Disk Not Ready!", "The disk called is write-protected.  Retry after rectification.  "
                                              "Otherwise Cancel to forego saving.");
    case DocxResult::Error::DiskFull:
        return retryCancel("Disk Full!",
                           "The disk called for does not have sufficient room for the file.  If you can rectify the "
                           "situation (for example, by inserting a new formatted diskette), then Retry after "
                           "rectification.  Otherwise Cancel to forego saving.");
    case DocxResult::Error::NotWordDocument:
        return {"Wrong file selected?",
                path + " is not a Word document that can be added to.  Please select another document.",
                MessageButtons::Ok, MessageIcon::Exclamation};
    case DocxResult::Error::CannotSave:
    case DocxResult::Error::None:
        break;
    }
    return {"Program Error",
            "Could not save to " + path + ".  Please check whether " + path + " is a valid path name.",
            MessageButtons::Ok, MessageIcon::Exclamation};
}

// Writes with `write` until it succeeds or the user gives up. Whatever `write` throws is a
// failure to write like any other, so it reaches the user as a message and not as the end of
// the program.
bool writeWithRetry(Dialogs& dialogs, Desktop& desktop, const std::string& path,
                    const std::function<DocxResult()>& write)
{
    for (;;) {
        DocxResult result;
        try {
            const BusyScope busy(desktop);
            result = write();
        } catch (const std::exception& e) {
            result = DocxResult{DocxResult::Error::CannotSave, e.what()};
        } catch (...) {
            result = DocxResult{DocxResult::Error::CannotSave, path};
        }
        if (result.ok())
            return true;
        const Message m = failureMessage(result, path);
        if (dialogs.message(m) != DialogAnswer::Retry)
            return false;
    }
}

bool hasExtension(const std::string& path)
{
    return fs::path(path).filename().string().find('.') != std::string::npos;
}

}  // namespace

std::string newDocumentCaption(const std::string& what)
{
    return "Print " + what + " to &New Word Document";
}

std::string existingDocumentCaption(const std::string& what)
{
    return "Append " + what + " to &Existing Word Document";
}

std::string documentWrittenStatus(const std::string& path)
{
    return "Word document written: " + path + ".";
}

bool DocumentCommands::newDocument(const OutputDocument& document)
{
    for (;;) {
        FileDialogOptions options;
        options.title = "Save As";
        options.filter = kFilter;
        options.defaultExtension = kExtension;
        options.overwritePrompt = false;  // asked below, with the program's own question
        options.helpContext = kHelpWordDocuments;
        const std::optional<std::string> chosen = dialogs_.saveFile(options);
        if (!chosen)
            return false;
        std::string path = *chosen;
        if (path.empty()) {
            dialogs_.message({"Save As", "File name needed!", MessageButtons::Ok, MessageIcon::Exclamation});
            continue;
        }
        if (!hasExtension(path))
            path += std::string(".") + kExtension;

        const std::string folder = DirectoryOf(path);
        std::error_code ec;
        if (!folder.empty() && !fs::is_directory(folder, ec)) {
            const DialogAnswer create = dialogs_.message({"Cannot find directory!",
                                                          "That path/directory does not exist.  Would you like to "
                                                          "create it?",
                                                          MessageButtons::YesNo, MessageIcon::Question});
            if (create != DialogAnswer::Yes)
                continue;
            fs::create_directories(folder, ec);
            if (ec) {
                dialogs_.message(failureMessage(DocxResult{DocxResult::Error::CannotSave, folder}, path));
                continue;
            }
        }
        if (fs::exists(path, ec)) {
            const DialogAnswer answer = dialogs_.message(
                {"File already exists!",
                 std::string("There is currently a file with that name.  Do you wish to overwrite the file?") +
                     kMessageLineBreak +
                     "A 'No' response will allow you to enter another name for a new file, while 'Cancel' will "
                     "allow you to return to the menu to add to an existing file.",
                 MessageButtons::YesNoCancel, MessageIcon::Question},
                DialogAnswer::No);
            if (answer == DialogAnswer::No)
                continue;
            if (answer != DialogAnswer::Yes)
                return false;
            // The old file stays until the new one is complete: it is replaced, not deleted first.
        }
        if (!writeWithRetry(dialogs_, desktop_, path, [&] { return writeNewDocx(path, document); }))
            return false;
        written_ = path;
        return true;
    }
}

bool DocumentCommands::appendToDocument(const OutputDocument& document)
{
    FileDialogOptions options;
    options.title = "Open File";
    options.filter = kFilter;
    options.defaultExtension = kExtension;
    options.helpContext = kHelpWordDocuments;
    const std::optional<std::string> chosen = dialogs_.openFile(options);
    if (!chosen || chosen->empty())
        return false;
    const std::string& path = *chosen;
    if (IsLocked(path)) {
        dialogs_.message({"File Locked!",
                          path + " is currently open and locked by another process." + kMessageLineBreak +
                              "Please either unlock " + path + " or select another document.",
                          MessageButtons::Ok, MessageIcon::Exclamation});
        return false;
    }
    if (!writeWithRetry(dialogs_, desktop_, path, [&] { return appendToDocx(path, document); }))
        return false;
    written_ = path;
    return true;
}

}  // namespace varisect
