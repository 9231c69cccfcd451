// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes, input boxes and file dialogs. Windows never call the toolkit's dialogs
// themselves: the Qt implementation shows them, the scripted fake records them for tests.
#pragma once

#include <optional>
#include <string>

#include "engine/prompts.h"

namespace varisect {

enum class DialogAnswer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

struct FileDialogOptions {
    std::string title;             // "Save File (As)"
    std::string filter;            // "Data Files (*.dat);;All Files (*)"
    std::string defaultExtension;  // "dat", without the dot
    std::string initialPath;       // folder or file the dialog starts at
    bool overwritePrompt = true;   // save dialogs: ask before replacing a file
    int helpContext = 0;           // non-zero: a Help button opens the help viewer at this topic
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message box. `defaultButton` empty: the first button of the set.
    virtual DialogAnswer message(const Message& message, std::optional<DialogAnswer> defaultButton = {}) = 0;
    // An input box; empty when cancelled.
    virtual std::optional<std::string> inputBox(const std::string& title, const std::string& prompt,
                                                const std::string& initialText = {}) = 0;
    // File dialogs; empty when cancelled. Paths are UTF-8.
    virtual std::optional<std::string> openFile(const FileDialogOptions& options) = 0;
    virtual std::optional<std::string> saveFile(const FileDialogOptions& options) = 0;
};

// The engine's questions asked through message boxes.
class DialogPrompts : public Prompts {
public:
    explicit DialogPrompts(Dialogs& dialogs) : dialogs_(dialogs) {}
    bool askYesNo(const Message& m) override { return dialogs_.message(m) == DialogAnswer::Yes; }
    void tell(const Message& m) override { dialogs_.message(m); }

private:
    Dialogs& dialogs_;
};

}  // namespace varisect
