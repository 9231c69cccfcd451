// SPDX-License-Identifier: GPL-3.0-or-later
// Stand-ins for the outside world that need no Qt, for window tests and Qt-free tests alike:
// dialogs answered from a script, a clipboard in memory, a help viewer and a desktop that only
// record what they were asked to do.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace varisect {

// One message box as the window showed it, and what the script answered.
struct ShownMessage {
    Message message;
    std::optional<DialogAnswer> defaultButton;  // as the window asked for it
    DialogAnswer answer = DialogAnswer::Ok;
    bool scripted = true;  // false: the queue was empty and the fallback answered
};

enum class RequestKind { Input, Open, Save };

// One input box or file dialog, and what the script answered.
struct ShownRequest {
    RequestKind kind = RequestKind::Input;
    std::string title;
    std::string prompt;       // input boxes
    std::string initialText;  // input boxes
    FileDialogOptions file;   // file dialogs
    std::optional<std::string> answer;
    bool scripted = true;
};

// Answers every dialog from queues, first in first out, and keeps a record of all of them.
class ScriptedDialogs : public Dialogs {
public:
    DialogAnswer message(const Message& message, std::optional<DialogAnswer> defaultButton = {}) override;
    std::optional<std::string> inputBox(const std::string& title, const std::string& prompt,
                                        const std::string& initialText = {}) override;
    std::optional<std::string> openFile(const FileDialogOptions& options) override;
    std::optional<std::string> saveFile(const FileDialogOptions& options) override;

    // The script.
    std::deque<DialogAnswer> messageAnswers;
    std::deque<std::optional<std::string>> inputAnswers;
    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    // What an empty queue answers: for messages this answer when set, else the box's default
    // button (what Enter would press); for the others, cancel. A queued or fallback answer that
    // is not a button of the box is not given: the default button answers instead.
    std::optional<DialogAnswer> messageFallback;
    std::optional<std::string> requestFallback;

    // The record.
    std::vector<ShownMessage> messages;
    std::vector<ShownRequest> requests;

    // Every queue used up.
    bool scriptUsedUp() const;

    // Convenience for assertions.
    const ShownMessage& lastMessage() const;  // throws std::out_of_range when none was shown
    std::vector<std::string> messageTitles() const;
    std::vector<std::string> messageTexts() const;
    void clearRecord();

private:
    std::optional<std::string> request(RequestKind kind, std::deque<std::optional<std::string>>& queue,
                                       ShownRequest shown);
};

class FakeClipboard : public Clipboard {
public:
    bool setText(const std::string& text) override;
    std::optional<std::string> text() override;
    bool setImage(const std::vector<unsigned char>& png) override;

    std::optional<std::string> content;      // the text held, if any
    std::vector<unsigned char> image;        // the last picture, PNG bytes
    bool busy = false;                       // another program holds it: writes fail, reads give nothing
};

class FakeHelpViewer : public HelpViewer {
public:
    void showContents() override { calls.push_back("contents"); }
    void showSearch() override { calls.push_back("search"); }
    void showHelpOnHelp() override { calls.push_back("helpOnHelp"); }
    void showContext(int context) override
    {
        calls.push_back("context " + std::to_string(context));
        contexts.push_back(context);
    }
    void close() override { calls.push_back("close"); }

    std::vector<std::string> calls;  // "contents", "search", "helpOnHelp", "context 60", "close"
    std::vector<int> contexts;
};

class FakeDesktop : public Desktop {
public:
    void setBusy(bool busy) override;
    bool openUrl(const std::string& url) override;

    int busyDepth = 0;        // > 0 while the busy pointer shows
    int busyCount = 0;        // how many times it was switched on
    bool unbalanced = false;  // switched off more often than on
    std::vector<std::string> openedUrls;
    bool openSucceeds = true;
};

}  // namespace varisect
