// SPDX-License-Identifier: GPL-3.0-or-later
// The questions the engine may ask in the middle of an analysis. The desktop program shows them
// as message boxes, the command line answers them by its rule, tests script the answers.
#pragma once

#include <string>
#include <vector>

namespace varisect {

enum class MessageIcon { None, Information, Exclamation, Critical, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };

// Line break inside message texts: a line feed followed by a carriage return.
inline constexpr const char* kMessageLineBreak = "\n\r";

struct Message {
    std::string title;
    std::string text;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
};

class Prompts {
public:
    virtual ~Prompts() = default;
    // A Yes/No question; true means Yes.
    virtual bool askYesNo(const Message& message) = 0;
    // A message with an OK button only.
    virtual void tell(const Message& message) = 0;
};

// Answers every question with a fixed answer and keeps what was asked.
class RecordingPrompts : public Prompts {
public:
    explicit RecordingPrompts(bool answer = true) : answer_(answer) {}
    bool askYesNo(const Message& message) override
    {
        messages.push_back(message);
        if (!queued.empty()) {
            const bool a = queued.front();
            queued.erase(queued.begin());
            return a;
        }
        return answer_;
    }
    void tell(const Message& message) override { messages.push_back(message); }

    std::vector<Message> messages;
    std::vector<bool> queued;  // answers used first, in order, before the fixed answer

private:
    bool answer_;
};

}  // namespace varisect
