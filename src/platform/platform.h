// SPDX-License-Identifier: GPL-3.0-or-later
// Everything a window needs from the outside world, handed to it in one piece.
#pragma once

#include "platform/clipboard.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "platform/printtarget.h"
#include "platform/settingsstore.h"

namespace varisect {

struct Platform {
    Dialogs& dialogs;
    SettingsStore& settings;
    Clipboard& clipboard;
    PrintTarget& printer;
    HelpViewer& help;
    Desktop& desktop;
};

// The engine's questions as message boxes, the busy pointer put away while the user reads them.
class WindowPrompts : public Prompts {
public:
    explicit WindowPrompts(Platform& platform) : dialogs_(platform.dialogs), desktop_(platform.desktop) {}
    bool askYesNo(const Message& m) override
    {
        desktop_.setBusy(false);
        const bool yes = dialogs_.askYesNo(m);
        desktop_.setBusy(true);
        return yes;
    }
    void tell(const Message& m) override
    {
        desktop_.setBusy(false);
        dialogs_.tell(m);
        desktop_.setBusy(true);
    }

private:
    DialogPrompts dialogs_;
    Desktop& desktop_;
};

}  // namespace varisect
