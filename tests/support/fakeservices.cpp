// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fakeservices.h"

#include <algorithm>
#include <stdexcept>

namespace varisect {

namespace {

// The answers a set of buttons can give, in the order they are shown.
std::vector<DialogAnswer> answersOf(MessageButtons buttons)
{
    using A = DialogAnswer;
    switch (buttons) {
    case MessageButtons::Ok:
        return {A::Ok};
    case MessageButtons::OkCancel:
        return {A::Ok, A::Cancel};
    case MessageButtons::YesNo:
        return {A::Yes, A::No};
    case MessageButtons::YesNoCancel:
        return {A::Yes, A::No, A::Cancel};
    case MessageButtons::RetryCancel:
        return {A::Retry, A::Cancel};
    case MessageButtons::AbortRetryIgnore:
        return {A::Abort, A::Retry, A::Ignore};
    }
    return {A::Ok};
}

std::vector<std::string> fieldOf(const std::vector<ShownMessage>& messages, std::string Message::*field)
{
    std::vector<std::string> out;
    for (const ShownMessage& m : messages)
        out.push_back(m.message.*field);
    return out;
}

ShownRequest fileRequest(const FileDialogOptions& options)
{
    ShownRequest shown;
    shown.title = options.title;
    shown.file = options;
    return shown;
}

}  // namespace

// A scripted answer the box does not offer, and an empty script, give the answer of Enter: the
// requested default when it is one of the buttons, else the first button. A fallback answers
// for an empty script when the box offers it.
DialogAnswer ScriptedDialogs::message(const Message& message, std::optional<DialogAnswer> defaultButton)
{
    const std::vector<DialogAnswer> offered = answersOf(message.buttons);
    const auto offers = [&offered](std::optional<DialogAnswer> a) {
        return a && std::find(offered.begin(), offered.end(), *a) != offered.end();
    };
    std::optional<DialogAnswer> wanted = messageFallback;
    const bool scripted = !messageAnswers.empty();
    if (scripted) {
        wanted = messageAnswers.front();
        messageAnswers.pop_front();
    }
    const DialogAnswer enter = offers(defaultButton) ? *defaultButton : offered.front();
    messages.push_back({message, defaultButton, offers(wanted) ? *wanted : enter, scripted});
    return messages.back().answer;
}

std::optional<std::string> ScriptedDialogs::request(RequestKind kind, std::deque<std::optional<std::string>>& queue,
                                                    ShownRequest shown)
{
    shown.kind = kind;
    if (!queue.empty()) {
        shown.answer = queue.front();
        queue.pop_front();
    } else {
        shown.scripted = false;
        shown.answer = requestFallback;
    }
    requests.push_back(shown);
    return shown.answer;
}

std::optional<std::string> ScriptedDialogs::inputBox(const std::string& title, const std::string& prompt,
                                                     const std::string& initialText)
{
    ShownRequest shown;
    shown.title = title;
    shown.prompt = prompt;
    shown.initialText = initialText;
    return request(RequestKind::Input, inputAnswers, shown);
}

std::optional<std::string> ScriptedDialogs::openFile(const FileDialogOptions& options)
{
    return request(RequestKind::Open, openAnswers, fileRequest(options));
}

std::optional<std::string> ScriptedDialogs::saveFile(const FileDialogOptions& options)
{
    return request(RequestKind::Save, saveAnswers, fileRequest(options));
}

bool ScriptedDialogs::scriptUsedUp() const
{
    return messageAnswers.empty() && inputAnswers.empty() && openAnswers.empty() && saveAnswers.empty();
}

const ShownMessage& ScriptedDialogs::lastMessage() const
{
    if (messages.empty())
        throw std::out_of_range("no message was shown");
    return messages.back();
}

std::vector<std::string> ScriptedDialogs::messageTitles() const
{
    return fieldOf(messages, &Message::title);
}

std::vector<std::string> ScriptedDialogs::messageTexts() const
{
    return fieldOf(messages, &Message::text);
}

void ScriptedDialogs::clearRecord()
{
    messages.clear();
    requests.clear();
}

bool FakeClipboard::setText(const std::string& text)
{
    if (busy)
        return false;
    content = text;
    return true;
}

std::optional<std::string> FakeClipboard::text()
{
    return busy ? std::nullopt : content;
}

bool FakeClipboard::setImage(const std::vector<unsigned char>& png)
{
    if (busy || png.empty())
        return false;
    image = png;
    content.reset();  // a picture replaces the text, as on the real clipboard
    return true;
}

void FakeDesktop::setBusy(bool busy)
{
    if (busy) {
        ++busyDepth;
        ++busyCount;
    } else if (busyDepth > 0) {
        --busyDepth;
    } else {
        unbalanced = true;
    }
}

bool FakeDesktop::openUrl(const std::string& url)
{
    openedUrls.push_back(url);
    return openSucceeds;
}

}  // namespace varisect
