// SPDX-License-Identifier: GPL-3.0-or-later
// Prompts for tests and benchmarks: every question answered from a queue or a fixed answer.
#pragma once

#include <vector>

#include "engine/prompts.h"

namespace varisect {

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
