// SPDX-License-Identifier: GPL-3.0-or-later
// The questions the engine may ask in the middle of an analysis. The desktop program shows them
// as message boxes, the command line answers them by its rule, tests script the answers.
#pragma once

#include <string>

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

}  // namespace varisect
