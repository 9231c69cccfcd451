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

}  // namespace varisect
